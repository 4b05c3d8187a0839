// Reading films: the header and every track record across the versions' gates, the
// hostile files that must fail whole or read as empty, the parent links with their chains and
// cycles, the names inside a film, and the timing arithmetic every track shares
// (interpolation, frames, absolute starts).
#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "film/effect_tracks.h"
#include "film/picture_tracks.h"
#include "film/rect_tracks.h"
#include "film/sound_track.h"
#include "film/wipe_track.h"
#include "film_test_kit.h"

namespace orva {
namespace {

using namespace film_test;
using kit::FilmBuilder;

template <class T>
T& Track(TFilm& film, int index) {
  auto* track = dynamic_cast<T*>(film.GetTrack(index));
  EXPECT_NE(track, nullptr) << index;
  return *track;
}

class FilmFileTest : public FilmFixture {};

// One track of every type, each field given a value that shows whether it was read.
FilmBuilder EveryTrack(int32_t version) {
  kit::PictureRecord picture{.BasePos = {1, 2},
                             .StartPos = {3, 4},
                             .EndPos = {5, 6},
                             .XMode = 1,
                             .YMode = 2,
                             .StartAngle = -90,
                             .EndAngle = 45,
                             .StartZoomX = 1.5,
                             .EndZoomX = 0.5,
                             .ZoomXMode = 1,
                             .StartAlpha = 10,
                             .EndAlpha = -20,
                             .AngleMode = 2,
                             .Clip = {{7, 8}, {9, 10}, {11, 12}, {13, 14}, 1, 2},
                             .StartZoomY = 2.0,
                             .EndZoomY = 3.0,
                             .ZoomYMode = 2};
  return FilmBuilder(version)
      .Size(320, 240)
      .Color(0x123456)
      .Relative(true)
      .Origin({7, 8})
      .LoopStart(15)
      .Add(
          kit::ImageTrack{.Common = {.Length = 10, .Unnamed = 99, .Start = 5, .Cycle = 4, .Priority = 3, .FlipH = true},
                          .Picture = picture})
      .Add(kit::LabelTrack{.Common = {.Length = 6, .OtherPage = true},
                           .Picture = picture,
                           .Text = "..\\a\r\nb",
                           .Antialias = 1,
                           .FontName = "..\\font",
                           .FontHeight = 20,
                           .LineSpace = 9,
                           .FontStyle = 3,
                           .FontColor = 0x00FF00,
                           .HAlign = 2})
      .Add(kit::BoxTrack{.Common = {.Length = 3},
                         .StartPos = {1, 1},
                         .EndPos = {2, 2},
                         .StartColor = 0x0000FF,
                         .EndColor = 0xFF0000,
                         .Clip = {{1, 2}, {3, 4}, {5, 6}, {7, 8}, 1, 1}})
      .Add(kit::WipeTrack{
          .Common = {.Length = 8}, .WipeType = 5, .MaskName = "m.vsk", .Param0 = 3, .Param1 = 4, .Reverse = true})
      .Add(kit::SoundTrack{.Common = {.Length = 4},
                           .StartVolume = -2505,
                           .EndVolume = 0,
                           .StartBalance = -50,
                           .EndBalance = 50,
                           .VolumeMode = 1,
                           .BalanceMode = 2})
      .Add(kit::TileTrack{.Common = {.Length = 2},
                          .Picture = picture,
                          .StartWidth = 30,
                          .StartScrollX = 4,
                          .DistanceX = 6,
                          .DistanceY = 7,
                          .Clip2 = {{21, 22}, {23, 24}, {25, 26}, {27, 28}, 2, 1}})
      .Add(kit::ParticleTrack{.Common = {.Length = 2},
                              .PartMotion = PM_STAR,
                              .ParticleIndex = 4,
                              .StartInterval = 90,
                              .StartParam = {1.5, 2.5, 3.5},
                              .StartAlpha = 77})
      .Add(kit::FireTrack{.Common = {.Length = 2}, .StartZoomX = 2.5, .Power = 70});
}

TEST_F(FilmFileTest, EveryVersionReadsTheFieldsItsGatesPass) {
  for (int32_t version = 100; version <= 108; ++version) {
    SCOPED_TRACE(version);
    const std::unique_ptr<TFilm> film = Read(EveryTrack(version), "films\\op\\f.omt");
    ASSERT_EQ(film->TrackCount(), 8);
    EXPECT_EQ(film->Width, 320);
    EXPECT_EQ(film->Color, 0x123456);
    EXPECT_EQ(film->RelativePosition, version >= 102);
    EXPECT_EQ(film->Origin, (version >= 104 ? TPoint{7, 8} : TPoint{}));
    EXPECT_EQ(film->LoopStart, version >= 107 ? 15 : version == 106 ? 30 : 0);
    // Times in 1/30 s before 107.
    const int32_t twice = version < 107 ? 2 : 1;
    auto& image = Track<TImageFrameList>(*film, 0);
    EXPECT_EQ(image.Start, 5 * twice);
    EXPECT_EQ(image.Length, 10 * twice);
    EXPECT_EQ(image.Cycle, 4 * twice);
    EXPECT_EQ(image.Unnamed, 99);
    EXPECT_EQ(image.Priority, 3);
    EXPECT_TRUE(image.FlipH);
    EXPECT_EQ(image.StartClipSize, (version >= 101 ? TPoint{9, 10} : TPoint{}));
    EXPECT_EQ(image.ClipYMode, version >= 101 ? 2 : 0);
    EXPECT_EQ(image.StartZoomY, version >= 105 ? 2.0 : 1.5);
    EXPECT_EQ(image.EndZoomY, version >= 105 ? 3.0 : 0.5);
    EXPECT_EQ(image.ZoomYMode, version >= 105 ? 2 : 1);
    EXPECT_EQ(image.EndAlpha, -20);
    EXPECT_EQ(image.AngleMode, 2);
    auto& label = Track<TLabelFrameList>(*film, 1);
    EXPECT_TRUE(label.OtherPage);
    EXPECT_EQ(label.Text, "..\\a\r\nb") << "label strings are no file names";
    EXPECT_EQ(label.FontName, "..\\font");
    EXPECT_EQ(label.FontHeight, 20);
    EXPECT_EQ(label.LineSpace, version >= 103 ? 9 : 0);
    EXPECT_EQ(label.FontStyle, 3);
    EXPECT_EQ(label.FontColor, 0x00FF00);
    EXPECT_EQ(label.HAlign, version >= 103 ? 2 : 0);
    auto& box = Track<TBoxFrameList>(*film, 2);
    EXPECT_EQ(box.EndColor, 0xFF0000);
    EXPECT_EQ(box.EndClipSize, (version >= 101 ? TPoint{7, 8} : TPoint{}));
    auto& wipe = Track<TWipeFrameList>(*film, 3);
    EXPECT_EQ(wipe.WipeType, 5);
    EXPECT_EQ(wipe.Param0, version >= 101 ? 3 : 0);
    EXPECT_EQ(wipe.Param1, version >= 101 ? 4 : 0);
    EXPECT_EQ(wipe.Reverse, version >= 101);
    EXPECT_EQ(wipe.MaskName, version >= 101 ? "films\\op\\m.vsk" : "");
    auto& sound = Track<TSoundFrameList>(*film, 4);
    // Hundredths of a decibel before 108.
    EXPECT_EQ(sound.StartVolume, version < 108 ? 750 : -2505);
    EXPECT_EQ(sound.EndVolume, version < 108 ? 1000 : 0);
    EXPECT_EQ(sound.EndBalance, 50);
    EXPECT_EQ(sound.BalanceMode, 2);
    auto& tile = Track<TTileFrameList>(*film, 5);
    EXPECT_EQ(tile.StartWidth, 30);
    EXPECT_EQ(tile.StartScrollX, 4);
    EXPECT_EQ(tile.DistanceY, 7);
    // The second clip block replaces the first.
    EXPECT_EQ(tile.StartClipPos, (version >= 101 ? TPoint{21, 22} : TPoint{}));
    EXPECT_EQ(tile.ClipXMode, version >= 101 ? 2 : 0);
    auto& particle = Track<TParticleFrameList>(*film, 6);
    EXPECT_EQ(particle.PartMotion, PM_STAR);
    EXPECT_EQ(particle.StartInterval, 90);
    EXPECT_EQ(particle.StartParam[2], 3.5);
    EXPECT_EQ(particle.StartAlpha, 77);
    auto& fire = Track<TFireFrameList>(*film, 7);
    EXPECT_EQ(fire.StartZoomX, 2.5);
    EXPECT_EQ(fire.Power, 70);
    EXPECT_EQ(film->GetLength(), 15 * twice);
  }
}

TEST_F(FilmFileTest, ABadFileFailsWholeAndLeavesTheFilmEmpty) {
  const auto one = [](FilmBuilder b) { return b.Add(kit::BoxTrack{.Common = {.Length = 40}}); };
  std::string cut = one(FilmBuilder()).Bytes();
  cut.resize(cut.size() - 3);
  struct Case {
    const char* what;
    std::string bytes;
    bool raises;
    int tracks;
  };
  const Case cases[] = {
      {"an unknown tag", one(FilmBuilder(108, "OrvaFilmXY")).Bytes(), false, 0},
      {"fewer bytes than a tag", "Orva", false, 0},
      {"the motion tag", one(FilmBuilder(108, "OrvaMotion")).Bytes(), false, 1},
      {"digits with blanks", one(FilmBuilder(99).Digits(" 99")).Bytes(), false, 1},
      {"digits that are no number", one(FilmBuilder(108).Digits("1x8")).Bytes(), true, 0},
      {"a type without a class", FilmBuilder().Add(kit::BoxTrack{}).Add(kit::BoxTrack{}, 8).Bytes(), true, 0},
      {"bit 7 of the type", FilmBuilder().Add(kit::BoxTrack{}, 0x80 | ttBox).Bytes(), false, 1},
      {"a record cut short", cut, true, 0},
      {"more tracks than bytes", one(FilmBuilder()).Count(1000).Bytes(), true, 0},
      {"a negative count", FilmBuilder().Count(-1).Bytes(), true, 0},
      {"a string longer than the file",
       FilmBuilder().Add(kit::SoundTrack{}).Bytes().substr(0, 70) + std::string("\xFF\xFF\x00\x00", 4), true, 0},
      // Sizes are read as they are; only a film that sizes a scene refuses them at its start.
      {"a film wider than any screen", one(FilmBuilder().Size(5000, 10)).Bytes(), false, 1},
      {"a negative size", one(FilmBuilder().Size(-5, -1)).Bytes(), false, 1},
  };
  for (const Case& c : cases) {
    TFilm film;
    TMemoryStream stream(c.bytes);
    if (c.raises) {
      EXPECT_THROW(film.LoadFromStream(stream, "f.omt"), Exception) << c.what;
    } else {
      EXPECT_NO_THROW(film.LoadFromStream(stream, "f.omt")) << c.what;
    }
    EXPECT_EQ(film.TrackCount(), c.tracks) << c.what;
    EXPECT_EQ(film.GetLength(), c.tracks ? film.GetTrack(0)->Length : 0) << c.what;
  }
  TFilm film;
  TMemoryStream digits(one(FilmBuilder(108).Digits("1x8")).Bytes());
  EXPECT_THROW(film.LoadFromStream(digits, "f.omt"), EConvertError);
}

TEST_F(FilmFileTest, ParentsChainTracksAndALinkClosingACycleIsDropped) {
  // 0 <- 1 <- 2 form a chain; 3 names a track beyond the list, 4 itself; 5 and 6 name each
  // other, and 7 continues 6.
  const std::unique_ptr<TFilm> film = Read(FilmBuilder()
                                               .Add(kit::BoxTrack{.Common = {.Length = 10, .Start = 5}})
                                               .Add(kit::BoxTrack{.Common = {.Parent = 0, .Length = 20, .Start = 99}})
                                               .Add(kit::BoxTrack{.Common = {.Parent = 1, .Length = 4}})
                                               .Add(kit::BoxTrack{.Common = {.Parent = 8, .Start = 1}})
                                               .Add(kit::BoxTrack{.Common = {.Parent = 4, .Start = 2}})
                                               .Add(kit::BoxTrack{.Common = {.Parent = 6, .Length = 3, .Start = 7}})
                                               .Add(kit::BoxTrack{.Common = {.Parent = 5, .Length = 2, .Start = 50}})
                                               .Add(kit::BoxTrack{.Common = {.Parent = 6, .Length = 1}}));
  struct Expect {
    int parent;
    int32_t start;
  };
  const Expect expected[] = {{-1, 5}, {0, 15}, {1, 35}, {-1, 1}, {-1, 2}, {6, 52}, {-1, 50}, {6, 52}};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(film->GetTrack(i)->Parent, expected[i].parent < 0 ? nullptr : film->GetTrack(expected[i].parent)) << i;
    EXPECT_EQ(film->GetTrack(i)->AbsoluteStart(), expected[i].start) << i;
  }
  // The first child in list order.
  EXPECT_EQ(film->GetTrack(6)->ChildTrack(), film->GetTrack(5));
  EXPECT_EQ(film->GetTrack(2)->ChildTrack(), nullptr);
  EXPECT_EQ(film->GetLength(), 55);
  EXPECT_EQ(film->FirstRootTrack(), nullptr);

  // B chained to A (tick 10, length 20) starts at 30; the film ends at 35.
  const std::unique_ptr<TFilm> two = Read(FilmBuilder()
                                              .Add(kit::BoxTrack{.Common = {.Length = 20, .Start = 10}})
                                              .Add(kit::BoxTrack{.Common = {.Parent = 0, .Length = 5}}));
  EXPECT_EQ(two->GetTrack(1)->AbsoluteStart(), 30);
  EXPECT_EQ(two->GetLength(), 35);
}

TEST_F(FilmFileTest, AChainOfTenThousandTracksReadsWithoutDeepRecursion) {
  FilmBuilder builder;
  for (int i = 0; i < 10000; ++i) builder.Add(kit::BoxTrack{.Common = {.Parent = i - 1, .Length = 2}});
  const std::unique_ptr<TFilm> film = Read(builder);
  EXPECT_EQ(film->GetTrack(9999)->AbsoluteStart(), 19998);
  EXPECT_EQ(film->GetLength(), 20000);
}

TEST_F(FilmFileTest, NamesInsideAFilmAreRelativeToItsDirectory) {
  struct Case {
    std::string stored, file, mask;
  };
  // "..\" climbs in file names; the mask name is the directory put before it as it is.
  const Case cases[] = {
      {"a.vsk", "films\\op\\a.vsk", "films\\op\\a.vsk"},
      {"..\\a.vsk", "FILMS\\a.vsk", "films\\op\\..\\a.vsk"},
      {"\\top\\a.vsk", "\\top\\a.vsk", "\\top\\a.vsk"},
      {"c:a.vsk", "c:a.vsk", "c:a.vsk"},
      {"m", "m", "films\\op\\m"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    const std::unique_ptr<TFilm> film = Read(FilmBuilder()
                                                 .Add(kit::SoundTrack{.FileName = c.stored})
                                                 .Add(kit::WipeTrack{.MaskName = c.stored})
                                                 .Add(kit::ParticleTrack{.FileName = c.stored}),
                                             "films\\op\\f.omt");
    EXPECT_EQ(film->GetTrack(0)->GetFileName(), c.file) << c.stored;
    EXPECT_EQ(Track<TWipeFrameList>(*film, 1).MaskName, c.mask) << c.stored;
    EXPECT_EQ(film->GetTrack(2)->GetFileName(), c.file) << c.stored;
  }
}

// What a preview menu loads ahead: the pictures of the image tracks only, in track order,
// with their names resolved against the film's folder.
TEST_F(FilmFileTest, ImageTrackFilesNameOnlyTheImageTracksPictures) {
  const std::unique_ptr<TFilm> film = Read(FilmBuilder()
                                               .Add(kit::ImageTrack{.FileName = "b.vsk"})
                                               .Add(kit::TileTrack{.FileName = "tile.vsk"})
                                               .Add(kit::SoundTrack{.FileName = "s.wav"})
                                               .Add(kit::ImageTrack{.FileName = "..\\a.vsk"}),
                                           "films\\op\\f.omt");
  EXPECT_EQ(film->ImageTrackFiles(), (std::vector<std::string>{"films\\op\\b.vsk", "FILMS\\a.vsk"}));
  EXPECT_TRUE(TFilm().ImageTrackFiles().empty());
}

TEST_F(FilmFileTest, InterpolationRunsFromStartToEndOverTheSpan) {
  // Track 0 has no child; track 1 continues it (n is one more); track 2 its child.
  const std::unique_ptr<TFilm> film =
      Read(FilmBuilder().Add(kit::BoxTrack{}).Add(kit::BoxTrack{}).Add(kit::BoxTrack{.Common = {.Parent = 1}}));
  const TCustomFrameList& alone = *film->GetTrack(0);
  const TCustomFrameList& continued = *film->GetTrack(1);
  struct Case {
    const TCustomFrameList* track;
    uint8_t mode;
    int32_t start, end, length;
    std::vector<int32_t> values;  // at positions 0, 1, ...
  };
  const Case cases[] = {
      {&alone, 0, 0, 100, 5, {0, 25, 50, 75, 100}},
      {&continued, 0, 0, 100, 5, {0, 20, 40, 60, 80}},
      {&alone, 0, 7, 100, 1, {7}},
      // Division truncating toward zero.
      {&alone, 0, 10, 0, 4, {10, 7, 4, 0}},
      // Slow start, then fast; fast start, then slow; both reach the end at n - 1.
      {&alone, 1, 0, 100, 5, {0, 19, 41, 69, 100}},
      {&alone, 2, 0, 100, 5, {0, 31, 59, 81, 100}},
      {&alone, 7, 0, 100, 5, {0, 31, 59, 81, 100}},
      // The whole 32-bit range: the product needs 64 bits.
      {&alone, 0, INT32_MIN, INT32_MAX, 3, {INT32_MIN, -1, INT32_MAX}},
      {&alone, 2, 0, 1000, 3, {0, 500, 1000}},
  };
  for (const Case& c : cases) {
    std::vector<int32_t> got;
    for (int32_t p = 0; p < static_cast<int32_t>(c.values.size()); ++p)
      got.push_back(c.track->Interpolate(c.mode, c.start, c.end, p, c.length));
    EXPECT_EQ(got, c.values) << int(c.mode) << " " << c.start << ".." << c.end << " over " << c.length;
  }
  // Floating point: divided by n, not n - 1, until the end is reached at n - 1.
  std::vector<long double> real;
  for (int32_t p = 0; p < 5; ++p) real.push_back(alone.InterpolateReal(0, p, 0.0L, 100.0L, 5));
  EXPECT_EQ(real, (std::vector<long double>{0, 20, 40, 60, 100}));
}

TEST_F(FilmFileTest, FramesLastTheirDelaysInTicksAndRepeatOverTheCycle) {
  struct Case {
    int32_t delay, ticks;
  };
  // Halves to even; never below one tick.
  for (const Case c : {Case{1, 1}, Case{8, 1}, Case{25, 2}, Case{42, 3}, Case{75, 4}, Case{1000, 60}})
    EXPECT_EQ(FrameDurationOfDelay(c.delay), c.ticks) << c.delay;

  AddPicture("films\\three.vsk", {{.Delay = 50}, {.Delay = 33}, {.Delay = 83}});
  const std::unique_ptr<TFilm> film =
      Read(FilmBuilder().Add(kit::ImageTrack{.Common = {.Length = 30, .Cycle = 99}, .FileName = "three.vsk"}));
  const TCustomFrameList& image = *film->GetTrack(0);
  EXPECT_EQ(image.Cycle, 10) << "the sum of the frame durations, whatever the file held";
  EXPECT_EQ(image.Length, 30) << "the length stays the file's";
  std::vector<int> frames;
  for (int32_t p = -1; p <= 10; ++p) frames.push_back(image.FrameIndexAt(p));
  EXPECT_EQ(frames, (std::vector<int>{0, 0, 0, 0, 1, 1, 2, 2, 2, 2, 2, 0}));
  EXPECT_EQ(image.FrameIndexAt(25), 2);
}

TEST_F(FilmFileTest, AChainedTrackStartsFromItsParentsEndValues) {
  const std::unique_ptr<TFilm> film =
      Read(FilmBuilder()
               .Add(kit::ImageTrack{.Picture = {.EndPos = {50, 60}, .EndAngle = 90, .EndZoomX = 2.0}})
               .Add(kit::ImageTrack{.Common = {.Parent = 0}, .Picture = {.StartPos = {10, 10}, .StartAngle = 5}})
               .Add(kit::BoxTrack{.Common = {.Parent = 0}, .StartPos = {10, 10}, .StartColor = 9}));
  auto& image = Track<TImageFrameList>(*film, 1);
  EXPECT_EQ(image.GetStartPos(), (TPoint{50, 60}));
  EXPECT_EQ(image.GetStartAngle(), 90);
  EXPECT_EQ(image.GetStartZoomX(), 2.0);
  // Across classes: what the parent's class has, else the neutral value.
  auto& box = Track<TBoxFrameList>(*film, 2);
  EXPECT_EQ(box.GetStartPos(), (TPoint{50, 60}));
  EXPECT_EQ(box.GetStartColor(), 0);
}

}  // namespace
}  // namespace orva
