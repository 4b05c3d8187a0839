// The scene object functions called by scripts on the objects of the main scene.
#include <gtest/gtest.h>

#include <set>

#include "../script/builtin_rows.h"
#include "scene/base_list.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using script_test::MakeVariable;
using script_test::RunExpression;

// A control with per-item check flags and a text of lines, as list boxes have.
class TTestList : public scene_test::TTestBox {
 public:
  using TTestBox::TTestBox;
  uint8_t GetCompoType() override { return LT_MENU; }
  bool GetItemCheck(int index) override { return checked.contains(index); }
  void SetItemCheck(int index, bool value) override {
    if (value) checked.insert(index);
    else checked.erase(index);
  }
  std::string GetText() override { return text; }
  std::set<int> checked;
  std::string text;
};

// A control with named buttons that have enabled and visible flags, as preview menus have;
// a button outside the list is neither.
class TTestPreviewMenu : public scene_test::TTestBox {
 public:
  using TTestBox::TTestBox;
  uint8_t GetCompoType() override { return LT_PREVMENU; }
  bool GetItemEnabled(int index) override { return Has(index) && enabled[static_cast<size_t>(index)]; }
  void SetItemEnabled(int index, bool value) override {
    if (Has(index)) enabled[static_cast<size_t>(index)] = value;
  }
  bool GetItemVisible(int index) override { return Has(index) && visible[static_cast<size_t>(index)]; }
  void SetItemVisible(int index, bool value) override {
    if (Has(index)) visible[static_cast<size_t>(index)] = value;
  }
  int32_t IndexOfItemName(std::string_view name) override {
    for (size_t i = 0; i < buttons.size(); ++i)
      if (buttons[i] == name) return static_cast<int32_t>(i);
    return -1;
  }
  bool Has(int index) const { return index >= 0 && index < static_cast<int>(buttons.size()); }
  std::vector<std::string> buttons{"start", "load", "7"};
  std::vector<bool> enabled{true, true, true}, visible{true, true, true};
};

class ObjectFunctions : public scene_test::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    vars.SetFunctions(&functions);
    functions.SetScene(&Scene().Link());
    box = Box("b", {10, 20, 30, 40});
  }
  std::string Eval(std::string_view text) { return RunExpression(vars, text); }

  TParamCollection vars;
  TSysFuncMan functions{vars};
  scene_test::TTestBox* box = nullptr;
};

TEST_F(ObjectFunctions, GetPropReadsByTheLowByteOfTheCode) {
  EXPECT_EQ(Eval("GetProp(\"b\", 3)"), "I:10");
  EXPECT_EQ(Eval("GetProp(\"b\", 261)"), "I:30");  // 261 reads code 5, WIDTH
  EXPECT_EQ(Eval("GetProp(\"b\", 1)"), "S:\x01" "BASE0");
  // The empty name is the shown layer.
  EXPECT_EQ(Eval("GetProp(\"\", 5) ++ GetProp(\"\", 0)"), "S:640\x01" "BASE0");
  EXPECT_EQ(Eval("GetProp(\"missing\", 3)"), "I:0");
  EXPECT_EQ(Eval("GetProp(\"b\", 162)"), "!GetPropの引数が違います");
}

TEST_F(ObjectFunctions, SetPropWritesTheValueConverted) {
  EXPECT_EQ(Eval("SetProp(\"b\", 3, 55)"), "S:");
  EXPECT_EQ(box->GetLeft(), 55);
  Eval("SetProp(\"b\", 260, \"12\")");  // code 4, TOP, from text
  EXPECT_EQ(box->GetTop(), 12);
  Eval("SetProp(\"b\", 5, 7.9)");
  EXPECT_EQ(box->GetWidth(), 7);
  Eval("SetProp(\"\", 151, \"t\")");
  EXPECT_EQ(Scene().ActiveLayer()->GetTag(), "t");
  EXPECT_EQ(Eval("SetProp(\"missing\", 3, 1)"), "S:");
  EXPECT_EQ(Eval("SetProp(\"b\", 162, 1)"), "!SetPropエラー");
  EXPECT_EQ(Eval("SetProp(\"b\", 92, 1)"), "!SetPropエラー");
  EXPECT_EQ(box->GetLeft(), 55);
}

TEST_F(ObjectFunctions, WithoutASceneNothingIsFound) {
  functions.SetScene(nullptr);
  EXPECT_EQ(Eval("GetProp(\"b\", 3) ++ SetProp(\"b\", 3, 1)"), "S:0");
  EXPECT_EQ(box->GetLeft(), 10);
  EXPECT_EQ(Eval("Exists(\"b\")"), "B:FALSE");
  EXPECT_EQ(Eval("ToScreenX(\"b\", 4)"), "I:4");
  EXPECT_EQ(Eval("IndexOfMenu(\"b\", \"x\")"), "I:-1");
  EXPECT_EQ(Eval("InPrimary(\"b\")"), "B:FALSE");
  MakeVariable(vars, "a:S[2]=p|q");
  EXPECT_EQ(Eval("ListCompo(a)"), "I:0");
}

// Controls on both layers, a child, a cabinet with a control in it, a component, a list and a
// preview menu, made in this order after the box b at (10, 20).
class SceneObjects : public ObjectFunctions {
 protected:
  void SetUp() override {
    ObjectFunctions::SetUp();
    Box("c", {5, 5, 10, 10}, box);
    Box("o", {0, 0, 10, 10}, &Layer(1));
    TOrvaControl* cabinet = Scene().CreateObject(LT_CABINET)->AsControl();
    cabinet->SetName("cab");
    cabinet->SetParent(Scene().ActiveLayer());
    Box("inCab", {0, 0, 10, 10}, cabinet);
    Component("comp");
    list = CreateSceneObject<TTestList>(Scene());
    list->SetName("list");
    list->SetParent(Scene().ActiveLayer());
    menu = CreateSceneObject<TTestPreviewMenu>(Scene());
    menu->SetName("menu");
    menu->SetParent(Scene().ActiveLayer());
  }
  // Runs the calls in order; their results joined by " ".
  std::string Steps(std::initializer_list<std::string_view> calls) {
    std::string out;
    for (std::string_view call : calls) out += (out.empty() ? "" : " ") + Eval(call);
    return out;
  }
  std::string Array(std::string_view name) { return script_test::DescribeVariable(*vars.Find(name)); }

  TTestList* list = nullptr;
  TTestPreviewMenu* menu = nullptr;
};

TEST_F(SceneObjects, ExistsAndCoordinates) {
  EXPECT_EQ(Steps({"Exists(\"\")", "Exists(\"b\")", "Exists(\"comp\")", "Exists(\"none\")"}),
            "B:FALSE B:TRUE B:TRUE B:FALSE");
  MakeVariable(vars, "other:S=\x01");
  EXPECT_EQ(Eval("Exists(other)"), "B:TRUE");
  // c lies at (15, 25) on the screen.
  EXPECT_EQ(Steps({"ToClientX(\"c\", 100)", "ToClientY(\"c\", 100)", "ToScreenX(\"c\", 1)", "ToScreenY(\"c\", 1)"}),
            "I:85 I:75 I:16 I:26");
  EXPECT_EQ(Steps({"ToClientX(\"none\", 7)", "ToClientY(\"none\", -7)", "ToScreenX(\"none\", 8)",
                   "ToScreenY(\"none\", 9)", "ToScreenX(\"\", 3)"}),
            "I:7 I:-7 I:8 I:9 I:3");
}

TEST_F(SceneObjects, ItemFlags) {
  EXPECT_EQ(Steps({"SetCheck(\"list\", 2, TRUE)", "GetCheck(\"list\", 2)", "GetCheck(\"list\", 1)",
                   "GetCheck(\"list\", \"2\")"}),
            "I:0 B:TRUE B:FALSE B:TRUE");
  // An object without items: not checked, enabled and visible, whatever is set.
  EXPECT_EQ(Steps({"SetVisible(\"b\", 1, FALSE)", "GetVisible(\"b\", 1)", "SetEnabled(\"b\", 1, FALSE)",
                   "GetEnabled(\"b\", \"x\")", "SetCheck(\"b\", 0, TRUE)", "GetCheck(\"b\", 0)"}),
            "B:FALSE B:TRUE I:0 B:TRUE I:0 B:FALSE");
  // Not found: the results keep their initial value.
  EXPECT_EQ(Steps({"GetVisible(\"none\", 1)", "GetEnabled(\"none\", 1)", "GetCheck(\"none\", 1)"}),
            "B:FALSE B:FALSE B:FALSE");
  // A preview menu's item: a strict integer text, else a button's exact name, else -1.
  EXPECT_EQ(Steps({"SetEnabled(\"menu\", \"load\", FALSE)", "GetEnabled(\"menu\", 1)",
                   "GetEnabled(\"menu\", \"0\")", "GetEnabled(\"menu\", \"LOAD\")",
                   "SetVisible(\"menu\", \"2\", FALSE)", "GetVisible(\"menu\", 2)", "GetVisible(\"menu\", \"7\")"}),
            "I:0 B:FALSE B:TRUE B:FALSE B:FALSE B:FALSE B:FALSE");
  EXPECT_EQ(menu->visible, (std::vector<bool>{true, true, false}));
  MakeVariable(vars, "s:S=start");
  MakeVariable(vars, "n:I=0");
  EXPECT_EQ(Steps({"SetVisible(\"menu\", s, FALSE)", "GetVisible(\"menu\", n)"}), "B:FALSE B:FALSE");
  // Only the text of a preview menu names a button; other objects read it as an integer.
  EXPECT_EQ(Eval("GetCheck(\"list\", \"start\")"), "B:FALSE");
}

TEST_F(SceneObjects, ListCompo) {
  MakeVariable(vars, "a:S=x");
  EXPECT_EQ(Eval("ListCompo(a)"), "I:8");
  EXPECT_EQ(Array("a"), "a:S[8]=b|c|o|cab|inCab|comp|list|menu");
  EXPECT_EQ(Eval("ListCompo(a, 2)"), "I:4");
  EXPECT_EQ(Array("a"), "a:S[4]=b|c|o|inCab");
  // The type's low byte; above the last type: any.
  EXPECT_EQ(Steps({"ListCompo(a, 258)", "ListCompo(a, 99)", "ListCompo(a, -1)", "ListCompo(a, 0)"}),
            "I:4 I:8 I:8 I:8");
  EXPECT_EQ(Eval("ListCompo(a, 0, \"b\")"), "I:1");
  EXPECT_EQ(Array("a"), "a:S[1]=c");
  EXPECT_EQ(Eval("ListCompo(a, 0, \"\")"), "I:4");
  EXPECT_EQ(Array("a"), "a:S[4]=b|cab|list|menu");
  // A parent that is not found lists the objects without one.
  EXPECT_EQ(Eval("ListCompo(a, 0, \"none\")"), "I:1");
  EXPECT_EQ(Array("a"), "a:S[1]=comp");
  // No match: 0, and the array becomes a scalar set from the empty text.
  EXPECT_EQ(Eval("ListCompo(a, 16)"), "I:0");
  EXPECT_EQ(Array("a"), "a:S=");
  MakeVariable(vars, "n:I[2]=1|2");
  EXPECT_EQ(Eval("ListCompo(n, 2, \"c\")"), "I:0");
  EXPECT_EQ(Array("n"), "n:I=0");
}

TEST_F(SceneObjects, IndexOfMenu) {
  list->text = "\r\n  Start\r\nload\rmid\nEND \r\n\r\n";
  EXPECT_EQ(Steps({"IndexOfMenu(\"list\", \"START\")", "IndexOfMenu(\"list\", \"Load\")",
                   "IndexOfMenu(\"list\", \"mid\")", "IndexOfMenu(\"list\", \"end\")",
                   "IndexOfMenu(\"list\", \"\")", "IndexOfMenu(\"list\", \" start\")"}),
            "I:0 I:1 I:2 I:3 I:-1 I:-1");
  list->text = "a\r\n\r\nb";
  EXPECT_EQ(Steps({"IndexOfMenu(\"list\", \"\")", "IndexOfMenu(\"list\", \"b\")"}), "I:1 I:2");
  EXPECT_EQ(Steps({"IndexOfMenu(\"none\", \"a\")", "IndexOfMenu(\"b\", \"\")"}), "I:-1 I:-1");
}

TEST_F(SceneObjects, InPrimary) {
  EXPECT_EQ(Steps({"InPrimary(\"b\")", "InPrimary(\"c\")", "InPrimary(\"o\")", "InPrimary(\"inCab\")",
                   "InPrimary(\"cab\")", "InPrimary(\"comp\")", "InPrimary(\"\")", "InPrimary(\"none\")"}),
            "B:TRUE B:TRUE B:FALSE B:FALSE B:TRUE B:FALSE B:FALSE B:FALSE");
  Scene().SetActiveBase(1, 0, 0, 0, true, false);
  EXPECT_EQ(Steps({"InPrimary(\"b\")", "InPrimary(\"o\")"}), "B:FALSE B:TRUE");
}

}  // namespace
}  // namespace orva
