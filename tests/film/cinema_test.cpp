// The cinema object with real films: the choice between its private scene and hosting the
// film's objects, its clock with the two showing updates, the end held or repeated, INDEX,
// pauses, the pictures of both modes on the screen, its hit test and its stored form across
// the save versions; and motions on controls played with real films.
#include "scene/cinema.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/exceptions.h"
#include "core/frame_clock.h"
#include "core/stream.h"
#include "film_test_kit.h"
#include "kit/scene_builder.h"
#include "scene/custom_image.h"

namespace orva {
namespace {

using namespace film_test;
using kit::FilmBuilder;

constexpr uint32_t kPicture = 0x102030;

class CinemaTest : public FilmFixture {
 protected:
  void SetUp() override {
    FilmFixture::SetUp();
    AddPicture("films\\p.vsk", {{.Width = 4, .Height = 2, .Colour = kPicture}});
    files.Add("films\\sixty.omt", FilmBuilder().LoopStart(10).Add(kit::BoxTrack{.Common = {.Length = 60}}).Bytes());
  }
  void TearDown() override {
    FrameDelta = 0;
    FilmFixture::TearDown();
  }
  TOrvaCinema* Cinema(std::string_view source, int32_t left = 0, int32_t top = 0) {
    auto* cinema = dynamic_cast<TOrvaCinema*>(Scene().CreateObject(LT_CINEMA));
    cinema->SetName("cine");
    cinema->SetParent(Scene().ActiveLayer());
    cinema->SetLeft(left);
    cinema->SetTop(top);
    cinema->SetSource(source);
    return cinema;
  }
  // Updates the cinema n times at the frame time; the ticks the film was shown at.
  static std::vector<int32_t> Run(TOrvaCinema& cinema, int n, int32_t delta) {
    FrameDelta = delta;
    std::vector<int32_t> ticks;
    for (int i = 0; i < n; ++i) {
      cinema.Idle();
      ticks.push_back(cinema.GetIndex());
    }
    return ticks;
  }
  int PlayEndEvents() {
    int count = 0;
    for (int i = 0; i < Scene().Events().Count(); ++i) count += Scene().Events().GetEvent(i)->Kind == PR_ONPLAYEND;
    return count;
  }
};

TEST_F(CinemaTest, TheClockShowsTickZeroTwiceThenHoldsTheLastTickOnce) {
  TOrvaCinema* cinema = Cinema("films\\sixty.omt");
  cinema->SetOnPlayEnd("end.osb");
  EXPECT_EQ(cinema->GetCount(), 60);
  EXPECT_TRUE(cinema->GetPlaying());
  EXPECT_EQ(Run(*cinema, 3, 16), (std::vector<int32_t>{0, 0, 1}));
  // 991 ms is tick 59; the next millisecond passes the end.
  EXPECT_EQ(Run(*cinema, 1, 991 - 16), std::vector<int32_t>{59});
  EXPECT_EQ(PlayEndEvents(), 0);
  EXPECT_EQ(Run(*cinema, 3, 1), (std::vector<int32_t>{59, 59, 59}));
  EXPECT_TRUE(cinema->Ended());
  EXPECT_EQ(cinema->Time(), 992) << "the clock stops at the end";
  EXPECT_EQ(PlayEndEvents(), 1) << "queued once";
  EXPECT_FALSE(cinema->GetPlaying());
  // INDEX leaves the end: 30 is 500 ms, shown by the next two updates without advancing.
  cinema->SetIndex(30);
  EXPECT_EQ(cinema->Time(), 500);
  EXPECT_EQ(Run(*cinema, 3, 16), (std::vector<int32_t>{30, 30, 31}));
  // AUTOSCRAP frees the cinema at the end instead, without the event.
  cinema->SetPaused(true);
  TOrvaCinema* scrap = Cinema("films\\sixty.omt");
  scrap->SetAutoScrap(true);
  scrap->SetOnPlayEnd("end.osb");
  Run(*scrap, 2, 0);
  const TObjectHandle handle = scrap->Handle();
  FrameDelta = 1000;
  Scene().Idle();
  EXPECT_FALSE(Scene().HasObject(handle));
  EXPECT_EQ(PlayEndEvents(), 1);
  // An INDEX whose milliseconds pass 32 bits stops the clock at its limit: the end is held.
  TOrvaCinema* far = Cinema("films\\sixty.omt");
  for (const int32_t index : {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
    far->SetIndex(index);
    EXPECT_EQ(far->Time(), index);
  }
  EXPECT_EQ(Run(*far, 2, 16), (std::vector<int32_t>{59, 59}));
}

TEST_F(CinemaTest, ARepeatingCinemaGoesOnAtTheLoopStart) {
  TOrvaCinema* cinema = Cinema("films\\sixty.omt");
  cinema->SetRepeat(true);
  Run(*cinema, 2, 0);
  EXPECT_EQ(Run(*cinema, 1, 983), std::vector<int32_t>{59});
  EXPECT_EQ(Run(*cinema, 1, 17), std::vector<int32_t>{10});
  EXPECT_EQ(cinema->Time(), 167) << "the clock starts again from the loop start";
  EXPECT_FALSE(cinema->Ended());
}

TEST_F(CinemaTest, PausesStopTheClockAndHoldTheFilm) {
  files.Add("films\\voice.omt", FilmBuilder().Add(kit::SoundTrack{.Common = {.Length = 60}}).Bytes());
  TOrvaCinema* cinema = Cinema("films\\voice.omt");
  cinema->SetVolume(-5);
  EXPECT_EQ(cinema->GetVolume(), 0);
  EXPECT_EQ(cinema->Film()->VolumeScale, 0);
  cinema->SetVolume(800);
  Run(*cinema, 4, 100);
  // ANIPAUSED holds the clock; the film is disabled, its sound paused.
  cinema->SetAniPaused(true);
  EXPECT_TRUE(cinema->Film()->Paused);
  EXPECT_EQ(Run(*cinema, 2, 100), (std::vector<int32_t>{12, 12}));
  EXPECT_FALSE(cinema->Film()->Enabled);
  EXPECT_FALSE(cinema->GetPlaying());
  cinema->SetAniPaused(false);
  EXPECT_FALSE(cinema->Film()->Paused);
  // PAUSED: nothing moves.
  cinema->SetPaused(true);
  EXPECT_TRUE(cinema->Film()->Paused);
  EXPECT_EQ(Run(*cinema, 2, 100), (std::vector<int32_t>{12, 12}));
  EXPECT_EQ(cinema->Time(), 200);
}

TEST_F(CinemaTest, WithoutAFileThereIsNoFilm) {
  TOrvaCinema* cinema = Cinema("films\\none.omt");
  EXPECT_EQ(cinema->Film(), nullptr);
  EXPECT_EQ(cinema->GetCount(), 0);
  EXPECT_FALSE(cinema->GetPlaying());
  EXPECT_FALSE(cinema->Idle());
  // A film that cannot be read leaves none either.
  files.Add("films\\bad.omt", FilmBuilder().Add(kit::BoxTrack{}, 9).Bytes());
  EXPECT_THROW(cinema->SetSource("films\\bad.omt"), Exception);
  EXPECT_EQ(cinema->Film(), nullptr);
}

TEST_F(CinemaTest, OnlyAFilmThatSizesThePrivateSceneIsRefusedForItsSize) {
  const kit::BoxTrack move{.Common = {.Length = 11},
                           .StartPos = {0, 0},
                           .EndPos = {10, 0},
                           .StartWidth = 20,
                           .StartHeight = 10,
                           .EndWidth = 20,
                           .EndHeight = 10};
  files.Add("films\wide.omt", FilmBuilder().Size(5000, 100).Add(move).Bytes());
  // Moving a control, or hosting its objects, the film's size makes nothing.
  scene_test::TTestBox* box = Box("mover", {100, 200, 5, 5});
  box->LoadMotion("films\wide.omt");
  ASSERT_NE(box->GetMotion(), nullptr);
  FrameDelta = 17;
  for (int i = 0; i < 14; ++i) box->Idle();
  EXPECT_EQ(box->GetMotionX(), 10);
  TOrvaCinema* hosted = Cinema("films\wide.omt");
  ASSERT_NE(hosted->Film(), nullptr);
  EXPECT_EQ(hosted->Film()->HostObject, hosted);
  EXPECT_EQ(hosted->GetWidth(), 5000);
  // In the private scene it would size the scene's surfaces.
  struct Case {
    int32_t width, height;
    bool refused;
  } cases[] = {{5000, 100, true}, {64, 4097, true}, {-1, 48, true}, {64, -48, true}, {4096, 2, false}};
  for (const Case& c : cases) {
    const std::string name = "films\paged" + std::to_string(c.width) + "x" + std::to_string(c.height) + ".omt";
    files.Add(name, FilmBuilder().Size(c.width, c.height).Color(0x00FF00).Add(move).Bytes());
    TOrvaCinema* cinema = Cinema("films\sixty.omt");
    if (c.refused) {
      EXPECT_THROW(cinema->SetSource(name), EReadError) << name;
      EXPECT_EQ(cinema->Film(), nullptr) << name;
      EXPECT_EQ(cinema->PrivateScene().GetItemCount(), 0) << name;
    } else {
      cinema->SetSource(name);
      ASSERT_NE(cinema->Film(), nullptr) << name;
      EXPECT_EQ(cinema->GetWidth(), c.width) << name;
    }
  }
}

TEST_F(CinemaTest, AFilmWithAColourPlaysInThePrivateSceneAndIsCopiedOnTheScreen) {
  files.Add("films\\paged.omt", FilmBuilder()
                                    .Size(64, 48)
                                    .Color(0x00FF00)
                                    .Add(kit::ImageTrack{.Common = {.Length = 30},
                                                         .Picture = {.StartPos = {10, 20}, .EndPos = {10, 20}},
                                                         .FileName = "p.vsk"})
                                    .Bytes());
  TOrvaCinema* cinema = Cinema("films\\paged.omt", 100, 50);
  EXPECT_EQ(cinema->Film()->Owner, &cinema->PrivateScene());
  EXPECT_EQ(cinema->GetWidth(), 64);
  Scene().Idle();
  PaintScene();
  EXPECT_EQ(Scene().GetItemCount(), 1) << "the film's objects live in the private scene";
  EXPECT_EQ(Pixel(100, 50), BackBuffer().ColorToPixel(0x00FF00));
  EXPECT_EQ(Pixel(163, 97), BackBuffer().ColorToPixel(0x00FF00));
  EXPECT_EQ(Pixel(110, 70), kPicture);
  EXPECT_EQ(Pixel(164, 97), 0u);
  EXPECT_EQ(Pixel(99, 50), 0u);
}

TEST_F(CinemaTest, AFilmWithoutPagesOrColourHostsItsObjectsUnderTheCinema) {
  files.Add("films\\hosted.omt", FilmBuilder()
                                     .Size(64, 48)
                                     .Add(kit::ImageTrack{.Common = {.Length = 30},
                                                          .Picture = {.StartPos = {10, 20}, .EndPos = {10, 20}},
                                                          .FileName = "p.vsk"})
                                     .Bytes());
  TOrvaCinema* cinema = Cinema("films\\hosted.omt", 100, 50);
  EXPECT_EQ(cinema->Film()->HostObject, cinema);
  EXPECT_EQ(cinema->GetWidth(), 64);
  Scene().Idle();
  PaintScene();
  TOrvaObject* picture = cinema->Film()->Owner->FindObject(
      "\x01"
      "cine\x01"
      "0");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->GetParent(), cinema);
  EXPECT_EQ(Pixel(110, 70), kPicture);
  EXPECT_EQ(Pixel(100, 50), 0u) << "no background of its own";
  // Its internal children are not hit; the cinema is, where it takes the mouse.
  const TIgnoreMouseSet all = 0xFF;
  EXPECT_EQ(Scene().ActiveLayer()->HitTest({111, 70}, all), cinema);
  picture->AssignName("pic");
  EXPECT_EQ(Scene().ActiveLayer()->HitTest({111, 70}, all), picture);
  cinema->SetIgnoreMouse(IM_ALL);
  EXPECT_EQ(cinema->HitTest({101, 51}, IgnoreMouseBit(IM_NONE)), nullptr);
  // A new source frees what the old film made.
  cinema->SetSource("films\\sixty.omt");
  EXPECT_TRUE(picture->IsQueuedForFree());
}

TEST_F(CinemaTest, ARunningTransitionRedrawsTheWholeCinema) {
  files.Add("films\\wipe.omt", FilmBuilder()
                                   .Size(64, 48)
                                   .Add(kit::WipeTrack{.Common = {.Length = 30, .Start = 2}, .WipeType = WP_FADE})
                                   .Bytes());
  TOrvaCinema* cinema = Cinema("films\\wipe.omt", 100, 50);
  Run(*cinema, 2, 0);
  ClearDirty();
  Run(*cinema, 1, 50);
  ASSERT_NE(cinema->PrivateScene().GetTransition(), nullptr);
  EXPECT_EQ(Dirty(0), std::vector<TRect>{(TRect{100, 50, 164, 98})});
}

// The stored form: the cinema's own, and what older versions wrote (the tick and rewind from
// 117, the volume and mute from 129, the end from 133).
TEST_F(CinemaTest, ASavedCinemaComesBackAtItsTick) {
  TOrvaCinema* saved = Cinema("films\\sixty.omt");
  saved->SetVolume(700);
  saved->SetRepeat(true);
  saved->SetOnPlayEnd("end.osb");
  saved->SetIndex(40);
  Run(*saved, 1, 0);
  TMemoryStream stream;
  saved->SaveToStream(stream);
  auto* loaded = CreateSceneObject<TOrvaCinema>(Scene());
  stream.SetPosition(0);
  loaded->LoadFromStream(stream, GameSaveVersion);
  EXPECT_EQ(stream.GetPosition(), stream.GetSize());
  EXPECT_EQ(loaded->GetName(), "cine");
  EXPECT_TRUE(loaded->GetRepeat());
  EXPECT_EQ(loaded->GetOnPlayEnd(), "end.osb");
  EXPECT_EQ(loaded->GetVolume(), 700);
  EXPECT_EQ(Run(*loaded, 1, 0), std::vector<int32_t>{40});

  struct Case {
    int version;
    bool rewind, mute, ended;
    int32_t tick;  // shown after the load
    int32_t volume;
  };
  const Case cases[] = {
      {133, false, false, true, 40, 700}, {133, true, false, false, 0, 700}, {129, false, true, false, 40, 0},
      {128, false, true, false, 40, 0},   {116, false, false, false, 0, 0},  {103, false, false, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    TMemoryStream fields;
    WriteStreamString(fields, "films\\sixty.omt");
    for (bool flag : {false, false, false}) WriteStreamBool(fields, flag);  // repeat, paused, auto-scrap
    WriteStreamString(fields, "end.osb");
    if (c.version >= 104) WriteStreamString(fields, "idle.osb");
    if (c.version >= 117) {
      WriteStreamInt(fields, 40);
      WriteStreamBool(fields, c.rewind);
    }
    if (c.version >= 129) {
      WriteStreamInt(fields, 700);
      WriteStreamBool(fields, c.mute);
    }
    if (c.version >= 133) WriteStreamBool(fields, c.ended);
    kit::SceneBuilder builder(c.version);
    kit::ControlRecord record;
    record.Type = LT_CINEMA;
    record.Name = "old";
    record.Extra = fields.View();
    builder.Control(record);
    auto* old = CreateSceneObject<TOrvaCinema>(Scene());
    TMemoryStream& in = builder.Done();
    old->LoadFromStream(in, c.version);
    EXPECT_EQ(in.GetPosition(), in.GetSize());
    EXPECT_EQ(old->GetOnIdle(), c.version >= 104 ? "idle.osb" : "");
    EXPECT_EQ(old->GetVolume(), c.volume);
    EXPECT_EQ(old->Film()->VolumeScale, c.volume);
    EXPECT_EQ(old->Ended(), c.ended);
    old->SetParent(Scene().ActiveLayer());
    EXPECT_EQ(Run(*old, 1, 0), std::vector<int32_t>{c.tick});
  }
}

// ---- Motions played with real films ----

TEST_F(CinemaTest, AMotionFilmMovesItsControlRelativeToItsPlace) {
  files.Add("films\\move.omt", FilmBuilder()
                                   .Relative(true)
                                   .Origin({50, 50})
                                   .Add(kit::BoxTrack{.Common = {.Length = 11, .Priority = 2},
                                                      .StartPos = {50, 50},
                                                      .EndPos = {60, 45},
                                                      .StartWidth = 20,
                                                      .StartHeight = 10,
                                                      .EndWidth = 20,
                                                      .EndHeight = 10})
                                   .Bytes());
  scene_test::TTestBox* box = Box("mover", {100, 200, 5, 5});
  box->SetPriority(7);
  box->LoadMotion("films\\move.omt");
  ASSERT_NE(box->GetMotion(), nullptr);
  FrameDelta = 17;
  std::vector<int32_t> xs;
  for (int i = 0; i < 14; ++i) {
    box->Idle();
    xs.push_back(box->GetMotionX());
  }
  // Two showing steps, then one tick per step to the end at tick 10.
  EXPECT_EQ(xs, (std::vector<int32_t>{100, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 110, 110}));
  EXPECT_EQ(box->GetMotionY(), 195);
  EXPECT_EQ(box->GetWidth(), 20);
  EXPECT_EQ(box->GetPriority(), 9) << "the film's priority on the control's";
  EXPECT_EQ(box->GetScreenLeft(), 110);
  // Moved by the script, the control takes the film along.
  box->SetLeft(0);
  box->Idle();
  EXPECT_EQ(box->GetMotionX(), 10);
}

TEST_F(CinemaTest, AMotionFilmShowsItsPicturesOnAnImage) {
  AddPicture("films\\two.vsk", {{.Width = 3, .Height = 3, .Delay = 50}, {.Width = 5, .Height = 5, .Delay = 50}});
  files.Add("films\\frames.omt",
            FilmBuilder().Add(kit::ImageTrack{.Common = {.Length = 12, .Priority = 4}, .FileName = "two.vsk"}).Bytes());
  auto* image = CreateSceneObject<TOrvaImage>(Scene());
  image->SetParent(Scene().ActiveLayer());
  image->LoadMotion("films\\frames.omt");
  FrameDelta = 17;
  std::vector<int32_t> widths;
  for (int i = 0; i < 9; ++i) {
    image->Idle();
    widths.push_back(image->GetImage() ? image->GetImage()->GetWidth() : 0);
  }
  // Ticks 0, 0, 1, 2, 3, 4, 5, 6, 7; frames of 3 ticks each, the second over ticks 3..5.
  EXPECT_EQ(widths, (std::vector<int32_t>{3, 3, 3, 3, 5, 5, 5, 3, 3}));
  EXPECT_EQ(image->GetPriorityOffset(), 4);
  EXPECT_TRUE(image->GetCaptureMask());
}

}  // namespace
}  // namespace orva
