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

TEST(RepeatedErrors, OnlyTheMostRecentMessagesAreRemembered) {
  TRepeatedErrors errors;
  for (size_t i = 0; i <= TRepeatedErrors::kRemembered; ++i) EXPECT_FALSE(errors.Repeated(std::to_string(i), 10));
  EXPECT_TRUE(errors.Repeated(std::to_string(TRepeatedErrors::kRemembered), 20));
  EXPECT_FALSE(errors.Repeated("0", 20)) << "the oldest was forgotten";
}

}  // namespace
