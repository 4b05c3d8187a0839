#pragma once
// The one executor of the 142 built-in functions. An expression's call operation hands it
// the destination variable, the function number and the argument values; the function
// writes its result into the destination and may write into variable arguments.

#include <cstdint>
#include <span>
#include <string_view>

#include "core/random.h"

namespace orva {

class TCustomParam;
class TParamCollection;
class TParamCollectionItem;
class TPictureLink;
class TProjectLink;
class TSceneLink;

class TSysFuncMan {
 public:
  // Without a store the functions of the store (VarExists, AssignTemp, Calc) find nothing.
  TSysFuncMan();
  explicit TSysFuncMan(TParamCollection& vars);
  virtual ~TSysFuncMan() = default;
  TSysFuncMan(const TSysFuncMan&) = delete;
  TSysFuncMan& operator=(const TSysFuncMan&) = delete;

  // Carries out function `index` (0..141); an index above 141 does nothing. An argument
  // count the function does not take (only stored data can hold one) raises
  // "<name> 引数の数が不正です". Failures are exceptions, which end the evaluation of the
  // expression; what the function wrote into variables before stays.
  virtual void Execute(TParamCollectionItem& dest, uint8_t index, std::span<TCustomParam* const> args);

  TParamCollection* Vars() const { return vars_; }
  // The scene GetProp and SetProp reach (not owned); none: no objects.
  TSceneLink* Scene() const { return scene_; }
  void SetScene(TSceneLink* scene) { scene_ = scene; }
  // The running game (not owned): which files can be read now, the save captions. None: a
  // file can be read when the file manager finds it, and there are no captions.
  TProjectLink& Project() const;
  void SetProject(TProjectLink* project) { project_ = project; }
  // Screen captures and the wallpaper (not owned); none: those functions answer FALSE.
  TPictureLink* Pictures() const { return pictures_; }
  void SetPictures(TPictureLink* pictures) { pictures_ = pictures; }
  // Whether a script's file name is game-relative (core/paths.h) and the project can
  // provide the file now, which may first ask for its disc.
  bool FileAvailable(std::string_view name) const;

  // Random: the program's one uniform generator (core/random.h), seeded from the clock at start.
  void SeedRandom(uint32_t seed) { SeedRuntimeRandom(seed); }
  // 0 <= r < n; 0 for n below 1.
  int32_t NextRandom(int32_t n);

  // Calc inside Calc is bounded: at most kMaxCalcDepth levels, and once a text has gone that
  // deep every further Calc until the outermost one returns is refused too, so that a text
  // calling itself more than once ends instead of branching 2^32 ways. False: refused.
  static constexpr int kMaxCalcDepth = 32;
  bool EnterCalc();
  void LeaveCalc();
  int CalcDepth() const { return calcDepth_; }

 private:
  TParamCollection* vars_ = nullptr;
  TSceneLink* scene_ = nullptr;
  TProjectLink* project_ = nullptr;
  TPictureLink* pictures_ = nullptr;
  int calcDepth_ = 0;
  bool calcCut_ = false;
};

}  // namespace orva
