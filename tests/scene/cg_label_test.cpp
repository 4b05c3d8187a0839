// Image captions: characters mapped to cells of a glyph sheet (two-byte characters as one,
// matched only at character starts), the size of the text, the three alignments, gaps for
// unknown characters, the frame step and the stored form.
#include <gtest/gtest.h>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "image_test_kit.h"
#include "kit/interpreter_doubles.h"
#include "kit/scene_builder.h"
#include "scene/cg_label.h"
#include "script/save_file.h"

namespace orva {
namespace {

using scene_test::ImageFixture;

// Cell k of the digit sheet is filled with the grey (k + 1) × 0x10.
uint32_t CellColour(int k) { return uint32_t(k + 1) * 0x101010; }

class CGLabel : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    FrameDelta = 16;
    // Ten 16 × 24 cells in one row.
    std::vector<std::vector<uint32_t>> rows(24, std::vector<uint32_t>(160));
    for (auto& row : rows)
      for (int x = 0; x < 160; ++x) row[size_t(x)] = CellColour(x / 16);
    AddPicture("digits.vsk", {{.Width = 160, .Height = 24, .Rows = rows}});
  }
  TOrvaCGLabel* Label(std::string_view text, std::string_view map = "0123456789") {
    auto* label = CreateSceneObject<TOrvaCGLabel>(Scene());
    label->SetParent(Scene().ActiveLayer());
    label->SetSource("digits.vsk");
    label->SetAlpha(255);
    label->SetGlyphWidth(16);
    label->SetGlyphHeight(24);
    label->SetMapText(map);
    label->SetText(text);
    label->SetLeft(100);
    label->SetTop(50);
    return label;
  }
  // The cell drawn at the glyph place (column, row) of a label at (100, 50); −1 for none.
  int CellAt(int column, int row) {
    const uint32_t p = Pixel(100 + column * 16 + 8, 50 + row * 24 + 12);
    for (int k = 0; k < 10; ++k)
      if (p == BackBuffer().ColorToPixel(int32_t(CellColour(k)))) return k;
    return -1;
  }

  kit::FrameScope frameScope;
};

TEST_F(CGLabel, TwoLinesOfDigitsSizeTheLabelAndAlignWithinIt) {
  TOrvaCGLabel* label = Label("12\r\n3");
  EXPECT_EQ(label->GetWidth(), 32);
  EXPECT_EQ(label->GetHeight(), 48);
  Repaint();
  EXPECT_EQ(CellAt(0, 0), 1);
  EXPECT_EQ(CellAt(1, 0), 2);
  EXPECT_EQ(CellAt(0, 1), 3);
  EXPECT_EQ(CellAt(1, 1), -1);
  label->SetHAlign(HA_RIGHT);
  Repaint();
  EXPECT_EQ(CellAt(0, 1), -1);
  EXPECT_EQ(CellAt(1, 1), 3) << "the 3 in the right column";
  // Centred: (32 − 16) div 2 = 8 pixels in.
  label->SetHAlign(HA_CENTER);
  Repaint();
  EXPECT_EQ(Pixel(100 + 8 + 1, 50 + 24 + 12), BackBuffer().ColorToPixel(int32_t(CellColour(3))));
  EXPECT_EQ(Pixel(100 + 7, 50 + 24 + 12), 0u);
  label->SetLineSpace(6);
  EXPECT_EQ(label->GetHeight(), 54);
  label->SetText("");
  EXPECT_EQ(label->GetWidth(), 0);
  EXPECT_EQ(label->GetHeight(), 0);
}

TEST_F(CGLabel, CharactersMapToCellsByCharacterNotByByte) {
  struct Case {
    std::string text, map;
    std::vector<int32_t> cells;
  } cases[] = {
      {"1x3", "0123456789", {1, -1, 3}},
      // A two-byte character is one character in TEXT and one cell in MAPTEXT.
      {"\x82\xA0" "1", "\x82\xA0" "1", {0, 1}},
      // "A" is the trail byte of the first character: it matches only the second cell.
      {"A", "\x83\x41" "A", {1}},
      // Lines end with CR LF, CR or LF; an empty line keeps its place.
      {"1\r2\n\n3", "0123", {1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TOrvaCGLabel* label = Label(c.text, c.map);
    EXPECT_EQ(label->GlyphLines().front(), c.cells);
    label->FreeNow();
  }
  TOrvaCGLabel* label = Label("1\r2\n\n3", "0123");
  EXPECT_EQ(label->GlyphLines(), (std::vector<std::vector<int32_t>>{{1}, {2}, {}, {3}}));
  label->SetMapText("3210");
  EXPECT_EQ(label->GlyphLines(), (std::vector<std::vector<int32_t>>{{2}, {1}, {}, {0}}));
}

TEST_F(CGLabel, ANewLabelDrawsNothingUntilItsAlphaIsSet) {
  auto* label = CreateSceneObject<TOrvaCGLabel>(Scene());
  EXPECT_EQ(label->GetAlpha(), 0);
  label->SetParent(Scene().ActiveLayer());
  label->SetSource("digits.vsk");
  label->SetGlyphWidth(16);
  label->SetGlyphHeight(24);
  label->SetMapText("0123456789");
  label->SetText("1");
  label->SetLeft(100);
  label->SetTop(50);
  Repaint();
  EXPECT_EQ(CellAt(0, 0), -1);
  label->SetAlpha(255);
  Repaint();
  EXPECT_EQ(CellAt(0, 0), 1);
}

TEST_F(CGLabel, UnknownCharactersLeaveAGapAndNothingDrawsWithoutAlphaOrSheet) {
  TOrvaCGLabel* label = Label("1?3");
  Repaint();
  EXPECT_EQ(CellAt(0, 0), 1);
  EXPECT_EQ(CellAt(1, 0), -1);
  EXPECT_EQ(CellAt(2, 0), 3);
  label->SetAlpha(0);
  Repaint();
  EXPECT_EQ(CellAt(0, 0), -1);
  label->SetAlpha(255);
  // Cells larger than the sheet: no column fits.
  label->SetGlyphWidth(200);
  Repaint();
  EXPECT_EQ(CellAt(0, 0), -1);
  label->SetGlyphWidth(0);
  EXPECT_EQ(label->GetGlyphWidth(), 1);
  label->SetGlyphHeight(-5);
  EXPECT_EQ(label->GetGlyphHeight(), 1);
  EXPECT_EQ(label->GetOrigWidth(), 160);
  label->SetSource("");
  EXPECT_EQ(label->GetOrigWidth(), 0);
}

TEST_F(CGLabel, AnAnimatedSheetStepsItsFramesUnlessAnimationIsPaused) {
  AddPicture("blink.vsk", {{.Width = 16, .Height = 24, .Delay = 20}, {.Width = 16, .Height = 24, .Delay = 20}});
  TOrvaCGLabel* label = Label("0");
  label->SetSource("blink.vsk");
  ClearDirty();
  Scene().Idle();
  Scene().Idle();
  EXPECT_EQ(label->Frames().GetIndex(), 1);
  EXPECT_FALSE(Dirty(0).empty());
  EXPECT_TRUE(label->GetPlaying());
  label->SetAniPaused(true);
  EXPECT_FALSE(label->GetPlaying());
  Scene().Idle();
  Scene().Idle();
  EXPECT_EQ(label->Frames().GetIndex(), 1);
}

TEST_F(CGLabel, TheStoredFormByVersionLaysTheTextOutAgain) {
  for (int version : {124, GameSaveVersion}) {
    SCOPED_TRACE(version);
    TMemoryStream fields;
    WriteStreamString(fields, "digits.vsk");
    WriteStreamString(fields, "12\r\n3");
    WriteStreamString(fields, "0123456789");
    WriteStreamInt(fields, 0);  // a cell width no setter would leave
    WriteStreamInt(fields, 24);
    WriteStreamInt(fields, 2);
    WriteStreamBool(fields, true);
    WriteStreamByte(fields, HA_RIGHT);
    WriteStreamInt(fields, 128);
    if (version >= 125) WriteStreamString(fields, "idle.osb");
    kit::ControlRecord record;
    record.Type = LT_CGLABEL;
    record.Extra = std::string(fields.View());
    kit::SceneBuilder builder(version);
    builder.Control(record);
    auto* loaded = CreateSceneObject<TOrvaCGLabel>(Scene());
    TMemoryStream& stream = builder.Done();
    loaded->LoadFromStream(stream, version);
    EXPECT_EQ(stream.GetPosition(), stream.GetSize());
    EXPECT_EQ(loaded->GetGlyphWidth(), 1);
    EXPECT_EQ(loaded->GetWidth(), 2);
    EXPECT_EQ(loaded->GetHeight(), 50);
    EXPECT_EQ(loaded->GlyphLines(), (std::vector<std::vector<int32_t>>{{1, 2}, {3}}));
    EXPECT_TRUE(loaded->GetPaused());
    EXPECT_EQ(loaded->GetHAlign(), HA_RIGHT);
    EXPECT_EQ(loaded->GetAlpha(), 128);
    EXPECT_EQ(loaded->GetOnIdle(), version >= 125 ? "idle.osb" : "");
    EXPECT_EQ(loaded->Frames().GetIndex(), 0);
    loaded->FreeNow();
  }
}

}  // namespace
}  // namespace orva
