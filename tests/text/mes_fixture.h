#pragma once
// Message boxes on a headless scene: a 640 × 480 32-bit back buffer, glyphs from the fake
// rasteriser (every character a square cell of its size), the text subsystem registered
// with the backlog and read marks, and the real call manager with the scene's and the text
// subsystem's links, stepped frame by frame as the shell steps it.

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "core/frame_clock.h"
#include "graphics/dibx.h"
#include "kit/fake_rasteriser.h"
#include "kit/game_files.h"
#include "kit/glyph_stream_builder.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "scene/base_list.h"
#include "scene/engine_variables.h"
#include "scene/object_factory.h"
#include "scene/scene_services.h"
#include "script/call_manager.h"
#include "script/param_collection.h"
#include "text/font_pixel_manager.h"
#include "text/history.h"
#include "text/orva_mes.h"
#include "text/read_marks.h"
#include "text/text_globals.h"

namespace orva::mes_test {

class THeadlessScreen : public TSceneScreen {
 public:
  int BitCount() override { return 32; }
  TCustomDIBX* BackBuffer() override { return &Surface; }
  TPoint CursorPos() override { return {}; }
  TDIBX Surface;
};

class MesFixture : public ::testing::Test {
 protected:
  MesFixture() : fake(std::make_shared<kit::FakeRasteriserState>()) {
    fake->AddFace("IPAGothic");
    previousManager_ = SetFontPixelManager(std::make_unique<TFontPixelManager>(kit::MakeFakeRasteriser(fake)));
    TSceneServices services;
    services.Screen = &screen;
    previousServices_ = SetSceneServices(services);
    RegisterTextSubsystem();
    CreateSceneGlobals();
    screen.Surface.SetSize(640, 480, 32);
    Scene().SetWidth(640);
    Scene().SetHeight(480);
    SetSceneVariables(&vars);
    vars.SetSystemVariables(&engine);
    engine.SetCallMan(&man);
    engine.SetHistory(&History());
    man.SetScene(&Scene().Link());
    man.SetText(&TextLink());
    man.SetProject(&project);
    History().SetInterpreter(&man);
    FrameDelta = 16;
  }
  ~MesFixture() override {
    man.SetScene(nullptr);
    man.SetText(nullptr);
    vars.SetSystemVariables(nullptr);
    FreeSceneGlobals();
    SetSceneVariables(nullptr);
    SetFontPixelManager(std::move(previousManager_));
    SetSceneServices(previousServices_);
  }

  TOrvaBaseList& Scene() { return *GetMainScene(); }
  TOrvaNewHistory& History() { return *GetHistory(); }
  TOrvaReadList& Marks() { return *GetReadMarks(); }

  // A message box on the shown layer: its font 20 px, text at once (TEXTDELAY 0), 5 × 2
  // characters to a page when 100 × 40.
  TOrvaMes& Box(std::string_view name, int32_t width = 100, int32_t height = 40) {
    auto* box = static_cast<TOrvaMes*>(Scene().CreateObject(LT_MES));
    box->SetName(name);
    box->SetParent(Scene().ActiveLayer());
    box->SetBounds(10, 20, width, height);
    box->SetFontHeight(20);
    return *box;
  }

  // One frame as the shell steps it, without presenting.
  void Frame(int32_t delta = 16) {
    Scene().ProcessInput();
    kit::RunFrame(man, delta);
    Scene().Idle();
    Scene().Paint();
    Scene().GetLayer(0)->DirtyRects().Clear();
    Scene().GetLayer(1)->DirtyRects().Clear();
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) Frame();
  }
  // The scene's update alone: the box's Idle without the interpreter.
  void Idle() { Scene().Idle(); }

  // Queued events as "kind(arg,arg)", in queue order; then the queue is emptied.
  std::vector<std::string> TakeEvents() {
    std::vector<std::string> out;
    TTimerList& events = Scene().Events();
    for (int i = 0; i < events.Count(); ++i) {
      const TTimerData& e = *events.GetEvent(i);
      std::string text = std::to_string(e.Kind) + "(";
      for (int a = 0; a < e.Args.Count(); ++a) text += (a ? "," : "") + e.Args[a];
      out.push_back(text + ")");
    }
    events.Clear();
    return out;
  }

  // The page, and a text command page that fills the box with it.
  void StartPage(kit::PageBuilder& page, std::string_view name = "start.osb") {
    files.Add(name, page);
    man.Start(name);
  }
  // INT32_MIN while the variable does not exist.
  int32_t Var(std::string_view name) {
    const TParamCollectionItem* item = vars.Find(name);
    return item ? item->GetAsInteger() : INT32_MIN;
  }

  std::shared_ptr<kit::FakeRasteriserState> fake;
  THeadlessScreen screen;
  kit::FrameScope frameScope;
  kit::GameFiles files;
  TParamCollection vars;
  kit::TestProject project;
  TCallMan man{vars};
  TEngineVariables engine{vars};

 private:
  std::unique_ptr<TFontPixelManager> previousManager_;
  TSceneServices previousServices_;
};

// A glyph stream of plain text (one record per character) with line and page breaks: "\n"
// a line break, "\f" a page break.
inline std::string Glyphs(std::string_view text, int32_t wait = 0) {
  kit::GlyphStream stream(102);
  stream.Decoration({});
  for (char c : text) {
    if (c == '\n')
      stream.Return();
    else if (c == '\f')
      stream.Return(true);
    else
      stream.Char(static_cast<uint8_t>(c), 0, wait);
  }
  return stream.Bytes();
}

}  // namespace orva::mes_test
