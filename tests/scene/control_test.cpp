// Visual controls: layer coordinates, visibility through the parent chain, parents, the
// invalidated rectangles, painting in z-order with clipping, hit testing, key events, radio
// groups and the control's stored form by version.
#include <gtest/gtest.h>

#include <limits>

#include "scene/base_list.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using scene_test::Log;
using scene_test::SceneFixture;
using scene_test::TTestBox;
using scene_test::TTestPicture;

using ControlTest = SceneFixture;

TEST_F(ControlTest, ScreenPositionFollowsZoomOffsetFlipAndParent) {
  struct Case {
    int32_t zoom, left, offset, width, plus;
    bool posZoomed, flip;
    int32_t expected;
  };
  // Parent at screen x 100 with SCROLLX 0.
  const Case cases[] = {
      {256, 10, 0, 50, 0, false, false, 110},
      {512, 10, 0, 50, 0, true, false, 120},   // LEFT zoomed: 20 + parent
      {512, 10, 4, 50, 0, true, false, 112},   // OFFSETX 4 zoomed moves left by 8
      {512, 10, 4, 50, 0, false, false, 102},  // without POSZOOMED only the offset zooms
      {256, 10, 4, 50, 3, false, true, 10 + 100 - (50 - 1 - 4) + 3},
      {512, 10, 4, 50, 0, true, true, 20 + 100 - (50 - 1 - 8)},
      {384, -7, 3, 50, 0, true, false, -10 + 100 - 4},  // div 256 truncates toward zero
  };
  TTestPicture* parent = CreateSceneObject<TTestPicture>(Scene());
  parent->SetParent(Scene().ActiveLayer());
  parent->SetLeft(100);
  for (const Case& c : cases) {
    TTestPicture* p = CreateSceneObject<TTestPicture>(Scene());
    p->SetParent(parent);
    p->Zoom = c.zoom;
    p->SetLeft(c.left);
    p->SetOffsetX(c.offset);
    p->SetWidth(c.width);
    p->SetPlusX(c.plus);
    p->SetPosZoomed(c.posZoomed);
    p->FlipH = c.flip;
    EXPECT_EQ(p->GetScreenLeft(), c.expected) << c.zoom << " " << c.left << " " << c.offset;
  }
}

TEST_F(ControlTest, OriginAndDrawOriginLeaveOutTheParentOrTheOffset) {
  TTestBox* parent = Box("p", {100, 50, 200, 200});
  TTestPicture* p = CreateSceneObject<TTestPicture>(Scene());
  p->SetParent(parent);
  p->SetLeft(10);
  p->SetTop(5);
  p->SetOffsetX(4);
  p->SetWidth(50);
  p->SetPlusX(2);
  EXPECT_EQ(p->GetOriginX(), 2 + 10 - 4);
  p->FlipH = true;
  // One more than in the screen position: WIDTH − OFFSETX.
  EXPECT_EQ(p->GetOriginX(), 2 + 10 - (50 - 4));
  EXPECT_EQ(p->GetScreenLeft(), 10 + 100 - (50 - 1 - 4) + 2);
  EXPECT_EQ(p->GetDrawOrigin(), (TPoint{10 + 100 + 2, 5 + 50}));
  EXPECT_EQ(p->ClientToScreen({1, 1}), (TPoint{p->GetScreenLeft() + 1, p->GetScreenTop() + 1}));
}

TEST_F(ControlTest, PictureRelativePlacementScalesInSixteenSixteen) {
  // Parent picture 300 wide shown at WIDTH 200: s = 1.5 × 65536 = 98304; x = d × 65536 div s.
  TTestPicture* parent = CreateSceneObject<TTestPicture>(Scene());
  parent->SetParent(Scene().ActiveLayer());
  parent->MakePicture(300, 10);
  parent->SetWidth(200);
  parent->SetLeft(40);
  struct Case {
    int32_t left;
    bool flip;
    int32_t expected;
  };
  const Case cases[] = {
      {1, false, 41},           // 0 r 65536: up
      {2, false, 42},           // 1 r 32768: up
      {3, false, 42},           // 2 r 0
      {0, false, 40},  {-3, false, 38},
      {6, true, 40 + 176},      // flipped: d = 300 − 6 − 30 = 264
  };
  for (const Case& c : cases) {
    TTestPicture* p = CreateSceneObject<TTestPicture>(Scene());
    p->SetParent(parent);
    p->MakePicture(30, 10);
    p->SetPosZoomed(true);
    p->SetLeft(c.left);
    p->FlipH = c.flip;
    EXPECT_EQ(p->GetScreenLeft(), c.expected) << c.left;
  }
}

TEST_F(ControlTest, PictureRelativeRemainderOf32767RoundsDown) {
  // s = 65537: d × 65536 mod s = 65537 − d, so d = 32770 leaves 32767 and d = 32769 leaves 32768.
  TTestPicture* parent = CreateSceneObject<TTestPicture>(Scene());
  parent->SetParent(Scene().ActiveLayer());
  parent->MakePicture(65537, 1);
  parent->SetWidth(65536);
  TTestPicture* child = CreateSceneObject<TTestPicture>(Scene());
  child->SetParent(parent);
  child->MakePicture(1, 1);
  child->SetPosZoomed(true);
  child->SetLeft(32770);
  EXPECT_EQ(child->GetScreenLeft(), 32769);  // 32769 r 32767
  child->SetLeft(32769);
  EXPECT_EQ(child->GetScreenLeft(), 32769);  // 32768 r 32768
  // A scale beyond the int32 range saturates instead of overflowing.
  parent->SetWidth(1);
  child->SetLeft(65536);
  EXPECT_EQ(child->GetScreenLeft(), 2);  // 2^32 div (2^31 − 1) = 2 r 2
  // A parent of WIDTH 0 has no scale: the plain placement.
  parent->SetWidth(0);
  EXPECT_EQ(child->GetScreenLeft(), 65536);
}

TEST_F(ControlTest, ExtremeStoredValuesWrapInsteadOfOverflowing) {
  const int32_t big = std::numeric_limits<int32_t>::max(), small = std::numeric_limits<int32_t>::min();
  TTestBox* parent = Box("p", {big - 5, small + 3, 100, big});
  parent->SetPosZoomed(true);
  parent->SetOffsetX(small);
  TTestBox* child = Box("c", {big, big, big, big}, parent, 0xFF);
  child->SetPlusX(big);
  child->SetClipLeft(big);
  child->SetClipWidth(big);
  child->SetClipHeight(5);
  child->SetMarked(true);
  parent->SetMarked(true);
  child->Invalidate();
  Layer(0).InvalidateAll();
  Scene().Paint();
  Scene().ActiveLayer()->HitTest({1, 1}, 0xFF);
  EXPECT_EQ(parent->GetScreenLeft(), int32_t(uint32_t(big - 5) - uint32_t(small)));
}

TEST_F(ControlTest, EffectiveVisibilityGoesThroughParentsAndCabinets) {
  TTestBox* parent = Box("p", {0, 0, 100, 100});
  TTestBox* child = Box("c", {10, 10, 20, 20}, parent);
  EXPECT_TRUE(child->IsEffectivelyVisible());
  parent->SetVisible(false);
  EXPECT_FALSE(child->IsEffectivelyVisible());
  EXPECT_TRUE(child->GetVisible());  // the property reads the flag as set
  parent->SetVisible(true);

  TOrvaObject* cabinet = Scene().CreateObject(LT_CABINET);
  ASSERT_NE(cabinet, nullptr);
  cabinet->SetParent(Scene().ActiveLayer());
  child->SetParent(cabinet->AsControl());
  EXPECT_FALSE(cabinet->IsEffectivelyVisible());
  EXPECT_TRUE(cabinet->GetVisible());
  EXPECT_FALSE(child->IsEffectivelyVisible());
  EXPECT_TRUE(child->IsInCabinet());
  // A detached control is never visible.
  TTestBox* loose = CreateSceneObject<TTestBox>(Scene());
  EXPECT_FALSE(loose->IsEffectivelyVisible());
  EXPECT_TRUE(loose->GetVisible());
  EXPECT_TRUE(Scene().ActiveLayer()->IsEffectivelyVisible());
}

TEST_F(ControlTest, SetParentIgnoresItselfAndItsDescendants) {
  TTestBox* a = Box("a", {0, 0, 10, 10});
  TTestBox* b = Box("b", {0, 0, 10, 10}, a);
  TTestBox* c = Box("c", {0, 0, 10, 10}, b);
  a->SetParent(a);
  a->SetParent(c);
  EXPECT_EQ(a->GetParent(), Scene().ActiveLayer());
  EXPECT_EQ(c->GetParent(), b);
  c->SetParent(a);
  EXPECT_EQ(c->GetParent(), a);
  EXPECT_EQ(b->GetChildCount(), 0);
  EXPECT_EQ(a->GetChildCount(), 2);
}

TEST_F(ControlTest, InvalidationIsClippedToParentClientAndOwnClip) {
  TTestBox* parent = Box("p", {100, 100, 50, 50});
  TTestBox* child = Box("c", {40, 40, 30, 30}, parent);
  ClearDirty();
  child->Invalidate();
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{140, 140, 150, 150}}));
  ClearDirty();
  child->SetClipLeft(0);
  child->SetClipTop(0);
  child->SetClipWidth(5);
  child->SetClipHeight(100);
  ClearDirty();
  child->Invalidate();
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{140, 140, 145, 150}}));
  // Not visible or off the parent: nothing.
  ClearDirty();
  child->SetLeft(60);
  EXPECT_TRUE(Dirty(0).size() == 1);  // the old place only
  ClearDirty();
  parent->SetVisible(false);
  ClearDirty();
  child->Invalidate();
  EXPECT_TRUE(Dirty(0).empty());
  // The layer clamps to its size.
  Layer(0).AddDirtyRect({-10, -10, 5000, 20});
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{0, 0, 640, 20}}));
}

TEST_F(ControlTest, SetBoundsMovesAndSizesAtOnceAndLeavesTheSavedBounds) {
  TTestBox* box = Box("b", {10, 10, 20, 20});
  box->SetBoundsRect({1, 2, 3, 4});
  ClearDirty();
  box->SetBounds(100, 100, 10, 10);
  EXPECT_EQ(box->GetLocalRect(), (TRect{100, 100, 110, 110}));
  EXPECT_EQ(box->GetBoundsRect(), (TRect{1, 2, 3, 4}));
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{10, 10, 30, 30}, {100, 100, 110, 110}}));
  ClearDirty();
  box->SetBounds(100, 100, 10, 10);
  EXPECT_TRUE(Dirty(0).empty());
}

TEST_F(ControlTest, PaintDrawsChildrenInOrderClippedToParentAndClip) {
  const int32_t red = 0x0000FF, green = 0x00FF00, blue = 0xFF0000, grey = 0x808080;
  Layer(0).SetColor(grey);
  TTestBox* parent = Box("p", {100, 100, 100, 100}, nullptr, red);
  TTestBox* under = Box("u", {50, 50, 100, 100}, parent, green);  // reaches past the parent
  TTestBox* over = Box("o", {60, 60, 20, 20}, parent, blue);
  over->SetPriority(1);
  TTestBox* clipped = Box("k", {0, 0, 100, 100}, parent, blue);
  clipped->SetPriority(2);
  clipped->SetClipLeft(0);
  clipped->SetClipTop(0);
  clipped->SetClipWidth(10);
  clipped->SetClipHeight(10);
  (void)under;
  Layer(0).InvalidateAll();
  Log().clear();
  Scene().Paint();
  EXPECT_EQ(Log(), (std::vector<std::string>{"p:paint", "u:paint", "o:paint", "k:paint"}));
  TDIBX& s = BackBuffer();
  auto at = [&](int x, int y) { return s.GetPixel(x, y); };
  EXPECT_EQ(at(5, 5), s.ColorToPixel(grey));
  EXPECT_EQ(at(120, 120), s.ColorToPixel(red));
  EXPECT_EQ(at(155, 155), s.ColorToPixel(green));
  EXPECT_EQ(at(190, 190), s.ColorToPixel(green));
  EXPECT_EQ(at(165, 165), s.ColorToPixel(blue));
  EXPECT_EQ(at(205, 205), s.ColorToPixel(grey));  // the child is cut at the parent's edge
  EXPECT_EQ(at(105, 105), s.ColorToPixel(blue));  // inside the clip
  EXPECT_EQ(at(115, 105), s.ColorToPixel(red));   // outside the clip

  // A child whose clip misses the parent is not painted at all.
  clipped->SetClipLeft(500);
  Layer(0).InvalidateAll();
  Log().clear();
  Scene().Paint();
  EXPECT_EQ(Log(), (std::vector<std::string>{"p:paint", "u:paint", "o:paint"}));
}

TEST_F(ControlTest, PaintOnlyTouchesTheDirtyRectangles) {
  Layer(0).SetColor(0x00FF00);
  Layer(1).SetColor(0xFF0000);
  ClearDirty();
  BackBuffer().Fill(0);
  Layer(0).AddDirtyRect({10, 10, 20, 20});
  Scene().Paint();
  EXPECT_EQ(BackBuffer().GetPixel(15, 15), BackBuffer().ColorToPixel(0x00FF00));
  EXPECT_EQ(BackBuffer().GetPixel(25, 15), 0u);
  // The hidden layer draws into its own surface, not into the back buffer.
  ClearDirty();
  Layer(1).AddDirtyRect({0, 0, 5, 5});
  Scene().Paint();
  EXPECT_EQ(BackBuffer().GetPixel(2, 2), 0u);
  EXPECT_EQ(Layer(1).OwnSurface().GetPixel(2, 2), Layer(1).OwnSurface().ColorToPixel(0xFF0000));
}

TEST_F(ControlTest, AMarkedControlGetsACheckeredFrame) {
  TTestBox* box = Box("m", {10, 10, 20, 20}, nullptr, 0x0000FF);
  box->SetMarked(true);
  Scene().Paint();
  TDIBX& s = BackBuffer();
  const uint32_t white = s.ColorToPixel(0xFFFFFF), black = s.ColorToPixel(0), red = s.ColorToPixel(0x0000FF);
  EXPECT_EQ(s.GetPixel(10, 10), white);
  EXPECT_EQ(s.GetPixel(11, 10), black);
  EXPECT_EQ(s.GetPixel(29, 20), black);
  EXPECT_EQ(s.GetPixel(12, 12), red);
  EXPECT_EQ(s.GetPixel(20, 28), white);
}

TEST_F(ControlTest, HitTestSearchesFromTheTopAndHonoursIgnoreMouse) {
  TTestBox* back = Box("back", {0, 0, 100, 100});
  TTestBox* front = Box("front", {0, 0, 50, 50});
  front->SetPriority(1);
  TTestBox* inner = Box("inner", {10, 10, 10, 10}, front);
  const TIgnoreMouseSet left = IgnoreMouseBit(IM_NONE) | IgnoreMouseBit(IM_RCLICK);
  TOrvaBase* layer = Scene().ActiveLayer();
  EXPECT_EQ(layer->HitTest({15, 15}, left), inner);
  EXPECT_EQ(layer->HitTest({5, 5}, left), front);
  EXPECT_EQ(layer->HitTest({75, 75}, left), back);
  EXPECT_EQ(layer->HitTest({300, 300}, left), layer);
  front->SetIgnoreMouse(IM_ALL);  // transparent itself, its children still hit
  EXPECT_EQ(layer->HitTest({5, 5}, left), back);
  EXPECT_EQ(layer->HitTest({15, 15}, left), inner);
  front->SetIgnoreMouse(IM_LCLICK);
  EXPECT_EQ(layer->HitTest({5, 5}, left), back);
  front->SetIgnoreMouse(9);  // above 7: never accepted
  EXPECT_EQ(layer->HitTest({5, 5}, 0xFF), back);
  front->SetVisible(false);
  EXPECT_EQ(layer->HitTest({15, 15}, left), back);
}

TEST_F(ControlTest, KeyEventsAreQueuedOnceAndNotForPausedOrLockedControls) {
  TTestBox* box = Box("k", {0, 0, 10, 10});
  box->SetOnKeyDown("keys.osb:down");
  box->KeyDown();
  box->KeyDown();
  EXPECT_EQ(Scene().Events().Count(), 1);
  EXPECT_EQ(Scene().Events().GetEvent(0)->Kind, PR_ONKEYDOWN);
  EXPECT_EQ(Scene().Events().GetEvent(0)->Handler, "keys.osb:down");
  box->KeyUp();  // no handler
  EXPECT_EQ(Scene().Events().Count(), 1);
  Scene().Events().Clear();
  box->SetPaused(true);
  box->KeyDown();
  box->SetPaused(false);
  box->InputLocked = true;
  box->KeyDown();
  EXPECT_EQ(Scene().Events().Count(), 0);
  Scene().ActiveLayer()->SetOnKeyDown("layer.osb");
  Scene().ActiveLayer()->KeyDown();
  EXPECT_EQ(Scene().Events().Count(), 0);
}

TEST_F(ControlTest, FindKeyTargetPicksTheTopmostVisibleHandleKeyControl) {
  TTestBox* a = Box("a", {0, 0, 10, 10});
  TTestBox* b = Box("b", {0, 0, 10, 10});
  TTestBox* inner = Box("inner", {0, 0, 10, 10}, a);
  a->SetHandleKey(true);
  b->SetHandleKey(true);
  inner->SetHandleKey(true);
  EXPECT_EQ(Scene().ActiveLayer()->FindKeyTarget(), b);
  b->SetPaused(true);
  EXPECT_EQ(Scene().ActiveLayer()->FindKeyTarget(), inner);
  a->SetVisible(false);
  EXPECT_EQ(Scene().ActiveLayer()->FindKeyTarget(), nullptr);
}

TEST_F(ControlTest, HidingTheFocusOrItsParentDropsTheFocus) {
  TTestBox* parent = Box("p", {0, 0, 10, 10});
  TTestBox* focus = Box("f", {0, 0, 10, 10}, parent);
  focus->SetOnFocusOut("out.osb");
  Scene().SetFocus(focus);
  Scene().Events().Clear();
  parent->SetVisible(false);
  EXPECT_EQ(Scene().GetFocus(), nullptr);
  EXPECT_TRUE(Scene().FocusUpdateRequested());
  ASSERT_EQ(Scene().Events().Count(), 1);
  EXPECT_EQ(Scene().Events().GetEvent(0)->Kind, PR_ONFOCUSOUT);
  // A focus moved to the hidden layer is dropped as well; freeing the focus drops it silently.
  parent->SetVisible(true);
  Scene().SetFocus(focus);
  parent->SetParent(Scene().GetLayer(1));
  EXPECT_EQ(Scene().GetFocus(), nullptr);
  Scene().SetFocus(focus);
  Scene().Events().Clear();
  focus->FreeNow();
  EXPECT_EQ(Scene().GetFocus(), nullptr);
  EXPECT_EQ(Scene().Events().Count(), 0);
}

TEST_F(ControlTest, RadioGroupKeepsOneSelectedMember) {
  class TRadio : public TTestBox {
   public:
    using TTestBox::TTestBox;
    int32_t GetGroupIndex() override { return group; }
    bool GetSelected() override { return selected; }
    bool GetAllowAllUp() override { return allowAllUp; }
    void GroupSelect(bool v) override { selected = v; }
    void GroupAllowAllUp(bool v) override { allowAllUp = v; }
    int32_t group = 1;
    bool selected = false, allowAllUp = false;
  };
  TTestBox* parent = Box("p", {0, 0, 10, 10});
  std::vector<TRadio*> r;
  for (int i = 0; i < 3; ++i) {
    r.push_back(CreateSceneObject<TRadio>(Scene()));
    r.back()->SetParent(parent);
  }
  r[2]->group = 2;
  parent->UpdateGroup(r[1], 1);  // nobody selected, no all-up: the first member
  EXPECT_TRUE(r[0]->selected);
  r[1]->selected = true;
  parent->UpdateGroup(r[1], 1);
  EXPECT_FALSE(r[0]->selected);
  EXPECT_TRUE(r[1]->selected);
  r[1]->selected = false;
  r[1]->allowAllUp = true;
  parent->UpdateGroup(r[1], 1);
  EXPECT_FALSE(r[0]->selected);
  parent->SetGroupAllowAllUp(1, false);
  EXPECT_FALSE(r[0]->allowAllUp);
  EXPECT_FALSE(r[1]->allowAllUp);
  r[2]->allowAllUp = true;
  parent->SetGroupAllowAllUp(1, false);
  EXPECT_TRUE(r[2]->allowAllUp);
}

TEST_F(ControlTest, FreeingAControlFreesItsChildrenAndDropsTheirWaitingEvents) {
  TTestBox* parent = Box("p", {0, 0, 10, 10});
  TTestBox* child = Box("c", {0, 0, 10, 10}, parent);
  TTestBox* grandchild = Box("g", {0, 0, 10, 10}, child);
  grandchild->QueueEvent(PR_ONNOTIFY, "n.osb");
  TTimerData* running = child->GetOwner()->Events().AddEvent(child, "r.osb", PR_ONNOTIFY);
  running->Level = 1;
  const TObjectHandle g = grandchild->Handle();
  parent->FreeNow();
  EXPECT_EQ(ResolveHandle(g), nullptr);
  EXPECT_EQ(Scene().GetItemCount(), 0);
  EXPECT_EQ(Layer(0).GetChildCount(), 0);
  // The running event stays, without its sender.
  ASSERT_EQ(Scene().Events().Count(), 1);
  EXPECT_EQ(EventSender(*Scene().Events().GetEvent(0)), nullptr);
}

}  // namespace
}  // namespace orva
