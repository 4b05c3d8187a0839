#pragma once
// Window input played into the main scene frame by frame, as the shell steps it: the input
// of a frame recorded, the game clock and the frame time moved on, the input step, then the
// scene's update; the events the frame queued are read back as "kind(arg,arg)".
//
//   kit::SceneInput input;  // the main scene, found at each frame
//   EXPECT_EQ(input.Frame("move 20 30 press L"), (std::vector<std::string>{}));
//   EXPECT_EQ(input.Frame("release"), (std::vector<std::string>{"33()"}));

#include <sstream>
#include <string>
#include <vector>

#include "core/frame_clock.h"
#include "core/string_lists.h"
#include "scene/base_list.h"

namespace orva::kit {

class SceneInput {
 public:
  // None: the main scene at each frame.
  explicit SceneInput(TOrvaBaseList* scene = nullptr) : scene_(scene) {}

  // Milliseconds of each frame.
  int32_t Delta = 16;
  // Whether the queued events are taken off the queue after each frame, as if their
  // handlers had run.
  bool Drain = true;

  // Words: "move x y", "press L|R|M", "release", "wheel down|up", "keydown n" (with its
  // hit), "keyup n"; then "idle" runs no update ("noidle").
  std::vector<std::string> Frame(const std::string& input) {
    TOrvaBaseList& scene_ = Scene();
    std::istringstream words(input);
    std::string word;
    bool idle = true;
    while (words >> word) {
      if (word == "move") {
        int32_t x = 0, y = 0;
        words >> x >> y;
        scene_.RecordMousePos({x, y});
      } else if (word == "press") {
        words >> word;
        scene_.RecordButtonPress(word == "L"   ? TOrvaBaseList::TMouseButton::Left
                                 : word == "R" ? TOrvaBaseList::TMouseButton::Right
                                               : TOrvaBaseList::TMouseButton::Middle);
      } else if (word == "release") {
        scene_.RecordButtonRelease();
      } else if (word == "wheel") {
        words >> word;
        scene_.RecordWheel(word == "down");
      } else if (word == "keydown" || word == "keyup") {
        int code = 0;
        words >> code;
        scene_.SetKeyState(code, word == "keydown");
        if (word == "keydown") scene_.SetKeyHit(code, true);
      } else if (word == "noidle") {
        idle = false;
      }
    }
    FrameDelta = Delta;
    GameClock += static_cast<uint32_t>(Delta);
    scene_.ProcessInput();
    if (idle) scene_.Idle();
    return Events();
  }

  // n frames without input; the events of all of them.
  std::vector<std::string> Frames(int n) {
    std::vector<std::string> all;
    for (int i = 0; i < n; ++i)
      for (std::string& e : Frame("")) all.push_back(std::move(e));
    return all;
  }

  // The queued events as "kind(arg,arg)"; taken off the queue with Drain.
  std::vector<std::string> Events() {
    std::vector<std::string> out;
    TTimerList& queue = Scene().Events();
    for (int i = 0; i < queue.Count(); ++i) {
      const TTimerData& e = *queue.GetEvent(i);
      std::string text = std::to_string(e.Kind) + "(";
      for (int a = 0; a < e.Args.Count(); ++a) text += (a ? "," : "") + e.Args[a];
      out.push_back(text + ")");
    }
    if (Drain) queue.Clear();
    return out;
  }

 private:
  TOrvaBaseList& Scene() { return scene_ ? *scene_ : *GetMainScene(); }
  TOrvaBaseList* scene_;
};

}  // namespace orva::kit
