#pragma once
// Stand-ins for what the interpreter reaches outside itself: a scene with named objects and
// an event queue, a project that records save and load requests, a capturing log, a virtual
// system clock, and the frame loop's bookkeeping.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/frame_clock.h"
#include "script/param_system.h"
#include "script/project_link.h"
#include "script/scene_link.h"

namespace orva {
class TCallMan;
}

namespace orva::kit {

// Events in arrival order, as the scene's queue keeps them.
class TestEventQueue : public TEventQueue {
 public:
  TTimerData& Add(std::string_view handler, TObjectHandle sender = {}, const std::vector<std::string>& args = {});
  TTimerData* FirstPending() override;
  void RemoveLevel(int32_t level) override;
  void RemoveEvent(const TTimerData* event) override;
  void RemoveDispatched() override;
  void Clear() override { events_.clear(); }

  int Count() const { return static_cast<int>(events_.size()); }
  TTimerData& Event(int index) const { return *events_.at(static_cast<size_t>(index)); }
  // "handler@level" of every event, in order.
  std::vector<std::string> Describe() const;

 private:
  std::vector<std::unique_ptr<TTimerData>> events_;
};

// Objects by name; the two layers answer FindObject only.
class TestScene : public TSceneLink {
 public:
  TObjectHandle Add(std::string_view name);
  // The object leaves the scene; its handle goes stale.
  void Remove(TObjectHandle object);

  TObjectHandle FindObject(std::string_view name) override;
  TObjectHandle FindControl(std::string_view name) override;
  int IndexOfObject(TObjectHandle object) override;
  std::string GetName(TObjectHandle object) override;
  TEventQueue& Events() override { return queue; }
  void Clear() override;

  TestEventQueue queue;
  int clears = 0;

 private:
  struct Object {
    std::string name;
    TObjectHandle handle;
  };
  int Find(TObjectHandle object) const;
  std::vector<Object> objects_;
  uint32_t nextId_ = 1;
  uint32_t generation_ = 1;
};

// Files are available when the file manager has them, except the names made unavailable;
// save and load requests are recorded; the save captions are the test's.
class TestProject : public TProjectLink {
 public:
  bool FileAvailable(std::string_view name) override;
  void RequestSave(int32_t slot, std::string_view afterLoadPage, int32_t afterLoadIndex,
                   std::string_view caption) override;
  void RequestLoad(int32_t slot) override { loadSlot = slot; }
  const std::vector<TSaveCaption>& Captions() const override { return captions; }

  std::vector<TSaveCaption> captions;

  std::set<std::string, std::less<>> unavailable;
  int32_t saveSlot = -1, saveIndex = 0, loadSlot = -1;
  std::string savePage, saveCaption;
};

// Answers @Result from the call manager's top frame, as the system variables do; the other
// system variables have no engine state behind them.
class ResultProvider : public TSystemVariableProvider {
 public:
  explicit ResultProvider(TCallMan& interpreter) : interpreter_(interpreter) {}
  TCustomParam* SystemVariable(uint8_t id) override;

 private:
  TCallMan& interpreter_;
};

// Captures the debug log while it lives (the log is present).
class TraceCapture {
 public:
  TraceCapture();
  ~TraceCapture();
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;
  std::vector<std::string> lines;
};

// A system clock that moves only when told.
class VirtualClock : public TPlatformClock {
 public:
  VirtualClock() { SetPlatformClock(this); }
  ~VirtualClock() override { SetPlatformClock(nullptr); }
  uint32_t Milliseconds() override { return milliseconds; }
  double LocalNow() override { return now; }
  uint32_t milliseconds = 0;
  double now = 0;
};

// The frame values and the quit request start at 0 and are put back to 0 at the end.
class FrameScope {
 public:
  FrameScope() { ResetAll(); }
  ~FrameScope() { ResetAll(); }
  FrameScope(const FrameScope&) = delete;
  FrameScope& operator=(const FrameScope&) = delete;

 private:
  static void ResetAll();
};

// One frame as the shell runs it: the frame's delta joins the game clock, the interpreter
// runs once, the frame is counted.
void RunFrame(TCallMan& interpreter, int32_t delta = 16);

}  // namespace orva::kit
