#pragma once
// The interpreter's run time: the cache of loaded pages, the current page and command, the
// call stack, the arguments and sender of the running page, and the dispatch of queued
// scene events to their handler pages. The project runs it once per frame.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/lists.h"
#include "core/stream.h"
#include "core/string_lists.h"
#include "script/page.h"
#include "script/param.h"
#include "script/scene_link.h"

namespace orva {

class TParamCollection;
class TProjectLink;
class TTextLink;

// One call frame: where to return to and what to restore there.
class TStack {
 public:
  std::string PageName;  // pages are found again by name: the cache may have dropped them
  int32_t ReturnIndex = 0;
  bool Prepared = false;
  std::string ResultName;  // receives the callee's result; empty for none
  TArrayString Args;
  TObjectHandle Sender;
  bool Continue = false;
  std::unique_ptr<TMemoryStream> RunState;  // of the interrupted command
  std::unique_ptr<TCustomParam> Result;     // the callee's @Result

  void Assign(const TStack& source);
  // The sender is written by name while it is in the scene, and found again by name.
  void SaveToStream(TStream& stream, TSceneLink* scene) const;
  void LoadFromStream(TStream& stream, TSceneLink* scene);
};

class TStackList {
 public:
  // Keeps the store's call depth equal to the number of frames.
  explicit TStackList(TParamCollection& vars);

  TStack& Push();
  // The spare frame holding a copy of the frame removed; "スタックエラー" when empty.
  TStack& Pop();
  void Clear();
  int Count() const { return frames_.Count(); }
  TStack& Frame(int index) const { return *frames_[index]; }
  TStack& Spare() const { return *spare_; }

  // The spare frame, the count, then every frame.
  void SaveToStream(TStream& stream, TSceneLink* scene) const;
  void LoadFromStream(TStream& stream, TSceneLink* scene);

 private:
  void NoteDepth();

  TParamCollection& vars_;
  TObjList<TStack> frames_;
  std::unique_ptr<TStack> spare_;
};

class TCallMan {
 public:
  static constexpr int kCacheSize = 10;

  // The store outlives the call manager (pages free their variables as they go).
  explicit TCallMan(TParamCollection& vars);
  ~TCallMan();
  TCallMan(const TCallMan&) = delete;
  TCallMan& operator=(const TCallMan&) = delete;

  // Neither owned; none until the scene and the project set themselves.
  void SetScene(TSceneLink* scene) { scene_ = scene; }
  TSceneLink* Scene() const { return scene_; }
  void SetText(TTextLink* text) { text_ = text; }
  TTextLink* Text() const { return text_; }
  void SetProject(TProjectLink* project) { project_ = project; }
  TProjectLink* Project() const { return project_; }
  TParamCollection& Vars() const { return vars_; }

  // Starts the named page from its first command with an empty call stack.
  TPage* Start(std::string_view name);
  // One run of the interpreter for the frame: steps commands and starts handler pages of
  // queued events until a command yields the frame (or QuitRequested is set, which the
  // long-run check of core/app_control.h may do in a run that does not yield). Always true.
  bool Execute();
  // The cached page of that name (exact comparison), else the page loaded now, moved to
  // the front of the cache; the command index becomes 0 once the page is there.
  TPage* GetPage(std::string_view name);
  // The project's answer, else whether the file manager finds the name.
  bool FileAvailable(std::string_view name);

  int32_t ArgCount() const { return args_.Count(); }
  // Empty outside the arguments.
  std::string GetArg(int32_t index) const;
  // The sender's name while a handler runs and the sender is in the scene; else empty.
  std::string GetSenderName() const;
  // Storage of @Result: the top frame's result value, none with an empty stack.
  TCustomParam* ResultValue() const;

  // The object's name while it is in the scene's object list, else empty: how saves name
  // the objects they hold.
  std::string NameInScene(TObjectHandle object) const;
  // The object of a saved name: none for an empty name, an absent one, or without a scene.
  TObjectHandle FindObject(std::string_view name) const;

  // The interpreter's part of a game save; `version` is the save's version.
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream, int version);
  // After a game load: the named page runs first, from its first command or from the index
  // when that is above 0, and then returns to where the save was taken (a call frame
  // without run state or result). A page that cannot be loaded raises and pushes nothing.
  void EnterAfterLoadPage(std::string_view name, int32_t index);

  // The run time the commands act on.
  TPage* CurrentPage() const { return page_; }
  int32_t CommandIndex() const { return index_; }
  void SetCommandIndex(int32_t index) { index_ = index; }
  bool Continue() const { return continue_; }
  void SetContinue(bool value) { continue_ = value; }
  bool Prepared() const { return prepared_; }
  int32_t State() const { return state_; }
  int32_t EventLevel() const { return eventLevel_; }
  TStackList& Stack() { return stack_; }
  TArrayString& Args() { return args_; }
  TObjectHandle Sender() const { return sender_; }
  int CachedPages() const { return pages_.Count(); }
  TPage& CachedPage(int index) const { return *pages_[index]; }

  // Trace of the command steps: the last command traced (by serial).
  uint64_t LastTraced() const { return lastTraced_; }
  void SetLastTraced(uint64_t serial) { lastTraced_ = serial; }

 private:
  // 0, 2 (the stepped command is an event point), 1 (a frame returned to a page without
  // sender) or -1 (to a handler).
  int StepPage();
  // The rest of a step that ended the current page; `result` is the step's.
  int EndPage(int result);
  // One step of the command at the index of `page` (the current page). Exceptions of the
  // trace, the preparation or the step are dropped; the answer says whether one was.
  bool StepCommand(TPage*& page, bool& eventPoint);
  void Trace(const TPage& page, const TCommand& command);
  // The first waiting event, none without a scene.
  TTimerData* PendingEvent() const { return scene_ ? scene_->Events().FirstPending() : nullptr; }
  // 1 when a handler was started at the level.
  int DispatchEvent(int32_t level) {
    TTimerData* event = PendingEvent();
    return event ? Dispatch(*event, level) : 0;
  }
  // The same for that event, the scene queue's first waiting one. An event whose page is
  // not available stays; one whose page cannot be loaded leaves the queue as the error
  // passes on.
  int Dispatch(TTimerData& event, int32_t level);
  // The page from the cache or the file, without touching the command index.
  TPage* LoadPage(std::string_view name);
  bool InPage(int32_t index) const { return page_ && page_->Contains(index); }

  TParamCollection& vars_;
  TSceneLink* scene_ = nullptr;
  TTextLink* text_ = nullptr;
  TProjectLink* project_ = nullptr;
  TObjList<TPage> pages_;  // most recently used first
  TPage* page_ = nullptr;
  int32_t index_ = 0;
  bool continue_ = false;
  TStackList stack_;
  bool prepared_ = false;
  TArrayString args_;
  int32_t state_ = 0;
  TObjectHandle sender_;
  int32_t eventLevel_ = 2;
  uint64_t lastTraced_ = 0;
  bool stepRaised_ = false;
};

}  // namespace orva
