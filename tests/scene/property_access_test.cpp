// Property access by code: the rows that do not follow the general rule, against a probe
// that records the accessor calls; the general rule with its conversions; every code on every
// kind of object; and the property commands of a page.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/encoding.h"
#include "core/fonts.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "scene/base_list.h"
#include "scene/property_access.h"
#include "scene_test_kit.h"
#include "script/call_manager.h"
#include "script/param_collection.h"
#include "script/script_error.h"

namespace orva {
namespace {

using scene_test::Log;
using scene_test::SceneFixture;
using scene_test::TTestBox;

// Answers the properties of the exception rows and logs their setters.
class TProbe : public TTestBox {
 public:
  using TTestBox::TTestBox;
  TFontStyles GetFontStyle() override { return style_; }
  void SetFontStyle(TFontStyles v) override { style_ = v, Note("FontStyle", FontStylesToInt(v)); }
  TFontStyles GetFontHoverStyle() override { return hoverStyle_; }
  void SetFontHoverStyle(TFontStyles v) override { hoverStyle_ = v, Note("FontHoverStyle", FontStylesToInt(v)); }
  std::string GetOnPlaying() override { return onPlaying_; }
  void SetOnPlaying(std::string_view v) override { onPlaying_ = v, Note("OnPlaying", v); }
  std::string GetText() override { return text_; }
  void SetText(std::string_view v) override { text_ = v, Note("Text", v); }
  void SetTextSource(uint8_t kind) override { Note("TextSource", kind); }
  std::string GetBorderSource(int i) override { return sources_.at(size_t(i)); }
  void SetBorderSource(int i, std::string_view v) override { sources_.at(size_t(i)) = v, Note(Indexed("BorderSource", i), v); }
  uint8_t GetBorderHAlign(int i) override { return hAligns_.at(size_t(i)); }
  void SetBorderHAlign(int i, uint8_t v) override { hAligns_.at(size_t(i)) = v, Note(Indexed("BorderHAlign", i), v); }
  uint8_t GetBorderVAlign(int i) override { return vAligns_.at(size_t(i)); }
  void SetBorderVAlign(int i, uint8_t v) override { vAligns_.at(size_t(i)) = v, Note(Indexed("BorderVAlign", i), v); }
  long double GetParam(int i) override { return params_.at(size_t(i)); }
  void SetParam(int i, long double v) override { params_.at(size_t(i)) = v, Note(Indexed("Param", i), double(v)); }
  TPoint GetCaretPos() override { return {11, 12}; }
  int32_t GetCaretHeight() override { return 13; }
  bool GetPlaying() override { return true; }

 private:
  static std::string Indexed(const char* name, int i) { return std::string(name) + "[" + std::to_string(i) + "]"; }
  template <class V>
  void Note(const std::string& what, const V& v) {
    std::ostringstream text;
    text << what << "=" << +v;
    Log().push_back(text.str());
  }
  void Note(const std::string& what, std::string_view v) { Log().push_back(what + "=" + std::string(v)); }

  TFontStyles style_, hoverStyle_;
  std::string onPlaying_, text_;
  std::vector<std::string> sources_ = std::vector<std::string>(9);
  std::vector<uint8_t> hAligns_ = std::vector<uint8_t>(9), vAligns_ = std::vector<uint8_t>(9);
  std::vector<long double> params_ = std::vector<long double>(3);
};

class PropertyAccessTest : public SceneFixture {
 protected:
  // A variable of the type holding the property, as text.
  std::string Read(TOrvaObject& object, uint8_t code, int type = PT_STR) {
    TParamCollectionItem& item = vars.AddVariable(type);
    GetProp(item, object, code);
    std::string text = item.GetAsString();
    vars.DeleteItem(item);
    return text;
  }
  void Write(TOrvaObject& object, uint8_t code, std::string_view text) {
    TParamStr value;
    value.SetAsString(text);
    SetProp(object, code, value);
  }
  TParamCollection vars;
};

TEST_F(PropertyAccessTest, TheRowsOutsideTheGeneralRule) {
  struct Row {
    uint8_t code;
    std::string written;
    std::vector<std::string> calls;  // the setter calls the write makes
    int readAs;
    std::string read;
  };
  const Row rows[] = {
      {PR_FONTSTYLE, "5", {"FontStyle=5"}, PT_INT, "5"},
      {PR_FONTHOVERSTYLE, "26", {"FontHoverStyle=10"}, PT_INT, "10"},  // only the four style bits
      // A handler reference is moved as text, whatever type the vocabulary gives the code.
      {PR_ONPLAYING, "play.osb", {"OnPlaying=play.osb"}, PT_BOOL, "FALSE"},
      {PR_ONPLAYING, "TRUE", {"OnPlaying=TRUE"}, PT_BOOL, "TRUE"},
      {PR_TEXT, "hello", {"TextSource=0", "Text=hello"}, PT_STR, "hello"},
      {PR_BORDERSOURCETL, "tl.bmp", {"BorderSource[0]=tl.bmp"}, PT_STR, "tl.bmp"},
      {PR_BORDERSOURCEBR, "br.bmp", {"BorderSource[8]=br.bmp"}, PT_STR, "br.bmp"},
      {PR_BORDERHALIGNT, "1", {"BorderHAlign[1]=1"}, PT_INT, "1"},
      {PR_BORDERHALIGNC, "2", {"BorderHAlign[4]=2"}, PT_INT, "2"},
      {PR_BORDERHALIGNB, "258", {"BorderHAlign[7]=2"}, PT_INT, "2"},  // a byte
      {PR_BORDERVALIGNL, "1", {"BorderVAlign[3]=1"}, PT_INT, "1"},
      {PR_BORDERVALIGNC, "2", {"BorderVAlign[4]=2"}, PT_INT, "2"},
      {PR_BORDERVALIGNR, "0", {"BorderVAlign[5]=0"}, PT_INT, "0"},
      {PR_PARAM1, "1.5", {"Param[0]=1.5"}, PT_FLOAT, "1.5"},
      {PR_PARAM2, "-2", {"Param[1]=-2"}, PT_INT, "-2"},
      {PR_PARAM3, "0.25", {"Param[2]=0.25"}, PT_STR, "0.25"},
      // Read-only: the write changes nothing and raises nothing.
      {PR_CARETX, "99", {}, PT_INT, "11"},
      {PR_CARETY, "99", {}, PT_INT, "12"},
      {PR_PLAYING, "FALSE", {}, PT_BOOL, "TRUE"},
      {PR_COMPOTYPE, "7", {}, PT_INT, std::to_string(LT_BOX)},
      {PR_CARETHEIGHT, "99", {}, PT_INT, "13"},
      {PR_APPEARX, "", {}, PT_INT, "0"},
      {PR_APPEARY, "", {}, PT_STR, "0"},
      // A flag, though the vocabulary says integer.
      {PR_HANDLEKEY, "TRUE", {}, PT_STR, "TRUE"},
      {PR_TAG, "tag", {}, PT_STR, "tag"},
      {PR_NAME, "renamed", {}, PT_STR, "renamed"},
  };
  TProbe* probe = CreateSceneObject<TProbe>(Scene());
  probe->SetParent(Scene().ActiveLayer());
  for (const Row& row : rows) {
    Log().clear();
    if (row.code != PR_APPEARX && row.code != PR_APPEARY) Write(*probe, row.code, row.written);
    EXPECT_EQ(Log(), row.calls) << PropertyNames[row.code] << " " << row.written;
    EXPECT_EQ(Read(*probe, row.code, row.readAs), row.read) << PropertyNames[row.code] << " " << row.written;
  }
}

TEST_F(PropertyAccessTest, ErrorsBeyondTheTableAndForTheAppearCodes) {
  TTestBox* box = Box("box", {0, 0, 1, 1});
  TParamCollectionItem& item = vars.AddVariable(PT_INT);
  for (int code : {162, 200, 255}) {
    EXPECT_THROW(GetProp(item, *box, uint8_t(code)), EScriptError);
    EXPECT_THROW(Write(*box, uint8_t(code), "1"), EScriptError);
  }
  try {
    Write(*box, PR_APPEARX, "1");
    FAIL();
  } catch (const EScriptError& e) {
    EXPECT_EQ(e.Message(), Sjis("SetPropエラー"));
  }
  EXPECT_THROW(Write(*box, PR_APPEARY, "1"), EScriptError);
  try {
    GetProp(item, *box, 162);
  } catch (const EScriptError& e) {
    EXPECT_EQ(e.Message(), Sjis("GetPropエラー"));
  }
}

TEST_F(PropertyAccessTest, PriorityLeavesTheOffsetOut) {
  TTestBox* box = Box("box", {0, 0, 1, 1});
  box->SetPriority(10);
  box->SetPriorityOffset(5);
  EXPECT_EQ(Read(*box, PR_PRIORITY, PT_INT), "10");
  Write(*box, PR_PRIORITY, "10");  // the same value keeps the offset
  EXPECT_EQ(box->GetPriorityOffset(), 5);
  Write(*box, PR_PRIORITY, "3");
  EXPECT_EQ(box->GetPriority(), 3);
  EXPECT_EQ(box->GetPriorityOffset(), 0);
}

TEST_F(PropertyAccessTest, ParentIsReadByNameAndFoundAsAControl) {
  TTestBox* box = Box("box", {0, 0, 1, 1});
  TTestBox* holder = Box("holder", {0, 0, 1, 1});
  scene_test::TTestComponent* component = Component("comp");
  EXPECT_EQ(Read(*box, PR_PARENT), "\x01" "BASE0");
  EXPECT_EQ(Read(*component, PR_PARENT), "");
  Write(*box, PR_PARENT, "holder");
  EXPECT_EQ(box->GetParent(), holder);
  // Names of no control change nothing: a component, nothing at all.
  Write(*box, PR_PARENT, "comp");
  Write(*box, PR_PARENT, "nobody");
  EXPECT_EQ(box->GetParent(), holder);
  // The layer names: "\x01BASE1" is layer 1 whichever is shown.
  Write(*box, PR_PARENT, "\x01" "BASE1");
  EXPECT_EQ(box->GetParent(), &Layer(1));
  Write(*box, PR_PARENT, "");
  EXPECT_EQ(box->GetParent(), &Layer(0));
  // A layer keeps having no parent.
  Write(Layer(1), PR_PARENT, "holder");
  EXPECT_EQ(Layer(1).GetParent(), nullptr);
}

TEST_F(PropertyAccessTest, TheGeneralRuleConvertsToTheTypeOfTheCode) {
  TTestBox* box = Box("box", {0, 0, 1, 1});
  TParamFloat real;
  real.SetAsFloat(-7.9L);
  SetProp(*box, PR_LEFT, real);  // truncated toward zero
  EXPECT_EQ(box->GetLeft(), -7);
  Write(*box, PR_TOP, "abc");
  EXPECT_EQ(box->GetTop(), 0);
  Write(*box, PR_VISIBLE, "true");  // only "TRUE" is true
  EXPECT_FALSE(box->GetVisible());
  Write(*box, PR_IGNOREMOUSE, "4");
  EXPECT_EQ(Read(*box, PR_IGNOREMOUSE, PT_INT), "4");
  EXPECT_EQ(Read(*box, PR_LEFT, PT_FLOAT), "-7");
  Write(*box, PR_ONLBTNDOWN, "down.osb");
  EXPECT_EQ(box->GetOnLBtnDown(), "down.osb");
  // A property the class does not have reads neutral and ignores writes.
  scene_test::TTestComponent* component = Component("comp");
  EXPECT_EQ(Read(*component, PR_IGNOREMOUSE, PT_INT), "0");
  Write(*component, PR_ALPHA, "3");
  EXPECT_EQ(Read(*component, PR_ALPHA, PT_INT), "255");
}

TEST_F(PropertyAccessTest, EveryCodeOnEveryKindOfObject) {
  TTestBox* box = Box("box", {0, 0, 1, 1});
  std::vector<TOrvaObject*> objects = {box, Component("comp"), &Layer(0), &Scene()};
  TParamStr value;
  for (TOrvaObject* object : objects)
    for (int code = 0; code < PropertyCount; ++code)
      for (int type : {PT_INT, PT_FLOAT, PT_BOOL, PT_STR}) {
        TParamCollectionItem& item = vars.AddVariable(type);
        EXPECT_NO_THROW(GetProp(item, *object, uint8_t(code))) << code;
        value.SetAsString(item.GetAsString());
        if (code != PR_APPEARX && code != PR_APPEARY && code != PR_NAME && code != PR_PARENT) {
          EXPECT_NO_THROW(SetProp(*object, uint8_t(code), value)) << code;
        }
        vars.DeleteItem(item);
      }
}

// The property commands of a page through the real call manager and scene link.
TEST_F(PropertyAccessTest, ThePropertyCommandsOfAPage) {
  kit::FrameScope frames;
  kit::GameFiles files;
  kit::TestProject project;
  TCallMan man{vars};
  kit::ResultProvider results{man};
  vars.SetSystemVariables(&results);
  man.SetScene(&Scene().Link());
  man.SetProject(&project);
  vars.AddVariable(PT_INT).SetName("x");
  vars.AddVariable(PT_STR).SetName("s");
  TTestBox* box = Box("box", {5, 0, 1, 1});
  files.Add("start.osb", kit::PageBuilder()
                             .GetProp("\"box\"", "3", "x")    // LEFT
                             .SetProp("\"box\"", "4", "x + 1")  // TOP
                             .SetProp("", "8", "255")         // the shown layer's COLOR
                             .SetProp("\"box\"", "", "1")     // no code: dropped
                             .GetProp("\"nobody\"", "", "x")  // no object: nothing
                             .GetProp("\"box\"", "0", "s")
                             .SetProp("\"box\"", "93", "1")   // raises, dropped
                             .SetProp("\"box\"", "5", "7"));
  man.Start("start.osb");
  for (int i = 0; i < 3; ++i) kit::RunFrame(man);
  man.SetScene(nullptr);
  EXPECT_EQ(vars.Find("x")->GetAsInteger(), 5);
  EXPECT_EQ(box->GetTop(), 6);
  EXPECT_EQ(Layer(0).GetColor(), 255);
  EXPECT_EQ(vars.Find("s")->GetAsString(), "box");
  EXPECT_EQ(box->GetWidth(), 7);
}

}  // namespace
}  // namespace orva
