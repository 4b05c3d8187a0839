// The message box frame by frame on the real event queue: its five events and their frames,
// pages, links and their clicks, CAPTURELINK, PAUSED, scrolling without paging, and the
// properties that draw the page again.
#include <gtest/gtest.h>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "kit/fake_pictures.h"
#include "mes_fixture.h"
#include "text/glyph_page.h"

namespace orva {
namespace {

using mes_test::MesFixture;
using Events = std::vector<std::string>;

class MessageBox : public MesFixture {
 protected:
  TOrvaMes& Handled(std::string_view name = "m") {
    files.Add("h.osb", kit::PageBuilder());
    TOrvaMes& box = Box(name);
    for (auto set : {&TOrvaMes::SetOnPlayStart, &TOrvaMes::SetOnPlaying, &TOrvaMes::SetOnPlayEnd,
                      &TOrvaMes::SetOnNotify, &TOrvaMes::SetOnLink})
      (box.*set)("h.osb");
    return box;
  }
  // What each of n scene updates queued.
  std::vector<Events> Updates(int n) {
    std::vector<Events> out;
    for (int i = 0; i < n; ++i) {
      Idle();
      out.push_back(TakeEvents());
    }
    return out;
  }
};

TEST_F(MessageBox, AnEmptyTextEmptiesTheBoxWithoutAnEvent) {
  TOrvaMes& box = Handled();
  box.SetText("abc");
  EXPECT_EQ(box.GetCount(), 1);
  EXPECT_EQ(TakeEvents(), Events{"101(0)"});
  box.SetText("");
  EXPECT_EQ(box.GetCount(), 0);
  EXPECT_EQ(box.GetText(), "");
  EXPECT_EQ(TakeEvents(), Events{});
}

TEST_F(MessageBox, ThePageWaitsForItsPlayStartAndEndsAFrameAfterTheLastFade) {
  TOrvaMes& box = Handled();
  box.SetText("abcdefg");
  // The frame of ONPLAYSTART is skipped, and nothing is revealed while it is queued.
  Idle();
  Idle();
  EXPECT_EQ(TakeEvents(), Events{"101(0)"});
  // The page's own start frame, then everything at once (TEXTDELAY 0), faded in over the
  // next frame; ONPLAYEND once, in the frame after that.
  EXPECT_EQ(Updates(5), (std::vector<Events>{{}, {"32(abcdefg)"}, {}, {"43()"}, {}}));
  EXPECT_EQ(box.GetText(), "abcdefg");
  EXPECT_FALSE(box.GetPlaying());
  EXPECT_EQ(box.GetPlayState(), 2);
}

TEST_F(MessageBox, EventsOfAFrameComeNotifyFirstAndANameWithLinesGivesArguments) {
  TOrvaMes& box = Handled();
  box.SetDelay(0);  // revealed glyphs show at once, so the event is passed in the same frame
  box.SetText("ab<EVENT VALUE=\"x\\ny\">cd");
  Idle();
  TakeEvents();
  EXPECT_EQ(Updates(4), (std::vector<Events>{{}, {"33(x,y)", "32(ab)"}, {"32(cd)"}, {"43()"}}));
  // Without an ONNOTIFY handler events never stop the reveal.
  box.SetOnNotify("");
  box.SetText("ab<EVENT VALUE=x>cd");
  Idle();
  TakeEvents();
  EXPECT_EQ(Updates(3), (std::vector<Events>{{}, {"32(abcd)"}, {"43()"}}));
}

TEST_F(MessageBox, PagesTurnThroughIndex) {
  TOrvaMes& box = Handled();
  box.SetText(Sjis("あいうえおかきくけこさしす"));  // 10 characters to a page
  EXPECT_EQ(box.GetCount(), 2);
  EXPECT_EQ(box.GetIndex(), 0);
  Idle();
  TakeEvents();
  Updates(3);
  EXPECT_EQ(box.GetText(), Sjis("あいうえおかきくけこ"));
  EXPECT_TRUE(box.GetPlaying());  // a later page
  for (int32_t index : {-1, 2, 0}) {
    box.SetIndex(index);
    EXPECT_EQ(box.GetIndex(), 0);
  }
  EXPECT_EQ(TakeEvents(), Events{});
  box.SetIndex(1);
  EXPECT_EQ(TakeEvents(), Events{"101(0)"});
  EXPECT_EQ(Updates(6), (std::vector<Events>{{}, {}, {"32(" + Sjis("さしす") + ")"}, {}, {"43()"}, {}}));
  EXPECT_FALSE(box.GetPlaying());
}

TEST_F(MessageBox, ALinkClickQueuesOnLinkOnceAndFallsThroughWhileItWaits) {
  TOrvaMes& box = Handled();
  box.SetOnLBtnDown("down.osb");
  box.SetText("<A HREF=\"go\\nnow\">li</A>xy");
  Frames(6);
  TakeEvents();
  // Over the link (the box's text starts at 10, 20): hovered; the click is the link's.
  Scene().RecordMousePos({15, 25});
  Frame();
  ASSERT_NE(box.CurrentPage()->HoverGlyph, nullptr);
  Scene().RecordButtonPress(TOrvaBaseList::TMouseButton::Left);
  Scene().RecordButtonRelease();
  Scene().ProcessInput();
  EXPECT_FALSE(Scene().ActiveLayer()->LeftClick);  // consumed
  Scene().RecordButtonPress(TOrvaBaseList::TMouseButton::Left);
  Scene().RecordButtonRelease();
  Scene().ProcessInput();
  const Events events = TakeEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], "46(li,go,now)");
  EXPECT_EQ(events[1].substr(0, 3), std::to_string(PR_ONLBTNDOWN) + "(");
}

TEST_F(MessageBox, CaptureLinkLetsClicksThroughExceptOnLinks) {
  TOrvaMes& box = Handled();
  box.SetText("<A HREF=x>li</A>xy");
  Frames(6);
  const TIgnoreMouseSet all = 0xFF;
  EXPECT_EQ(box.HitTest({55, 25}, all), &box);
  box.SetCaptureLink(true);
  EXPECT_EQ(box.HitTest({15, 25}, all), &box);
  EXPECT_EQ(box.HitTest({55, 25}, all), nullptr);
  EXPECT_EQ(box.HitTest({15, 25}, 0), nullptr);  // its IGNOREMOUSE mode is not accepted
}

TEST_F(MessageBox, APausedBoxOrAPageStillRevealingShowsNoHover) {
  TOrvaMes& box = Handled();
  box.SetText("<A HREF=x>li</A>xy");
  Frames(6);
  box.SetPaused(true);
  Scene().RecordMousePos({15, 25});
  Scene().ProcessInput();
  EXPECT_EQ(box.CurrentPage()->HoverGlyph, nullptr);
  box.SetPaused(false);
  Scene().RecordMousePos({16, 25});
  Scene().ProcessInput();
  EXPECT_NE(box.CurrentPage()->HoverGlyph, nullptr);
  // The mouse leaves the box: the hover goes.
  Scene().RecordMousePos({300, 300});
  Scene().ProcessInput();
  EXPECT_EQ(box.CurrentPage()->HoverGlyph, nullptr);
}

TEST_F(MessageBox, WithoutPagingTheRevealWaitsForRowsBelowTheBoxUntilItScrolls) {
  TOrvaMes& box = Handled();
  box.SetPaging(false);
  box.SetText(Sjis("あいうえおかきくけこさしすせそたちつてと"));  // four rows, the last at 60
  EXPECT_EQ(box.GetCount(), 1);
  Idle();
  TakeEvents();
  Updates(3);
  EXPECT_EQ(box.CurrentPage()->RowCursor, 3);
  box.SetScrollY(20);
  EXPECT_EQ(box.GetScrollY(), 20);
  Updates(3);
  EXPECT_EQ(box.CurrentPage()->RowCursor, 4);
}

TEST_F(MessageBox, PropertiesGoToTheWordAndRedrawThePage) {
  TOrvaMes& box = Handled();
  box.SetText("abc");
  Frames(4);
  TOrvaBase& layer = *Scene().ActiveLayer();
  layer.DirtyRects().Clear();
  // ALPHA invalidates also when unchanged.
  box.SetAlpha(255);
  EXPECT_GT(layer.DirtyRects().Count(), 0);
  layer.DirtyRects().Clear();
  box.SetFontColor(box.GetFontColor());
  EXPECT_EQ(layer.DirtyRects().Count(), 0);
  box.SetDelay(-5);
  EXPECT_EQ(box.GetDelay(), 0);
  box.SetAntialias(false);
  EXPECT_EQ(box.Word().Quality, 0);
  box.SetTextDelay(128);
  EXPECT_EQ(box.Word().TextDelay, 128);
  box.SetTextPaused(true);
  EXPECT_TRUE(box.Word().Paused);
  box.SetPaused(true);
  box.SetTextPaused(false);
  EXPECT_TRUE(box.Word().Paused);
  box.SetPaused(false);
  EXPECT_FALSE(box.Word().Paused);
  box.SetWidth(300);
  EXPECT_EQ(box.Word().Width, 300);
  box.SetOnNotify("n.osb");
  EXPECT_TRUE(box.Word().Notify);
}

TEST_F(MessageBox, PicturesOfMarkupComeFromThePictureSource) {
  kit::FakePictures pictures;
  pictures.Add("star.vsk", {{16, 30, 100, 0xFF0000}});
  SetInlinePictureSource(&pictures);
  TOrvaMes& box = Handled();
  box.SetText("a<IMG SRC=star.vsk ALIGN=TOP>b<IMG SRC=missing.vsk>");
  Idle();
  TakeEvents();
  EXPECT_EQ(Updates(2), (std::vector<Events>{{}, {"32(a*b*)"}}));
  const TWdGlyph* row = box.CurrentPage()->GetItem(0);
  EXPECT_EQ(row->GetItem(1)->GetWidth(), 16);
  EXPECT_EQ(row->GetItem(3)->GetWidth(), 0);  // a missing file lays out as 0 × 0
  EXPECT_EQ(row->GetHeight(), 20 + 10);       // a top-aligned picture reaches below the base
  EXPECT_EQ(pictures.users.size(), 1u);
  box.SetText("");
  SetInlinePictureSource(nullptr);
}

TEST_F(MessageBox, MarkupErrorsRaiseFromTheAssignmentAndLeaveNoPages) {
  TOrvaMes& box = Handled();
  box.SetText("ab");
  EXPECT_THROW(box.SetText("x<A>y"), Exception);
  EXPECT_EQ(box.GetCount(), 0);
}

TEST_F(MessageBox, TheTextIsPaintedInsideTheBox) {
  TOrvaMes& box = Box("m");
  box.SetFontColor(0x0000FF);
  box.SetText("ab");
  Scene().ActiveLayer()->InvalidateAll();
  Frames(4);
  // Every text pixel (red, near full strength) lies in the box (10, 20, 110, 60); some are
  // there.
  int inside = 0, outside = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      if (screen.Surface.GetPixel(x, y) >> 16 >= 0xF0) ++(x >= 10 && x < 110 && y >= 20 && y < 60 ? inside : outside);
  EXPECT_GT(inside, 0);
  EXPECT_EQ(outside, 0);
}

}  // namespace
}  // namespace orva
