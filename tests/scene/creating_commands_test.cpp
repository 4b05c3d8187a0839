// The object-creating commands under the real call manager and scene: objects made by type
// code, configured in the vocabulary's creation order with each code's kind and default,
// started or opened after configuration, and invalidated last.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <stdexcept>

#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "scene/base_list.h"
#include "script/call_manager.h"
#include "script/component_commands.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using kit::PageBuilder;
using kit::Prop;
using scene_test::SceneFixture;

std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}

// Every setter and call a creation reaches, logged as "Name(value)".
template <class Base>
class TRecording : public Base {
 public:
  TRecording(TOrvaBaseList* owner, uint8_t type) : Base(owner), type_(type) {}
  uint8_t GetCompoType() override { return type_; }
  void SetName(std::string_view v) override {
    Log("SetName", std::string(v));
    Inside inside(depth_);
    Base::SetName(v);
  }
  void SetParent(TOrvaControl* p) override {
    Log("SetParent", p ? p->GetName() : "none");
    Inside inside(depth_);
    Base::SetParent(p);
  }
  void SetSource(std::string_view v) override { Log("SetSource", std::string(v)); }
  void SetLeft(int32_t v) override {
    Log("SetLeft", v);
    Inside inside(depth_);
    Base::SetLeft(v);
  }
  void SetTop(int32_t v) override {
    if (v == 666) throw std::runtime_error("no such top");
    Log("SetTop", v);
    Inside inside(depth_);
    Base::SetTop(v);
  }
  void SetWidth(int32_t v) override {
    Log("SetWidth", v);
    Inside inside(depth_);
    Base::SetWidth(v);
  }
  void SetHeight(int32_t v) override {
    Log("SetHeight", v);
    Inside inside(depth_);
    Base::SetHeight(v);
  }
  void SetZoomX(int32_t v) override { Log("SetZoomX", v); }
  void SetZoomY(int32_t v) override { Log("SetZoomY", v); }
  void SetColor(int32_t v) override { Log("SetColor", v); }
  void SetAlpha(int32_t v) override { Log("SetAlpha", v); }
  void SetFontHeight(int32_t v) override { Log("SetFontHeight", v); }
  void SetDelay(int32_t v) override {
    Log("SetDelay", v);
    delay_ = v;
  }
  int32_t GetDelay() override { return delay_; }
  void SetVisible(bool v) override {
    Log("SetVisible", v);
    Inside inside(depth_);
    Base::SetVisible(v);
  }
  void SetOverlay(bool v) override { Log("SetOverlay", v); }
  void SetText(std::string_view v) override { Log("SetText", std::string(v)); }
  void SetOnPlaying(std::string_view v) override { Log("SetOnPlaying", std::string(v)); }
  void SetParam(int i, long double v) override { Log("SetParam" + std::to_string(i), static_cast<double>(v)); }
  void SetPlusX(int32_t v) override { Log("SetPlusX", v); }
  void SetTextSource(uint8_t v) override { Log("SetTextSource", int(v)); }
  void FitSizeToParent() override { Calls().push_back(this->GetName() + ":FitSizeToParent"); }
  void AssignExpression(uint8_t code, const TOrvaParser& expr) override {
    Log("AssignExpression" + std::to_string(code), expr.Count() > 0 ? "set" : "empty");
  }
  void Play(uint8_t mode) override { Log("Play", int(mode)); }
  // Only the calls the creation makes; the setters' own invalidations are not logged.
  void Invalidate() override {
    if (depth_ == 0) Calls().push_back(this->GetName() + ":Invalidate");
    Base::Invalidate();
  }

 private:
  struct Inside {
    explicit Inside(int& depth) : depth_(++depth) {}
    ~Inside() { --depth_; }
    int& depth_;
  };
  template <class V>
  void Log(const std::string& what, const V& v) {
    std::ostringstream text;
    text << this->GetName() << ":" << what << "(" << std::boolalpha << v << ")";
    Calls().push_back(text.str());
  }
  uint8_t type_;
  int32_t delay_ = 0;
  int depth_ = 0;
};

class CreatingCommands : public SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    Calls().clear();
    for (uint8_t type : {LT_BOX, LT_IMAGES, LT_PARTICLE, LT_VIDEO, LT_MENU})
      saved_.emplace_back(type, RegisterObjectClass(type, [type](TOrvaBaseList& s) -> TOrvaObject* {
                            return CreateSceneObject<TRecording<TOrvaControl>>(s, type);
                          }));
    for (uint8_t type : {LT_TIMER, LT_SOUND})
      saved_.emplace_back(type, RegisterObjectClass(type, [type](TOrvaBaseList& s) -> TOrvaObject* {
                            return CreateSceneObject<TRecording<TOrvaComponent>>(s, type);
                          }));
    saved_.emplace_back(LT_WAVE, RegisterObjectClass(LT_WAVE, {}));
    man.SetScene(&Scene().Link());
    vars.SetSystemVariables(&results);
    vars.AddVariable(PT_INT).SetName("x");
  }
  void TearDown() override {
    man.SetScene(nullptr);
    for (auto& [type, constructor] : saved_) RegisterObjectClass(type, constructor);
    SceneFixture::TearDown();
  }
  // Runs the page to its end (a step that raised ends its frame's run).
  void Run(PageBuilder& page) {
    page.Calc("x = 1");
    files.Add("start.osb", page);
    man.Start("start.osb");
    for (int frame = 0; frame < 3; ++frame) kit::RunFrame(man);
    ASSERT_EQ(vars.Find("x")->GetAsInteger(), 1) << "the page did not run to its end";
  }
  std::vector<std::string> CallsOf(std::string_view name) {
    std::vector<std::string> calls;
    for (const std::string& c : Calls())
      if (c.starts_with(std::string(name) + ":")) calls.push_back(c.substr(name.size() + 1));
    return calls;
  }

  kit::FrameScope frameScope;
  kit::GameFiles files;
  TParamCollection vars;
  TCallMan man{vars};
  kit::ResultProvider results{man};
  std::vector<std::pair<uint8_t, TObjectConstructor>> saved_;
};

TEST(CreationKinds, EveryCodeUpToTheLastHasTheKindOfItsPropertyExceptTheHandlerReadings) {
  const std::set<int> never = {PR_CARETX, PR_CARETY, PR_APPEARX, PR_APPEARY, PR_PLAYING, PR_COMPOTYPE};
  for (int code = 0; code <= LastCreationProperty; ++code) {
    const TCreationKind kind = CreationKindOf(code);
    if (never.contains(code)) {
      EXPECT_EQ(kind.Type, PT_NONE) << PropertyNames[code];
      continue;
    }
    const TParamType expected = code == PR_ONPLAYING ? PT_STR : code == PR_HANDLEKEY ? PT_BOOL : PropertyTypes[code];
    EXPECT_EQ(kind.Type, expected) << PropertyNames[code];
  }
  EXPECT_EQ(LastCreationProperty, PR_FONTHOVERSHADOWCOLOR);
}

TEST_F(CreatingCommands, PropertiesAreAppliedInCreationOrderAndTheObjectIsInvalidatedLast) {
  PageBuilder page;
  page.Component(TCommandCode::BoxNew, {{PR_LEFT, "10"},
                                        {PR_NAME, "\"b\""},
                                        {PR_WIDTH, "30"},
                                        {PR_SOURCE, "\"a.vsk\""},
                                        {PR_TEXT, "\"hi\""},
                                        {PR_ZOOMY, "128"},
                                        {PR_PLUSX, "5"},
                                        {PR_CARETX, "5"},
                                        {PR_FONTHEIGHT, "20"}});
  Run(page);
  // The box starts on the shown layer under its automatic name; PR_PLUSX and PR_CARETX
  // are read from the page but never applied.
  EXPECT_EQ(Calls(), (std::vector<std::string>{
                         "object0:SetParent(\x01" "BASE0)", "object0:SetName(b)", "b:SetSource(a.vsk)",
                         "b:SetZoomY(128)", "b:SetWidth(30)", "b:FitSizeToParent", "b:SetLeft(10)",
                         "b:SetFontHeight(20)", "b:SetTextSource(0)", "b:SetText(hi)", "b:Invalidate"}));
}

TEST_F(CreatingCommands, ValuelessSlotsPassTheirDefaultsAndValuesAreReadAsTheCodesKind) {
  PageBuilder page;
  page.Component(TCommandCode::BoxNew, {{PR_NAME, "\"b\""},
                                        {PR_VISIBLE, ""},
                                        {PR_OVERLAY, ""},
                                        {PR_ALPHA, ""},
                                        {PR_ZOOMX, ""},
                                        {PR_COLOR, ""},
                                        {PR_FONTHEIGHT, ""},
                                        {PR_SOURCE, ""},
                                        {PR_PARAM1, ""},
                                        {PR_LEFT, "2.7"},
                                        {PR_TOP, "\"12\""},
                                        {PR_PARAM2, "3"},
                                        {PR_ONPLAYING, "\"h.osb\""}});
  Run(page);
  const std::vector<std::string> calls = CallsOf("b");
  for (const char* expected : {"SetVisible(true)", "SetOverlay(true)", "SetAlpha(255)", "SetZoomX(256)",
                               "SetColor(-1)", "SetFontHeight(16)", "SetSource()", "SetParam0(0)", "SetLeft(2)",
                               "SetTop(12)", "SetParam1(3)", "SetOnPlaying(h.osb)"})
    EXPECT_NE(std::find(calls.begin(), calls.end(), expected), calls.end()) << expected;
}

TEST_F(CreatingCommands, NameAndParent) {
  TOrvaControl* host = Box("host", {0, 0, 100, 100});
  PageBuilder page;
  page.Component(TCommandCode::BoxNew, {{PR_NAME, "\"\""}, {PR_PARENT, "\"host\""}})
      .Component(TCommandCode::BoxNew, {{PR_NAME, "\"lost\""}, {PR_PARENT, "\"missing\""}})
      .Component(TCommandCode::WaveNew, {})
      .Component(TCommandCode::Timer, {});
  Run(page);
  // An empty name keeps the automatic one; a missing parent gives the shown layer.
  TOrvaObject* unnamed = Scene().FindObject("object0");
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(unnamed->GetParent(), host);
  ASSERT_NE(Scene().FindObject("lost"), nullptr);
  EXPECT_EQ(Scene().FindObject("lost")->GetParent(), Scene().ActiveLayer());
  // A timer without any slot is made with its class defaults; a wave has no class here.
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"host", "object0", "lost", "object1"}));
  EXPECT_EQ(Scene().FindObject("object1")->GetCompoType(), LT_TIMER);
}

TEST_F(CreatingCommands, ANamesakeComponentIsReplacedAndANamesakeControlRenamed) {
  PageBuilder page;
  page.Component(TCommandCode::Timer, {{PR_NAME, "\"t\""}, {PR_DELAY, "1"}})
      .Component(TCommandCode::Timer, {{PR_NAME, "\"t\""}, {PR_DELAY, "2"}})
      .Component(TCommandCode::BoxNew, {{PR_NAME, "\"b\""}, {PR_LEFT, "1"}})
      .Component(TCommandCode::BoxNew, {{PR_NAME, "\"b\""}, {PR_LEFT, "2"}});
  Run(page);
  Scene().Idle();
  EXPECT_EQ(Scene().FindObject("t")->GetDelay(), 2);
  EXPECT_EQ(Scene().FindObject("b")->GetLeft(), 2);
  EXPECT_EQ(Scene().FindObject("b_2")->GetLeft(), 1);
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"t", "b_2", "b"}));
}

TEST_F(CreatingCommands, MediaStartAndMenusOpenOnceConfigured) {
  PageBuilder page;
  page.Component(TCommandCode::Sound, {{PR_NAME, "\"now\""}, {PR_DELAY, "0"}})
      .Component(TCommandCode::Sound, {{PR_NAME, "\"fade\""}, {PR_DELAY, "500"}})
      .Component(TCommandCode::Movie, {{PR_NAME, "\"movie\""}})
      .Component(TCommandCode::Menu, {{PR_NAME, "\"menu\""}, {PR_LEFT, "4"}});
  Run(page);
  EXPECT_EQ(CallsOf("now").back(), "Play(0)");  // LP_PLAY
  EXPECT_EQ(CallsOf("fade"), (std::vector<std::string>{"SetDelay(500)", "Invalidate", "Play(1)"}));
  EXPECT_EQ(CallsOf("movie").back(), "Play(0)");
  EXPECT_EQ(CallsOf("menu"), (std::vector<std::string>{"FitSizeToParent", "SetLeft(4)", "Invalidate", "Play(1)"}));
}

TEST_F(CreatingCommands, ImagesAndParticlesKeepCopiesOfTheirExpressionsBeforeConfiguration) {
  PageBuilder page;
  page.Component(TCommandCode::ImgNew, {{PR_NAME, "\"a\""}, {PR_DELAY, "x * 100"}})
      .Component(TCommandCode::ParticleNew, {{PR_NAME, "\"p\""}, {PR_APPEARX, "5"}});
  Run(page);
  // The image's copy holds the compiled "x * 100"; without a slot the copy is empty.
  const std::string delay = std::to_string(PR_DELAY);
  EXPECT_EQ(Calls(), (std::vector<std::string>{
                         "object0:SetParent(\x01" "BASE0)", "object0:AssignExpression" + delay + "(set)",
                         "object0:SetName(a)", "a:SetDelay(0)", "a:Invalidate",
                         "object0:SetParent(\x01" "BASE0)",
                         "object0:AssignExpression" + std::to_string(PR_APPEARX) + "(set)",
                         "object0:AssignExpression" + std::to_string(PR_APPEARY) + "(empty)",
                         "object0:AssignExpression" + delay + "(empty)", "object0:SetName(p)", "p:Invalidate"}));
}

TEST_F(CreatingCommands, ASetterThatFailsEndsTheConfigurationButNotTheScript) {
  PageBuilder page;
  page.Component(TCommandCode::BoxNew, {{PR_NAME, "\"b\""}, {PR_LEFT, "7"}, {PR_TOP, "666"}, {PR_COLOR, "3"}});
  Run(page);
  EXPECT_EQ(CallsOf("b"), (std::vector<std::string>{"FitSizeToParent", "SetLeft(7)"}));
  EXPECT_EQ(Scene().FindObject("b")->GetLeft(), 7);
}

}  // namespace
}  // namespace orva
