#include "shell/repeated_errors.h"

#include <gtest/gtest.h>

#include <string>

using namespace orva;

namespace {

constexpr uint32_t kQuiet = TRepeatedErrors::kQuietMs;

TEST(RepeatedErrors, AMessageIsQuietWhileItKeepsComingBackAndShowsAgainAfterAPause) {
  TRepeatedErrors errors;
  struct Step {
    const char* message;
    uint32_t time;
    bool repeated;
  } steps[] = {
      {"zlib: incorrect header check", 1000, false},
      {"zlib: incorrect header check", 1016, true},
      {"another error", 1032, false},  // other messages still show
      // Every raising starts the quiet time again, so a fault of every frame stays quiet.
      {"zlib: incorrect header check", 1000 + kQuiet - 1, true},
      {"zlib: incorrect header check", 1000 + 2 * kQuiet - 2, true},
      {"another error", 1032 + kQuiet, false},
      {"zlib: incorrect header check", 1000 + 3 * kQuiet - 2, false},
      // The clock wraps.
      {"late", 0xFFFFFFF0u, false},
      {"late", 0x10u, true},
  };
  for (const Step& step : steps)
    EXPECT_EQ(errors.Repeated(step.message, step.time), step.repeated) << step.message << " at " << step.time;
}

// Of a message that keeps coming back, the first repeat is written, then at most one line
// per line time, standing for the repeats since the last one.
TEST(RepeatedErrors, RepeatsAreWrittenAtALimitedRateWithTheirCount) {
  constexpr uint32_t kLine = TRepeatedErrors::kLineMs;
  TRepeatedErrors errors;
  struct Step {
    const char* message;
    uint32_t time;
    bool show;
    uint32_t repeats;  // of the line written; 0: none
  } steps[] = {
      {"e", 1000, true, 0},
      {"e", 1016, false, 1},
      {"e", 1032, false, 0},
      {"other", 1040, true, 0},  // its own count
      {"other", 1050, false, 1},
      {"e", 1016 + kLine - 1, false, 0},
      {"e", 1016 + kLine, false, 3},
      {"e", 1016 + kLine + 16, false, 0},
      {"e", 1016 + 2 * kLine, false, 2},
      // Quiet long enough to be shown again: its first repeat is written again.
      {"e", 1016 + 2 * kLine + kQuiet, true, 0},
      {"e", 1016 + 2 * kLine + kQuiet + 16, false, 1},
      // The clock wraps.
      {"late", 0xFFFFF000u, true, 0},
      {"late", 0xFFFFF010u, false, 1},
      {"late", 0xFFFFFF00u, false, 0},
      {"late", 0xFFFFF010u + kLine, false, 2},
  };
  for (const Step& step : steps) {
    const TRepeatedErrors::TVerdict verdict = errors.Raise(step.message, step.time);
    EXPECT_EQ(verdict.Show, step.show) << step.message << " at " << step.time;
    EXPECT_EQ(verdict.Repeats, step.repeats) << step.message << " at " << step.time;
  }
}

// The quiet time of a shown message runs from the close of its box.
TEST(RepeatedErrors, TheQuietTimeRunsFromTheBoxsClose) {
  for (const bool closedLate : {false, true}) {
    TRepeatedErrors errors;
    EXPECT_TRUE(errors.Raise("e", 1000).Show);
    if (closedLate) errors.Shown("e", 3000);
    EXPECT_EQ(errors.Raise("e", 1000 + kQuiet + 10).Show, !closedLate);
  }
}

TEST(RepeatedErrors, OnlyTheMostRecentMessagesAreRemembered) {
  TRepeatedErrors errors;
  for (size_t i = 0; i <= TRepeatedErrors::kRemembered; ++i) EXPECT_FALSE(errors.Repeated(std::to_string(i), 10));
  EXPECT_TRUE(errors.Repeated(std::to_string(TRepeatedErrors::kRemembered), 20));
  EXPECT_FALSE(errors.Repeated("0", 20)) << "the oldest was forgotten";
}

}  // namespace
