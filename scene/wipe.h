#pragma once
// Screen transitions as the scene drives them: made by CreateWipe from a WP_ number, given a
// duration, a reverse flag, parameters and a position, and stepped once per painted frame.
// The transitions themselves are registered by number as they are built.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/rect.h"
#include "core/vocabulary.h"

namespace orva {

class TCustomDIBX;

class TCustomWipe {
 public:
  // Dest is the picture drawn into, SrcA the old picture, SrcB the new one; none is owned.
  TCustomWipe(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) : Dest(dest), SrcA(srcA), SrcB(srcB) {}
  virtual ~TCustomWipe() = default;
  TCustomWipe(const TCustomWipe&) = delete;
  TCustomWipe& operator=(const TCustomWipe&) = delete;

  virtual void SetReverse(bool value) { Reverse = value; }
  virtual int32_t GetParam(int index) { return Param[index & 1]; }
  // Each class clamps its own range.
  virtual void SetParam(int index, int32_t value) { Param[index & 1] = value; }
  virtual void SetMaskName(std::string_view name) { MaskName = name; }
  // Builds masks and tables once the parameters are set, before the first step.
  virtual void Prepare() {}
  // Draws the state at Position out of Duration into Dest; true when finished.
  virtual bool Step() { return false; }

  bool Reverse = false;
  std::string MaskName;
  TCustomDIBX* Dest;
  TCustomDIBX* SrcA;
  TCustomDIBX* SrcB;
  int32_t Duration = 0;
  int32_t Position = 0;
  std::array<int32_t, 2> Param{};
  // The part of Dest changed by the last step.
  TRect ChangedRect{};
};

using TWipeConstructor =
    std::function<std::unique_ptr<TCustomWipe>(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB)>;

// Registers the class of a WP_ number 1..38 (an empty constructor removes it). Returns the
// previous one; raises EListError for other numbers.
TWipeConstructor RegisterWipeClass(int number, TWipeConstructor constructor);

// The transition of the number (only its low 8 bits count) with the default parameter pair
// of its row (WipeDefaultParams, core/wipe_defaults.h) applied through SetParam; none for 0,
// 39 and above, and numbers without a registered class.
std::unique_ptr<TCustomWipe> CreateWipe(int number, TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB);

}  // namespace orva
