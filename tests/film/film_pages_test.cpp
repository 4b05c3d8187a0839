// A film playing in page mode on a scene of its own: the transition tracks become the scene's
// running transition with their settings, the page parity alternates with every transition,
// the tracks' objects stand on their pages; host and object-motion mode touch no page.
#include <gtest/gtest.h>

#include "film_test_kit.h"
#include "scene/base_list.h"

namespace orva {
namespace {

using namespace film_test;
using kit::FilmBuilder;

class FilmPagesTest : public FilmFixture {
 protected:
  // A private scene as a cinema owns one: no owner, sized by the film.
  TOrvaBaseList pages;
};

struct PageState {
  int active;
  bool running;
  int32_t position, duration;
  friend bool operator==(const PageState&, const PageState&) = default;
};

std::ostream& operator<<(std::ostream& out, const PageState& s) {
  return out << "page " << s.active << (s.running ? " running " : " still ") << s.position << "/" << s.duration;
}

PageState StateOf(TOrvaBaseList& scene) {
  TCustomWipe* wipe = scene.GetTransition();
  return {scene.ActiveIndex(), wipe != nullptr, wipe ? wipe->Position : 0, wipe ? wipe->Duration : 0};
}

// The transitions made in a SetTime, after their defaults: what the film configured.
std::vector<std::string> WipeCalls() {
  std::vector<std::string> calls = kit::ProbeCalls("wipe"), configured;
  bool afterDefaults = false;
  for (const std::string& call : calls) {
    if (call.starts_with("Create")) {
      afterDefaults = false;
      configured.push_back(call);
    } else if (call.starts_with("SetReverse")) {
      afterDefaults = true;
      configured.push_back(call);
    } else if (afterDefaults) {
      configured.push_back(call);
    }
  }
  return configured;
}

TEST_F(FilmPagesTest, TwoTransitionsAlternateThePages) {
  // A over ticks 10..19, B over 40..49.
  const auto film = InPages(FilmBuilder()
                                .Size(64, 48)
                                .Add(kit::WipeTrack{.Common = {.Length = 10, .Start = 10},
                                                    .WipeType = WP_FADE,
                                                    .MaskName = "m.vsk",
                                                    .Param0 = 3,
                                                    .Param1 = 4,
                                                    .Reverse = true})
                                .Add(kit::WipeTrack{.Common = {.Length = 10, .Start = 40}, .WipeType = 2}),
                            pages);
  EXPECT_EQ(pages.GetWidth(), 64) << "the film's size went to its scene";
  struct Step {
    int32_t tick;
    PageState state;
    std::vector<std::string> made;
  };
  const Step steps[] = {
      {5, {0, false, 0, 0}, {}},
      {10,
       {0, true, 0, 10},
       {"Create 1", "SetReverse 1", "SetParam 0 3", "SetParam 1 4", "SetMaskName films\\m.vsk", "Prepare 1"}},
      {11, {0, true, 1, 10}, {}},
      {19, {0, true, 9, 10}, {}},
      // The first tick after A ends it and leaves its page shown.
      {20, {1, false, 0, 0}, {}},
      {39, {1, false, 0, 0}, {}},
      {40, {1, true, 0, 10}, {"Create 2", "SetReverse 0", "SetParam 0 0", "SetParam 1 0", "SetMaskName ", "Prepare 2"}},
      {49, {1, true, 9, 10}, {}},
      {50, {0, false, 0, 0}, {}},
      // Going back into A starts it again.
      {15,
       {0, true, 5, 10},
       {"Create 1", "SetReverse 1", "SetParam 0 3", "SetParam 1 4", "SetMaskName films\\m.vsk", "Prepare 1"}},
  };
  for (const Step& s : steps) {
    kit::ProbeLog().clear();
    film->SetTime(s.tick);
    EXPECT_EQ(StateOf(pages), s.state) << s.tick;
    EXPECT_EQ(WipeCalls(), s.made) << s.tick;
    EXPECT_EQ(film->CurrentTick, s.tick);
  }
}

TEST_F(FilmPagesTest, OverlappingTransitionsAndNumbersWithoutAClass) {
  // B lies inside A and comes later in the list; C has a number beyond the last transition.
  const auto film = InPages(FilmBuilder()
                                .Size(64, 48)
                                .Add(kit::WipeTrack{.Common = {.Length = 20, .Start = 10}, .WipeType = 3})
                                .Add(kit::WipeTrack{.Common = {.Length = 10, .Start = 15}, .WipeType = 4})
                                .Add(kit::WipeTrack{.Common = {.Length = 5, .Start = 60}, .WipeType = 200}),
                            pages);
  struct Step {
    int32_t tick;
    PageState state;
    int made;  // the number of the transition made, 0 none
  };
  const Step steps[] = {
      {12, {0, true, 2, 20}, 3}, {15, {0, true, 0, 10}, 4},   // the later track wins
      {24, {0, true, 9, 10}, 0}, {25, {1, true, 15, 20}, 3},  // B has ended: A again, on the other page
      {30, {0, false, 0, 0}, 0}, {60, {0, false, 0, 0}, 0},   // no class: the page changes without a transition
      {65, {1, false, 0, 0}, 0},
  };
  for (const Step& s : steps) {
    kit::ProbeLog().clear();
    film->SetTime(s.tick);
    EXPECT_EQ(StateOf(pages), s.state) << s.tick;
    const std::vector<std::string> made = WipeCalls();
    EXPECT_EQ(made.empty() ? 0 : std::stoi(made.front().substr(7)), s.made) << s.tick;
  }
}

TEST_F(FilmPagesTest, AFilmWithoutTransitionsKeepsPageZeroShown) {
  const auto film =
      InPages(FilmBuilder().Size(64, 48).Color(0x112233).Add(kit::BoxTrack{.Common = {.Length = 5}}), pages);
  EXPECT_EQ(pages.GetLayer(0)->GetColor(), 0x112233);
  pages.SetActiveBase(1, 0, 0, 0, true, false);
  for (int32_t tick : {0, 3, 9}) {
    film->SetTime(tick);
    EXPECT_EQ(StateOf(pages), (PageState{0, false, 0, 0})) << tick;
  }
}

TEST_F(FilmPagesTest, ObjectsStandOnThePageTheirTransitionShows) {
  // A transition over ticks 10..19; boxes before it, after it, and after it on the other page.
  const auto film = InPages(FilmBuilder()
                                .Size(64, 48)
                                .Add(kit::WipeTrack{.Common = {.Length = 10, .Start = 10}})
                                .Add(kit::BoxTrack{.Common = {.Length = 30, .Start = 0}})
                                .Add(kit::BoxTrack{.Common = {.Length = 30, .Start = 19}})
                                .Add(kit::BoxTrack{.Common = {.Length = 30, .Start = 20, .OtherPage = true}}),
                            pages);
  film->SetTime(25);
  const auto layerOf = [&](int track) {
    TOrvaObject* box = film->GetTrack(track)->GetObject();
    return box && box->GetParent() == pages.GetLayer(0) ? 0 : box && box->GetParent() == pages.GetLayer(1) ? 1 : -1;
  };
  EXPECT_EQ(layerOf(1), 0);
  EXPECT_EQ(layerOf(2), 1) << "a track starting on the transition's last tick";
  EXPECT_EQ(layerOf(3), 0);
  for (int track = 1; track <= 3; ++track) EXPECT_EQ(film->GetTrack(track)->GetObject()->GetOwner(), &pages);
}

TEST_F(FilmPagesTest, HostAndMotionFilmsTouchNoPage) {
  const FilmBuilder builder = FilmBuilder()
                                  .Size(64, 48)
                                  .Color(0x00FF00)
                                  .Add(kit::WipeTrack{.Common = {.Length = 10}})
                                  .Add(kit::BoxTrack{.Common = {.Length = 10}});
  kit::ProbeControl* host = Probe("host");
  Scene().SetActiveBase(1, 0, 0, 0, true, false);
  const auto hosted = Hosted(builder, *host);
  const auto motion = OnControl(builder, *Probe("target"));
  for (TFilm* film : {hosted.get(), motion.get()}) {
    film->SetTime(0);
    film->SetTime(5);
    EXPECT_EQ(StateOf(Scene()), (PageState{1, false, 0, 0}));
    EXPECT_EQ(film->CurrentTick, 5);
  }
  EXPECT_EQ(Scene().GetWidth(), 640) << "a hosted film keeps the scene's size";
  EXPECT_NE(Scene().GetLayer(0)->GetColor(), 0x00FF00);
  EXPECT_EQ(hosted->GetTrack(1)->GetObject()->GetParent(), host);
}

}  // namespace
}  // namespace orva
