#include "script/media_commands.h"

#include "core/app_control.h"
#include "core/data_tables.h"
#include "core/file_manager.h"
#include "core/stream.h"
#include "script/call_manager.h"
#include "script/page.h"
#include "script/param.h"
#include "script/param_collection.h"
#include "script/text_link.h"

namespace orva {

// ---- MovieStop, MediaPlay, MenuClose ----

void TComMovieStop::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  name_.LoadFromStream(stream);
  fade_.LoadFromStream(stream);
  LoadWaitExpressions(stream);
}

void TComMovieStop::Prepare(TCallMan& runner) {
  TParamCollection& vars = runner.Vars();
  blocksEvents_ = ExprBool(blocksExpr_, vars, false);
  wait_ = false;
  object_ = {};
  TSceneLink* scene = runner.Scene();
  const std::string name = ExprStr(name_, vars);
  const TObjectHandle found = scene && !name.empty() ? scene->FindObject(name) : TObjectHandle{};
  if (found.IsNone()) return;
  object_ = found;
  const int32_t fade = ExprInt(fade_, vars, 0);
  if (fade > 0) {
    // A fade needs the file that plays; an object stopped already has nothing to fade.
    const std::string source = scene->GetSourceText(object_);
    const uint8_t state = scene->GetPlayState(object_);
    if (!source.starts_with("CD_") && !(FileManager && FileManager->FileExists(source))) {
      object_ = {};
    } else if (state != LP_PLAY && state != LP_PLAYFADE) {
      object_ = {};
    } else {
      TParamInt delay;
      delay.SetAsInteger(fade);
      scene->SetProp(object_, PR_DELAY, delay);
      scene->Play(object_, LP_STOPFADE);
    }
  } else {
    scene->Play(object_, LP_STOP);
    scene->ScheduleFree(object_);
    object_ = {};
  }
  wait_ = ExprBool(waitExpr_, vars, false);
}

void TComMovieStop::Step(TCallMan& runner, TPage*&, int32_t& index) {
  TSceneLink* scene = runner.Scene();
  if (!object_.IsNone() && wait_ && scene && scene->IndexOfObject(object_) >= 0) return;
  ++index;
}

void TComMediaPlay::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  name_.LoadFromStream(stream);
}

void TComMediaPlay::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  TSceneLink* scene = runner.Scene();
  const std::string name = ExprStr(name_, runner.Vars());
  if (!scene || name.empty()) return;
  const TObjectHandle object = scene->FindObject(name);
  if (!object.IsNone()) scene->MediaPlay(object);
}

void TComMenuClose::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  name_.LoadFromStream(stream);
}

void TComMenuClose::Step(TCallMan& runner, TPage*&, int32_t& index) {
  target_ = {};
  const std::string name = ExprStr(name_, runner.Vars());
  if (!name.empty()) target_ = runner.FindObject(name);
  // Without the menu the command stays; the frame's run ends on a step that changes nothing.
  if (target_.IsNone()) return;
  runner.Scene()->Play(target_, LP_STOPFADE);
  ++index;
}

// ---- PCReset, Reset, Terminate ----

void TComPCReset::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  ReadStreamString(stream, pageName_);
  target_ = ReadStreamInt(stream);
  resetAll_ = ReadStreamBool(stream);
}

void TComPCReset::Step(TCallMan& runner, TPage*& page, int32_t& index) {
  if (resetAll_)
    ResetAll(runner, page, index);
  else
    ResetUnderHandlers(runner, page, index);
}

void TComPCReset::ResetAll(TCallMan& runner, TPage*& page, int32_t& index) {
  TParamCollection& vars = runner.Vars();
  TStackList& stack = runner.Stack();
  vars.DeleteDepth(stack.Count());
  // Commands that the stack would have resumed complete now (a Flip changes its layers).
  for (int i = stack.Count() - 1; i >= 0; --i) {
    TStack& frame = stack.Frame(i);
    vars.DeleteDepth(i);
    if (!frame.Sender.IsNone() || !frame.Prepared || frame.PageName.empty()) continue;
    const int32_t returnIndex = frame.ReturnIndex;
    TPage* resumed = runner.GetPage(frame.PageName);
    if (resumed->Contains(returnIndex)) resumed->GetCommand(returnIndex).Finish(runner);
  }
  page = runner.Start(pageName_);
  index = target_;
  if (TSceneLink* scene = runner.Scene()) scene->Events().Clear();
}

void TComPCReset::ResetUnderHandlers(TCallMan& runner, TPage*& page, int32_t& index) {
  TParamCollection& vars = runner.Vars();
  TStackList& stack = runner.Stack();
  vars.DeleteDepth(stack.Count());
  // The lowest frame pushed while a handler ran; below it, the highest frame without a
  // sender resumes the script underneath the handlers.
  int handlers = -1;
  for (int i = 0; i < stack.Count() && handlers < 0; ++i)
    if (!stack.Frame(i).Sender.IsNone()) handlers = i;
  // A handler runs while the interpreter is in a handler state with a sender, even one that
  // has left the scene meanwhile (a button freed at its own click).
  if (handlers < 0 && runner.State() != 0 && !runner.Sender().IsNone()) handlers = stack.Count();
  int resume = -1;
  for (int i = handlers - 1; i >= 0 && resume < 0; --i)
    if (stack.Frame(i).Sender.IsNone()) resume = i;
  if (resume >= 0) {
    vars.DeleteDepth(resume);
    TStack& frame = stack.Frame(resume);
    frame.PageName = pageName_;
    frame.ReturnIndex = target_;
    frame.Prepared = false;
    frame.ResultName.clear();
    frame.Args.Clear();
    frame.RunState.reset();
    ++index;
  } else {
    page = runner.GetPage(pageName_);
    index = target_;
  }
  if (TSceneLink* scene = runner.Scene()) scene->Events().RemoveDispatched();
}

void TComReset::Step(TCallMan& runner, TPage*& page, int32_t& index) {
  if (TSceneLink* scene = runner.Scene()) scene->Clear();
  runner.Vars().ResetGameVars();
  DBManager().ClearTemporary();
  if (TTextLink* text = runner.Text()) text->ClearHistory(true);
  page = runner.Start(PageName());
  index = Target();
}

void TComTerminate::Step(TCallMan&, TPage*&, int32_t&) {
  QuitRequested = true;
  PostMainWindowClose();
}

}  // namespace orva
