#include "script/call_manager.h"

#include <algorithm>
#include <cstdio>

#include "core/app_control.h"
#include "core/file_manager.h"
#include "core/frame_clock.h"
#include "core/sjis.h"
#include "script/param_collection.h"
#include "script/project_link.h"
#include "script/script_error.h"

namespace orva {
namespace {

// The fewest bytes of a stored frame: two empty strings, the index, two flags, an empty
// result name, an empty argument list, an empty sender name, the run-state size and the
// value type.
constexpr int64_t kMinFrameBytes = 4 + 4 + 1 + 1 + 4 + 4 + 4 + 4 + 1;

// The page file of a handler reference's page part: its last three characters replaced by
// "osb" (a part shorter than that leaves only "osb").
std::string HandlerPageFile(const std::string& pagePart) {
  return pagePart.substr(0, pagePart.size() >= 3 ? pagePart.size() - 3 : 0) + "osb";
}

void WriteValue(TStream& stream, const TCustomParam* value) {
  const TParamKind kind = value ? value->Kind() : pkVar;
  if (kind < pkInt || kind > pkStr) {
    WriteStreamByte(stream, 0);
    return;
  }
  WriteStreamByte(stream, kind);
  value->SaveToStream(stream);
}

std::unique_ptr<TCustomParam> ReadValue(TStream& stream) {
  const uint8_t type = ReadStreamByte(stream);
  if (type == 0) return nullptr;
  if (type > PT_STR) throw EReadError("Stream read error");
  std::unique_ptr<TCustomParam> value = CreateParam(type);
  value->LoadFromStream(stream);
  return value;
}

}  // namespace

// ---- TStack ----

void TStack::Assign(const TStack& source) {
  if (&source == this) return;
  PageName = source.PageName;
  ReturnIndex = source.ReturnIndex;
  Prepared = source.Prepared;
  ResultName = source.ResultName;
  Args.Assign(source.Args);
  Sender = source.Sender;
  Continue = source.Continue;
  RunState = source.RunState ? std::make_unique<TMemoryStream>(source.RunState->View()) : nullptr;
  Result.reset();
  if (source.Result) {
    Result = CreateParam(source.Result->Kind());
    if (Result) Result->Assign(*source.Result);
  }
}

void TStack::SaveToStream(TStream& stream, TSceneLink* scene) const {
  WriteStreamString(stream, PageName);
  WriteStreamInt(stream, ReturnIndex);
  WriteStreamBool(stream, Prepared);
  WriteStreamBool(stream, Continue);
  WriteStreamString(stream, ResultName);
  Args.SaveToStream(stream);
  WriteStreamString(stream, scene && scene->IndexOfObject(Sender) >= 0 ? scene->GetName(Sender) : std::string());
  const int64_t size = RunState ? RunState->GetSize() : 0;
  WriteStreamInt(stream, static_cast<int32_t>(size));
  if (size > 0) stream.WriteBuffer(RunState->Memory(), size);
  WriteValue(stream, Result.get());
}

void TStack::LoadFromStream(TStream& stream, TSceneLink* scene) {
  ReadStreamString(stream, PageName);
  ReturnIndex = ReadStreamInt(stream);
  Prepared = ReadStreamBool(stream);
  Continue = ReadStreamBool(stream);
  ReadStreamString(stream, ResultName);
  Args.LoadFromStream(stream);
  const std::string sender = ReadStreamString(stream);
  Sender = scene && !sender.empty() ? scene->FindObject(sender) : TObjectHandle{};
  const int32_t size = ReadStreamCount(stream, 1);
  if (size > 0) {
    if (!RunState) RunState = std::make_unique<TMemoryStream>();
    RunState->Clear();
    CopyBytes(*RunState, stream, size);
    RunState->SetPosition(0);
  } else {
    RunState.reset();
  }
  Result = ReadValue(stream);
}

// ---- TStackList ----

TStackList::TStackList(TParamCollection& vars) : vars_(vars), spare_(std::make_unique<TStack>()) {}

void TStackList::NoteDepth() { vars_.SetCallDepth(frames_.Count()); }

TStack& TStackList::Push() {
  TStack& frame = *frames_.Add(std::make_unique<TStack>());
  NoteDepth();
  return frame;
}

TStack& TStackList::Pop() {
  if (frames_.Empty()) RaiseScriptError("スタックエラー");
  const int last = frames_.Count() - 1;
  spare_->Assign(*frames_[last]);
  frames_.Delete(last);
  NoteDepth();
  return *spare_;
}

void TStackList::Clear() {
  frames_.Clear();
  NoteDepth();
}

void TStackList::SaveToStream(TStream& stream, TSceneLink* scene) const {
  spare_->SaveToStream(stream, scene);
  WriteStreamInt(stream, frames_.Count());
  for (const auto& frame : frames_) frame->SaveToStream(stream, scene);
}

void TStackList::LoadFromStream(TStream& stream, TSceneLink* scene) {
  Clear();
  spare_->LoadFromStream(stream, scene);
  const int32_t count = ReadStreamCount(stream, kMinFrameBytes);
  for (int32_t i = 0; i < count; ++i) Push().LoadFromStream(stream, scene);
}

// ---- TCallMan ----

TCallMan::TCallMan(TParamCollection& vars) : vars_(vars), stack_(vars) {}

TCallMan::~TCallMan() {
  page_ = nullptr;
  pages_.Clear();
}

bool TCallMan::FileAvailable(std::string_view name) {
  if (project_) return project_->FileAvailable(name);
  return !name.empty() && FileManager && FileManager->FileExists(name);
}

TPage* TCallMan::LoadPage(std::string_view name) {
  for (int i = 0; i < pages_.Count(); ++i) {
    if (pages_[i]->Name() != name) continue;
    if (i > 0) pages_.Insert(0, pages_.Extract(i));
    return pages_[0];
  }
  auto loaded = std::make_unique<TPage>(&vars_);
  loaded->LoadFromFile(name);
  TPage* page = pages_.Insert(0, std::move(loaded));
  // The oldest pages go first, but never the current one.
  while (pages_.Count() > kCacheSize && pages_[pages_.Count() - 1] != page_) pages_.Delete(pages_.Count() - 1);
  return page;
}

TPage* TCallMan::GetPage(std::string_view name) {
  TPage* page = LoadPage(name);
  index_ = 0;
  return page;
}

TPage* TCallMan::Start(std::string_view name) {
  TPage* page = GetPage(name);
  page_ = page;
  index_ = 0;
  prepared_ = false;
  args_.Clear();
  state_ = 0;
  stack_.Clear();
  sender_ = {};
  if (scene_)
    for (int32_t level = 1; level <= eventLevel_; ++level) scene_->Events().RemoveLevel(level);
  eventLevel_ = 2;
  return page;
}

std::string TCallMan::GetArg(int32_t index) const {
  return index >= 0 && index < args_.Count() ? args_[index] : std::string();
}

std::string TCallMan::NameInScene(TObjectHandle object) const {
  return scene_ && !object.IsNone() && scene_->IndexOfObject(object) >= 0 ? scene_->GetName(object) : std::string();
}

TObjectHandle TCallMan::FindObject(std::string_view name) const {
  return scene_ && !name.empty() ? scene_->FindObject(name) : TObjectHandle{};
}

std::string TCallMan::GetSenderName() const { return state_ != 0 ? NameInScene(sender_) : std::string(); }

TCustomParam* TCallMan::ResultValue() const {
  return stack_.Count() > 0 ? stack_.Frame(stack_.Count() - 1).Result.get() : nullptr;
}

void TCallMan::Trace(const TPage& page, const TCommand& command) {
  char clock[16];
  std::snprintf(clock, sizeof clock, "%.8X", GameClock);
  OrvaLogWrite(std::string(clock) + " : " + page.Name() + "(" + std::to_string(command.Line()) + ")");
  lastTraced_ = command.Serial();
}

inline bool TCallMan::StepCommand(TPage*& page, bool& eventPoint) {
  const TPage& owner = *page;
  if (!owner.Contains(index_)) {
    page = nullptr;
    return false;
  }
  TCommand& command = owner.GetCommand(index_);
  const TPage* const pageBefore = page;
  const int32_t indexBefore = index_;
  try {
    if (OrvaLogWrite && command.Serial() != lastTraced_) Trace(owner, command);
    if (command.PlainStep()) {
      if (!prepared_) {
        if (command.StepDisabled()) {
          ++index_;
          return false;
        }
        prepared_ = true;
      }
      continue_ = command.StepContinues();
    } else {
      if (!prepared_) {
        if (command.GetDisabled()) {
          ++index_;
          return false;
        }
        command.Prepare(*this);
        prepared_ = true;
      }
      continue_ = command.GetContinue();
      eventPoint = command.IsEventPoint();
    }
    command.Step(*this, page, index_);
  } catch (const std::exception&) {
    // Dropped. A command that had not moved on is prepared or stepped again next time; one
    // that had (it advances before it acts) leaves the next command to be prepared.
    if (page != pageBefore || index_ != indexBefore) prepared_ = false;
    return true;
  }
  if (page != pageBefore || index_ != indexBefore) prepared_ = false;
  return false;
}

inline int TCallMan::StepPage() {
  if (!page_) return 0;
  TPage* page = page_;
  bool eventPoint = false;
  stepRaised_ = StepCommand(page, eventPoint);
  const int result = eventPoint ? 2 : 0;
  if (page) {
    page_ = page;
    return result;
  }
  return EndPage(result);
}

int TCallMan::EndPage(int result) {
  // The page has ended. At the top the interpreter idles on it, past its end.
  if (stack_.Count() == 0) {
    continue_ = false;
    return result;
  }
  // The caller's page is loaded before its frame is popped: a page that cannot be loaded
  // raises with the stack, and the event level that counts its frames, as they were.
  const std::string& callerName = stack_.Frame(stack_.Count() - 1).PageName;
  TPage* caller = callerName.empty() ? nullptr : GetPage(callerName);
  vars_.DeleteDepth(stack_.Count());
  TStack& frame = stack_.Pop();
  // From here the return completes; what only a damaged save can make fail is dropped: a
  // result that does not copy, a running state that does not read (the command then starts
  // afresh).
  if (!frame.ResultName.empty() && frame.Result)
    if (TParamCollectionItem* target = vars_.Find(frame.ResultName)) {
      try {
        target->Assign(*frame.Result);
      } catch (const Exception&) {
      }
    }
  page_ = caller;
  index_ = frame.ReturnIndex;
  prepared_ = frame.Prepared;
  continue_ = frame.Continue;
  args_.Assign(frame.Args);
  sender_ = frame.Sender;
  if (frame.RunState && InPage(index_)) {
    frame.RunState->SetPosition(0);
    try {
      page_->GetCommand(index_).LoadRunState(*frame.RunState, *this);
    } catch (const Exception&) {
      prepared_ = false;
    }
  }
  if (sender_.IsNone()) return 1;
  return result == 2 ? 2 : -1;
}

int TCallMan::Dispatch(TTimerData& event, int32_t level) {
  if (InPage(index_) && prepared_ && page_->GetCommand(index_).BlocksEvents()) return 0;
  std::string pagePart = event.Handler;
  const std::string label = SplitLabel(pagePart);
  const std::string pageFile = HandlerPageFile(pagePart);
  if (!FileAvailable(pageFile)) return 0;
  // The handler page is loaded before its frame is pushed: a page that cannot be loaded
  // leaves the stack as it was. A page that is there but cannot be read never will be, so
  // its event leaves the queue (the events behind it and the pages run on) and the error,
  // naming the page, ends the frame's run.
  TPage* handler = nullptr;
  try {
    handler = LoadPage(pageFile);
  } catch (Exception& e) {
    scene_->Events().RemoveEvent(&event);
    e.SetSubject(pageFile);
    throw;
  } catch (...) {
    scene_->Events().RemoveEvent(&event);
    throw;
  }

  TStack& frame = stack_.Push();
  frame.PageName = page_ ? page_->Name() : std::string();
  frame.ReturnIndex = index_;
  frame.Prepared = prepared_;
  frame.Args.Assign(args_);
  frame.Sender = sender_;
  frame.Continue = continue_;
  if (InPage(index_) && prepared_) page_->GetCommand(index_).SaveRunState(frame.RunState, *this);

  page_ = handler;
  index_ = 0;
  if (!label.empty()) index_ = std::max(0, handler->IndexOfLabel(label));
  if (OrvaLogWrite && InPage(index_)) {
    char clock[16];
    std::snprintf(clock, sizeof clock, "%.8X", GameClock);
    OrvaLogWrite(std::string(clock) + " : <Event>" + pageFile + "(" +
                 std::to_string(page_->GetCommand(index_).Line()) + ")");
  }
  prepared_ = false;
  event.Level = level;
  args_.Assign(event.Args);
  sender_ = event.Sender;
  state_ = 1;
  return 1;
}

bool TCallMan::Execute() {
  int sinceCheck = 0;
  for (;;) {
    // The main level on a page with no event waiting, step after step: the iteration below
    // for that case, with less to look at.
    while (state_ == 0 && page_ && !PendingEvent()) {
      TPage* const pageBefore = page_;
      const int32_t indexBefore = index_;
      TPage* page = pageBefore;
      bool eventPoint = false;
      const bool raised = StepCommand(page, eventPoint);
      if (page)
        page_ = page;
      else
        EndPage(0);
      if (++sinceCheck == kLongRunSteps) {
        sinceCheck = 0;
        LongRunCheck();
      }
      if (QuitRequested || (!continue_ && state_ == 0)) return true;
      if (raised || (page_ == pageBefore && index_ == indexBefore && state_ == 0)) return true;
    }
    const TPage* const pageBefore = page_;
    const int32_t indexBefore = index_;
    const int32_t stateBefore = state_;
    stepRaised_ = false;
    bool endRun = false;
    switch (state_) {
      case 0:
        if (DispatchEvent(1) == 0) StepPage();
        break;
      case 1:
        switch (StepPage()) {
          case 1:
            if (scene_) scene_->Events().RemoveLevel(1);
            state_ = 0;
            continue_ = true;
            break;
          case 2:
            eventLevel_ = 2;
            state_ = 2;
            endRun = true;
            break;
          default:
            if (state_ != 1) continue_ = true;
            break;
        }
        break;
      case 2:
        if (DispatchEvent(eventLevel_) == 1) {
          ++eventLevel_;
          state_ = 3;
        } else {
          state_ = eventLevel_ <= 2 ? 1 : 3;
        }
        break;
      default:
        switch (StepPage()) {
          case 1:
          case -1:
            --eventLevel_;
            if (scene_) scene_->Events().RemoveLevel(eventLevel_);
            if (eventLevel_ <= 2) state_ = 2;
            break;
          case 2:
            state_ = 2;
            endRun = true;
            break;
          default: break;
        }
        break;
    }
    if (++sinceCheck == kLongRunSteps) {
      sinceCheck = 0;
      LongRunCheck();
    }
    if (endRun || QuitRequested || (!continue_ && state_ == 0)) break;
    // A step that raised, or one that changed nothing, would do the same again at once: the
    // frame's run ends, and the step is tried again in the next frame.
    if (stepRaised_ || (page_ == pageBefore && index_ == indexBefore && state_ == stateBefore)) break;
  }
  return true;
}

void TCallMan::SaveToStream(TStream& stream) const {
  WriteStreamString(stream, page_ ? page_->Name() : std::string());
  WriteStreamInt(stream, index_);
  WriteStreamBool(stream, continue_);
  WriteStreamBool(stream, prepared_);
  WriteStreamInt(stream, state_);
  WriteStreamString(stream, NameInScene(sender_));
  args_.SaveToStream(stream);
  stack_.SaveToStream(stream, scene_);
  WriteStreamInt(stream, eventLevel_);
  if (prepared_ && InPage(index_)) page_->GetCommand(index_).WriteRunState(stream, *this);
}

void TCallMan::EnterAfterLoadPage(std::string_view name, int32_t index) {
  TPage* page = LoadPage(name);
  if (page_) {
    TStack& frame = stack_.Push();
    frame.PageName = page_->Name();
    frame.ReturnIndex = index_;
    frame.Continue = continue_;
    frame.Prepared = prepared_;
    frame.Sender = sender_;
    frame.Args.Assign(args_);
  }
  page_ = page;
  index_ = index > 0 ? index : 0;
  // The page's first command is prepared before it runs, whatever state the save's
  // command was in; that state comes back with the frame.
  prepared_ = false;
}

void TCallMan::LoadFromStream(TStream& stream, int version) {
  const std::string name = ReadStreamString(stream);
  page_ = name.empty() ? nullptr : GetPage(name);
  index_ = ReadStreamInt(stream);
  continue_ = ReadStreamBool(stream);
  prepared_ = ReadStreamBool(stream);
  state_ = ReadStreamInt(stream);
  if (state_ < 0 || state_ > 3) throw EReadError("Stream read error");
  sender_ = FindObject(ReadStreamString(stream));
  args_.LoadFromStream(stream);
  stack_.LoadFromStream(stream, scene_);
  eventLevel_ = 2;
  if (version >= 116) {
    eventLevel_ = ReadStreamInt(stream);
    // Each level above 2 belongs to a frame pushed by a nested dispatch, and only states 2
    // and 3 nest: in states 0 and 1 frames pop without lowering the level, and in state 3
    // each pop lowers it. A level that does not fit its state would outlive its frames and
    // leave a state that no save could hold.
    if (eventLevel_ < 0 || eventLevel_ > stack_.Count() + 2 || (state_ < 2 && eventLevel_ > 2) ||
        (state_ == 3 && eventLevel_ < 1))
      throw EReadError("Stream read error");
  }
  if (prepared_ && InPage(index_)) page_->GetCommand(index_).LoadRunState(stream, *this);
}

}  // namespace orva
