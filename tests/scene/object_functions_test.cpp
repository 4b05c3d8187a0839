// GetProp and SetProp called by scripts on the objects of the main scene.
#include <gtest/gtest.h>

#include "../script/builtin_rows.h"
#include "scene/base_list.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using script_test::RunExpression;

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
}

}  // namespace
}  // namespace orva
