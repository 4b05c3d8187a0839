// The label lists of list boxes and menus over the fake rasteriser: heights and advances from
// the metrics and ABC widths, the widened last character, rendering and drawing, and the
// stored record by version.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/stream.h"
#include "graphics/dibx.h"
#include "kit/fake_rasteriser.h"
#include "scene/scene_services.h"
#include "text/font_pixel_manager.h"
#include "text/label_list.h"

namespace orva {
namespace {

class LabelLists : public testing::Test {
 protected:
  LabelLists() : fake(std::make_shared<kit::FakeRasteriserState>()) {
    fake->AddFace("IPAPGothic");
    fake->metrics.Height = 14;
    // 'A': A 1, B 8, C 1; 'f': an italic overhang, C −2.
    fake->glyphs[U'A'] = kit::FakeGlyph::Box(8, 10, 1, 10, 10);
    kit::FakeGlyph f = kit::FakeGlyph::Box(6, 10, 0, 10, 4);
    f.abc = {0, 6, -2};
    fake->glyphs[U'f'] = f;
    previous_ = SetFontPixelManager(std::make_unique<TFontPixelManager>(kit::MakeFakeRasteriser(fake)));
    target.SetSize(64, 32, 32);
    target.FillRect(target.GetBoundsRect(), 0);
    list.Target = &target;
  }
  ~LabelLists() override { SetFontPixelManager(std::move(previous_)); }

  std::shared_ptr<kit::FakeRasteriserState> fake;
  // Pixels of the rectangle that are not black.
  int Painted(const TRect& r) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += target.GetPixel(x, y) != 0;
    return n;
  }

  TDIBX target;
  TWzLabelList list;

 private:
  std::unique_ptr<TFontPixelManager> previous_;
};

TEST_F(LabelLists, HeightsAndAdvancesFromTheMetricsAndTheAbcWidths) {
  list.BorderWidth = 1;
  list.Add("Af");
  list.Add("ff");
  list.Add("fA");
  list.Add("");
  list.Measure();
  EXPECT_EQ(MetricsHeight(list.Metrics), 14);
  EXPECT_EQ(MetricsOverhang(list.Metrics), 0);
  // tmHeight + 2 × border; A + B + C + overhang + 2 × border, and a last character with a
  // negative C is wider by −C. The measuring cache keeps the plain advance of 'f', so only
  // each label's own last 'f' is widened.
  struct Case {
    std::vector<int32_t> advances;
    int32_t width;
  };
  const Case cases[] = {{{12, 8}, 20}, {{6, 8}, 14}, {{6, 12}, 18}, {{}, 0}};
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(list.Get(i)->Height, 16) << i;
    EXPECT_EQ(list.Get(i)->Advances, cases[i].advances) << i;
    EXPECT_EQ(list.Get(i)->Width, cases[i].width) << i;
  }
  EXPECT_EQ(list.MaxWidth(), 20);
  EXPECT_EQ(list.Get(4), nullptr);
  list.Clear();
  EXPECT_EQ(list.MaxWidth(), 0);
}

TEST_F(LabelLists, LabelsRenderOnceAndDrawThroughTheirMask) {
  list.Color = 0x0000FF;
  TWzLabelDIB& a = list.Add("A");
  TWzLabelDIB& empty = list.Add("");
  list.Measure();
  a.Draw(4, 2);
  EXPECT_FALSE(a.Dirty);
  EXPECT_EQ(a.Colour.GetWidth(), 10);
  EXPECT_EQ(a.Colour.GetBitCount(), 32);
  // The glyph's box, all of it inside the label at (4, 2), 10 × 14.
  EXPECT_EQ(Painted({4, 2, 14, 16}), 8 * 10);
  EXPECT_EQ(Painted(target.GetBoundsRect()), 8 * 10);
  EXPECT_GE(target.GetPixel(9, 8) >> 16, 0xF0u);  // red, 0x00BBGGRR 0x0000FF
  // An empty label has no surface and draws nothing.
  empty.Draw(30, 2);
  EXPECT_TRUE(empty.Colour.IsEmpty());
  // A new text marks only its own label; InvalidateAll marks all.
  a.SetText("A");
  EXPECT_FALSE(a.Dirty);
  empty.SetText("f");
  EXPECT_TRUE(empty.Dirty);
  EXPECT_FALSE(a.Dirty);
  list.InvalidateAll();
  EXPECT_TRUE(a.Dirty);
  // A bordered list draws its colour surface through the mask.
  list.BorderWidth = 1;
  list.BorderColor = 0x00FF00;
  list.Measure();
  target.FillRect(target.GetBoundsRect(), 0);
  a.Draw(0, 0);
  EXPECT_EQ(a.Colour.GetWidth(), 12);
  EXPECT_GT(Painted({0, 0, 12, 16}), 8 * 10);
}

// Measuring again under the same style asks the font only for the texts that are new, and
// every label ends as a list made afresh of the same texts measures it.
TEST_F(LabelLists, AMeasureMeasuresWhatChangedAsAFreshListWould) {
  using Texts = std::vector<std::string>;
  struct Case {
    const char* what;
    std::function<void(TWzLabelList&)> change;
    int abcCalls;  // -1: any
  };
  const auto texts = [](Texts t) { return [t](TWzLabelList& l) { l.SetTexts(t); }; };
  const Case cases[] = {
      {"first measure", texts({"A", "fA", "Af", "ff", ""}), -1},
      {"nothing changed", [](TWzLabelList&) {}, 0},
      {"the same texts again", texts({"A", "fA", "Af", "ff", ""}), 0},
      {"one text changed and wider", texts({"A", "fA", "AAf", "ff", ""}), 2},
      {"the widest made narrow", texts({"A", "fA", "A", "ff", ""}), 1},
      {"one put first", texts({"f", "A", "fA", "A", "ff", ""}), 1},
      {"one taken from the middle", texts({"f", "A", "A", "ff", ""}), 0},
      {"one added at the end", texts({"f", "A", "A", "ff", "", "Af"}), 2},
      {"a label's own text", [](TWzLabelList& l) { l.Get(0)->SetText("AA"); }, 2},
      {"the widest label's own text made narrow", [](TWzLabelList& l) { l.Get(0)->SetText("f"); }, 1},
      {"a wider border", [](TWzLabelList& l) { l.BorderWidth = 1; }, -1},
      {"all taken away", texts({}), 0},
  };
  for (const Case& c : cases) {
    c.change(list);
    const int before = fake->counts.abc;
    list.Measure();
    if (c.abcCalls >= 0) {
      EXPECT_EQ(fake->counts.abc - before, c.abcCalls) << c.what;
    }
    TWzLabelList fresh;
    fresh.BorderWidth = list.BorderWidth;
    for (int i = 0; i < list.Count(); ++i) fresh.Add(list.Get(i)->Text());
    fresh.Measure();
    EXPECT_EQ(list.MaxWidth(), fresh.MaxWidth()) << c.what;
    for (int i = 0; i < list.Count(); ++i) {
      EXPECT_EQ(list.Get(i)->Advances, fresh.Get(i)->Advances) << c.what << " " << i;
      EXPECT_EQ(list.Get(i)->Width, fresh.Get(i)->Width) << c.what << " " << i;
      EXPECT_EQ(list.Get(i)->Height, fresh.Get(i)->Height) << c.what << " " << i;
    }
  }
}

TEST_F(LabelLists, TheStoredRecordByVersion) {
  list.Quality = 2;
  list.BorderWidth = 1;
  list.FontSize = 18;
  list.Style = 3;
  list.ShadowWidth = 2;
  list.ShadowColor = 0x123456;
  list.Add("A");
  list.Measure();
  TMemoryStream bytes;
  list.SaveToStream(bytes);
  EXPECT_EQ(bytes.GetSize(), 4 * 4 + 4 + 15 + 4 + 4 + 1 + 212 + 8);

  struct Case {
    int version;
    int32_t storedQuality, quality;
    bool shadow;
  };
  for (const Case& c : {Case{108, 1, 0, false}, Case{108, 2, 3, false}, Case{109, 1, 1, false},
                        Case{122, 2, 2, true}}) {
    TMemoryStream record;
    list.Quality = c.storedQuality;
    list.SaveToStream(record);
    if (c.version < 122) record.SetSize(record.GetSize() - 8);
    record.SetPosition(0);
    TWzLabelList loaded;
    loaded.LoadFromStream(record, c.version);
    EXPECT_EQ(loaded.Quality, c.quality) << c.version;
    EXPECT_EQ(loaded.FontSize, 18);
    EXPECT_EQ(loaded.Style, 3);
    EXPECT_EQ(loaded.Metrics, list.Metrics);
    EXPECT_EQ(loaded.ShadowWidth, c.shadow ? 2 : 0) << c.version;
    EXPECT_EQ(record.GetPosition(), record.GetSize());
  }
}

}  // namespace
}  // namespace orva
