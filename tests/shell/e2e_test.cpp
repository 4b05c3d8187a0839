// The real player program run on games made with the kit: headless on the virtual clock
// with its debug log on, each run in a directory of its own with its own copy of the program;
// and smoke runs of the real window on SDL's dummy driver and under a virtual X server.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../core/temp_dir.h"
#include "core/archive.h"
#include "core/big_stream.h"
#include "core/encoding.h"
#include "core/game_path.h"
#include "core/stream.h"
#include "graphics/dib.h"
#include "graphics/vask_frame_list.h"
#include "kit/demo_game.h"
#include "kit/demo_maps.h"
#include "kit/logo_files.h"
#include "kit/demo_media.h"
#include "kit/page_builder.h"
#include "kit/project_file_builder.h"
#include "platform/instance_lock.h"
#include "script/page.h"
#include "script/param_collection.h"
#include "shell/form_view.h"
#include "shell/start_up.h"
#include "shell/toolbar.h"

extern char** environ;

namespace orva {
namespace {

using kit::PageBuilder;

struct TRun {
  int exitCode = -1;
  std::string errors;  // standard error
};

// Colours within the rounding of the screen depth and of drawing through a mask or alpha.
bool Near(uint32_t a, uint32_t b, int within = 8) {
  for (int shift : {0, 8, 16})
    if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > within) return false;
  return true;
}

class PlayerRun : public ::testing::Test {
 protected:
  void SetUp() override {
    // The program's own copy: the debug log and "game.ini" go beside it.
    const std::string program = dir.Os("orva-player");
    if (::link(ORVA_PLAYER, program.c_str()) != 0)
      std::filesystem::copy_file(ORVA_PLAYER, program, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::create_directory(dir.Os("game"));
  }

  void WriteGame(const std::vector<kit::GameFile>& files) { kit::WriteGameArchive(dir.Os("game/game.dat"), files); }

  // Runs the program in the directory with the environment given on top of a headless one.
  // A headless game run skips the start-up logo with Enter in its first frames, unless the
  // test plays the logo.
  TRun Run(std::vector<std::string> args, std::map<std::string, std::string> env, bool headless = true) {
    return Finish(Start(std::move(args), std::move(env), headless));
  }

  // Starts the program as Run does, with the default handling of the close signals whatever
  // the test's own; -1 when it could not be started.
  pid_t Start(std::vector<std::string> args, std::map<std::string, std::string> env, bool headless = true) {
    if (headless && skipLogo && (args.empty() || args.front().front() != '/'))
      env["ORVA_INPUT"] = std::string(kSkipLogo) + "; " + env["ORVA_INPUT"];
    std::map<std::string, std::string> all;
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      const size_t eq = entry.find('=');
      if (eq != std::string::npos && !entry.starts_with("ORVA_") && !entry.starts_with("SDL_") &&
          !entry.starts_with("DISPLAY"))
        all[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    all["XDG_RUNTIME_DIR"] = dir.Os("");
    all["ORVA_DBGLOG"] = "1";
    if (headless) all["ORVA_HEADLESS"] = "1";
    for (auto& [key, value] : env) all[key] = value;
    std::vector<std::string> entries;
    for (auto& [key, value] : all) entries.push_back(key + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : entries) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string program = dir.Os("orva-player");
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.Os("").c_str());
    posix_spawn_file_actions_addopen(&actions, 2, dir.Os("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t closeSignals, none;
    sigemptyset(&closeSignals);
    for (int signal : {SIGHUP, SIGTERM, SIGINT}) sigaddset(&closeSignals, signal);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &closeSignals);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  // Waits for a started program to end.
  TRun Finish(pid_t pid) {
    TRun run;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid)
      run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.errors = testing::TempDir::ReadOs(dir.Os("stderr.txt"));
    return run;
  }

  // The debug log's lines.
  std::vector<std::string> Trace() {
    std::vector<std::string> lines;
    std::string text = dir.Read("dbglog.txt"), line;
    for (char c : text) {
      if (c == '\n') {
        lines.push_back(line);
        line.clear();
      } else {
        line += c;
      }
    }
    return lines;
  }

  // A status variable of "save.dat".
  int32_t StatusInt(const std::string& name) {
    TVrFileCollection archive;
    archive.Open(dir.Game("game\\save.dat"));
    TMemoryStream item;
    archive.LoadFileToStream(item, "STATUSSAVEDATA");
    item.SetPosition(9);  // the "Status%.3d" tag
    TParamCollection vars;
    vars.LoadStatusVars(item);
    TParamCollectionItem* variable = vars.Find(name);
    return variable ? variable->GetAsInteger() : -1;
  }
  std::string StatusText(const std::string& name) {
    TVrFileCollection archive;
    archive.Open(dir.Game("game\\save.dat"));
    TMemoryStream item;
    archive.LoadFileToStream(item, "STATUSSAVEDATA");
    item.SetPosition(9);
    TParamCollection vars;
    vars.LoadStatusVars(item);
    TParamCollectionItem* variable = vars.Find(name);
    return variable ? variable->GetAsString() : "?";
  }

  // The colour of a pixel of a captured frame, 0x00RRGGBB.
  uint32_t CapturedPixel(const std::string& file, int x, int y) {
    TDIB dib;
    dib.LoadFromFile(dir.Os(file));
    return DIBPixelColor(dib.Image(), dib.ScanLineReadOnly(y), x);
  }

  // The colours of a rectangle of a captured frame, row by row.
  std::vector<uint32_t> CapturedRect(const std::string& file, const TRect& rect) {
    TDIB dib;
    dib.LoadFromFile(dir.Os(file));
    std::vector<uint32_t> colours;
    for (int y = rect.Top; y < rect.Bottom; ++y)
      for (int x = rect.Left; x < rect.Right; ++x)
        colours.push_back(DIBPixelColor(dib.Image(), dib.ScanLineReadOnly(y), x));
    return colours;
  }

  // The pixels of a captured frame inside the rectangle whose colour is near the colour.
  int CountNear(const std::string& file, const TRect& r, uint32_t colour) {
    int count = 0;
    for (uint32_t c : CapturedRect(file, r)) count += Near(c, colour, 24);
    return count;
  }

  // The game clock at which each of the demo's flips has ended, from the trace of a run with
  // this input up to the given clock.
  std::vector<unsigned long> DemoFlipEnds(const std::string& input, int until) {
    const TRun run = Run({"game"}, {{"ORVA_INPUT", input + std::to_string(until) + " close"}});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    std::vector<unsigned long> ends;
    const std::string afterFlip = "start.osb(" + std::to_string(kit::DemoFlipLine + 1) + ")";
    for (const std::string& line : Trace())
      if (line.ends_with(afterFlip)) ends.push_back(std::stoul(line.substr(0, 8), nullptr, 16));
    return ends;
  }

  testing::TempDir dir;
  bool skipLogo = true;
  static constexpr const char* kSkipLogo = "1 key RETURN";
};

std::vector<kit::GameFile> Game(const PageBuilder& start, kit::ProjectFileBuilder project = kit::ProjectFileBuilder()) {
  return {{"orva.opb", project.Bytes()}, {"start.osb", start.Bytes()}};
}

// The stored bytes of an archive's entry (a game path of the archive file).
std::string StoredBytes(const std::string& archivePath, const std::string& name) {
  TVrFileCollection archive;
  archive.Open(archivePath);
  const TVrFile& entry = *archive.Find(name);
  return testing::TempDir::ReadOs(OsPath(archivePath)).substr(size_t(entry.Offset), size_t(entry.Size));
}

// Flips bytes of an entry's stored data in an archive file, from `from` on.
void DamageEntry(const std::string& archivePath, const std::string& name, size_t from, size_t count) {
  int64_t offset = 0;
  {
    TVrFileCollection archive;
    archive.Open(archivePath);
    offset = archive.Find(name)->Offset;
  }
  std::string bytes = testing::TempDir::ReadOs(OsPath(archivePath));
  for (size_t i = from; i < from + count; ++i) bytes[size_t(offset) + i] ^= 0x21;
  std::ofstream(OsPath(archivePath), std::ios::binary) << bytes;
}

// Lines of a text that contain a piece.
size_t LinesWith(const std::string& text, const std::string& piece) {
  size_t count = 0, start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    count += text.substr(start, end - start).find(piece) != std::string::npos;
    start = end + 1;
  }
  return count;
}

uint32_t BgrToRgb(int32_t bgr) {
  const auto c = static_cast<uint32_t>(bgr);
  return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

TEST_F(PlayerRun, TheDemoRunsTwiceAndCountsItsStarts) {
  WriteGame(kit::DemoGameFiles());
  std::set<uint32_t> palette;
  for (int32_t c : kit::DemoLayerColours()) palette.insert(BgrToRgb(c));
  std::vector<uint32_t> colours;
  for (int start = 1; start <= 2; ++start) {
    const TRun run = Run({"game"}, {{"ORVA_INPUT", "5000 close"}, {"ORVA_CAPTURE", dir.Os("last.bmp")}});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(StatusInt("starts"), start);
    const std::vector<std::string> trace = Trace();
    ASSERT_GT(trace.size(), 10u);
    for (const std::string& line : trace) {
      const unsigned long clock = std::stoul(line.substr(0, 8), nullptr, 16);
      EXPECT_EQ(clock % 16, 0u) << "paced frames are 16 ms: " << line;
      EXPECT_LT(clock, 5000u) << line;
    }
    colours.push_back(CapturedPixel("last.bmp", 0, 0));
    EXPECT_TRUE(palette.count(colours.back())) << std::hex << colours.back();
  }
  EXPECT_EQ(colours[0], colours[1]) << "two runs on the virtual clock show the same frame";
}

static_assert(kit::DemoWindowTop == TToolbar::DockHeight, "the demo's clicks land below the toolbar");
using kit::DemoBoxClicks;

// A scene point as scripted input's window point, below the toolbar's dock.
std::string At(TPoint p) { return std::to_string(p.X) + " " + std::to_string(p.Y + TToolbar::DockHeight); }

// The demo's flips, after its text has been clicked through, the pictures chosen and its maps
// scene left, found in its trace: the first, a cross-fade from the first colour to the second, shows a blend half-way and the new layer
// after its end; the second, a blind, half-way shows the new colour at the left of every
// stripe and the old one at the right.
TEST_F(PlayerRun, TheDemoFlipsBetweenItsLayers) {
  WriteGame(kit::DemoGameFiles());
  const std::string text = kit::DemoToPictures();
  ASSERT_EQ(Run({"game"}, {{"ORVA_INPUT", text + "9000 close"}}).exitCode, 0);
  // [start, end] of each flip in game-clock milliseconds.
  std::vector<std::pair<unsigned long, unsigned long>> flips;
  const std::string flipLine = "start.osb(" + std::to_string(kit::DemoFlipLine) + ")";
  const std::string afterLine = "start.osb(" + std::to_string(kit::DemoFlipLine + 1) + ")";
  for (const std::string& line : Trace()) {
    const unsigned long clock = std::stoul(line.substr(0, 8), nullptr, 16);
    if (line.ends_with(flipLine)) flips.push_back({clock, 0});
    if (line.ends_with(afterLine) && !flips.empty()) flips.back().second = clock;
  }
  ASSERT_GE(flips.size(), 2u);
  ASSERT_EQ(kit::DemoTransitions()[0], WP_FADE);
  ASSERT_EQ(kit::DemoTransitions()[1], WP_BLINDH);
  const std::vector<int32_t>& colours = kit::DemoLayerColours();
  const uint32_t old = BgrToRgb(colours[0]), first = BgrToRgb(colours[1]), second = BgrToRgb(colours[2]);
  auto frameAt = [&](unsigned long clock) {
    const TRun run =
        Run({"game"}, {{"ORVA_INPUT", text + std::to_string(clock) + " close"}, {"ORVA_CAPTURE", dir.Os("at.bmp")}});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
  };

  // Pixels away from the pictures the flips carry.
  frameAt((flips[0].first + flips[0].second) / 2);
  const uint32_t blend = CapturedPixel("at.bmp", 620, 300);
  EXPECT_EQ(CapturedPixel("at.bmp", 5, 5), blend);
  for (int shift : {0, 8, 16}) {
    const int got = blend >> shift & 0xFF, from = old >> shift & 0xFF, to = first >> shift & 0xFF;
    const int low = std::min(from, to), high = std::max(from, to), quarter = (high - low) / 4;
    EXPECT_GT(got, low + quarter / 2) << std::hex << blend;
    EXPECT_LT(got, high - quarter / 2) << std::hex << blend;
  }

  frameAt(flips[0].second + 100);
  EXPECT_EQ(CapturedPixel("at.bmp", 620, 300), first);
  EXPECT_EQ(CapturedPixel("at.bmp", 639, 479), first);

  frameAt((flips[1].first + flips[1].second) / 2);
  for (int stripe : {0, 100, 620}) {
    EXPECT_EQ(CapturedPixel("at.bmp", stripe, 100), second) << stripe;
    EXPECT_EQ(CapturedPixel("at.bmp", stripe + 19, 100), first) << stripe;
  }
}

// A small game that flips with every transition, three colours in turn: between the flips the
// screen settles on each new layer in order, and every flip shows at least one frame of its
// transition (the bamboo blinds, rubber pulls and the zoom-in only stretch one-colour layers,
// so they show none, but the new layer comes only half-way through; a cross-fade before each,
// which ends with its flip, lets that be seen).
TEST_F(PlayerRun, EveryTransitionEndsOnTheNewLayer) {
  const std::set<int> uniform = {WP_SUDAREH, WP_SUDAREV, WP_RUBBERH, WP_RUBBERV, WP_ZOOMIN};
  std::vector<int> numbers;
  for (int number = 1; number < WipeTypeCount; ++number) {
    if (uniform.contains(number)) numbers.push_back(WP_FADE);
    numbers.push_back(number);
  }
  const int32_t colours[] = {0x0000FF, 0x00FF00, 0xFF0000};  // 0x00BBGGRR
  const std::string colour = std::to_string(PR_COLOR);
  PageBuilder start;
  start.SetProp("\"\"", colour, std::to_string(colours[0]));
  for (size_t i = 0; i < numbers.size(); ++i)
    start.SetProp("\"\x01\"", colour, std::to_string(colours[(i + 1) % 3]))
        .Flip({.transition = std::to_string(numbers[i]), .duration = "160"})
        .Wait("64");
  start.Terminate();
  WriteGame(Game(start, kit::ProjectFileBuilder().Screen(64, 48)));
  const TRun run = Run({"game"}, {{"ORVA_CAPTURE", dir.Os("frame%d.bmp")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;

  // Each frame: the palette colour it shows whole, or -1 while a transition is drawn.
  std::vector<int> shown;
  for (int frame = 1; std::filesystem::exists(dir.Os("frame" + std::to_string(frame) + ".bmp")); ++frame) {
    const std::string file = "frame" + std::to_string(frame) + ".bmp";
    const uint32_t first = CapturedPixel(file, 0, 0);
    int which = -1;
    for (int c = 0; c < 3; ++c)
      if (first == BgrToRgb(colours[c])) which = c;
    for (int y = 0; y < 48 && which >= 0; y += 3) {
      for (int x = 0; x < 64 && which >= 0; x += 3) {
        if (CapturedPixel(file, x, y) != first) which = -1;
      }
    }
    shown.push_back(which);
  }
  ASSERT_FALSE(shown.empty());
  std::vector<int> settled;
  size_t since = 0;  // the frame the last colour settled on
  int transitionFrames = 0;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] < 0) {
      ++transitionFrames;
      continue;
    }
    if (settled.empty() || settled.back() != shown[i]) {
      if (!settled.empty()) {
        const int number = numbers[settled.size() - 1];
        if (uniform.contains(number)) {
          // The wait of 64 ms and half the flip of 160 ms are 9 frames; a layer change without
          // a transition would come after the 4 of the wait.
          EXPECT_GE(i - since, 8u) << "transition " << number;
        } else {
          EXPECT_GT(transitionFrames, 0) << "transition " << number << " drew no frame";
        }
      }
      settled.push_back(shown[i]);
      since = i;
      transitionFrames = 0;
    }
  }
  ASSERT_EQ(settled.size(), numbers.size() + 1);
  for (size_t i = 0; i < settled.size(); ++i) EXPECT_EQ(settled[i], int(i % 3)) << i;
}

// The demo's message box: a click on it turns each page, the text commands wait until their
// pages are read, CallHist shows all three pages again, and a last click lets the game go on.
TEST_F(PlayerRun, TheDemoShowsItsTextPageByPageAndThenTheBacklog) {
  WriteGame(kit::DemoGameFiles());
  const kit::DemoMessageBox& box = kit::DemoMessage();
  // Rows of the captured frame that hold text pixels (near white), and text pixels outside
  // the box.
  const auto textRows = [&](const std::string& file, int& outside) {
    TDIB dib;
    dib.LoadFromFile(dir.Os(file));
    std::vector<int> rows;
    outside = 0;
    for (int y = 0; y < 480; ++y) {
      bool any = false;
      for (int x = 0; x < 640; ++x) {
        const uint32_t c = DIBPixelColor(dib.Image(), dib.ScanLineReadOnly(y), x);
        if ((c >> 16 & 0xFF) < 0xC0 || (c >> 8 & 0xFF) < 0xC0 || (c & 0xFF) < 0xC0) continue;
        const bool inBox = x >= box.Left && x < box.Left + box.Width && y >= box.Top && y < box.Top + box.Height;
        if (inBox)
          any = true;
        else
          ++outside;
      }
      if (any) rows.push_back(y);
    }
    return rows;
  };

  // The first page, revealed.
  TRun run = Run({"game"}, {{"ORVA_INPUT", kit::DemoStartClick() + "800 close"}, {"ORVA_CAPTURE", dir.Os("page.bmp")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  int outside = 0;
  std::vector<int> rows = textRows("page.bmp", outside);
  EXPECT_EQ(outside, 0);
  ASSERT_FALSE(rows.empty());
  EXPECT_LT(rows.back() - rows.front(), 24) << "one line of 24 px characters";
  EXPECT_EQ(CapturedPixel("page.bmp", 0, 0), BgrToRgb(kit::DemoLayerColours()[0]));

  // Three clicks read the three pages; the backlog then shows them one line under the other.
  run = Run({"game"}, {{"ORVA_INPUT", DemoBoxClicks({1000, 2000, 3000}) + "3500 close"},
                       {"ORVA_CAPTURE", dir.Os("backlog.bmp")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  const auto firstClock = [&](const std::string& where) -> unsigned long {
    for (const std::string& line : Trace())
      if (line.ends_with(where)) return std::stoul(line.substr(0, 8), nullptr, 16);
    return ~0ul;
  };
  const auto line = [](int32_t number) { return "start.osb(" + std::to_string(number) + ")"; };
  EXPECT_GE(firstClock(line(kit::DemoSecondTextLine)), 2000u) << "the first text command waits for its two pages";
  EXPECT_GE(firstClock(line(kit::DemoBacklogLine)), 3000u) << "the second waits for its page";
  EXPECT_EQ(firstClock(line(kit::DemoTextDoneLine)), ~0ul) << "the backlog waits for a click";
  rows = textRows("backlog.bmp", outside);
  EXPECT_EQ(outside, 0);
  // Rows of 24 px every 32 px (line space 8): three lines of text.
  std::set<int> lines;
  for (int y : rows) lines.insert((y - box.Top) / 32);
  EXPECT_EQ(lines, (std::set<int>{0, 1, 2}));

  // A fourth click empties the box and the game goes on to its choice.
  run = Run({"game"}, {{"ORVA_INPUT", DemoBoxClicks({1000, 2000, 3000, 4000}) + "5000 close"},
                       {"ORVA_CAPTURE", dir.Os("after.bmp")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_GE(firstClock(line(kit::DemoTextDoneLine)), 4000u);
  rows = textRows("after.bmp", outside);
  EXPECT_TRUE(rows.empty());
}

// The demo's pictures stand where its pages put them, and its star counts only the clicks
// that land on its opaque pixels.
TEST_F(PlayerRun, TheDemoShowsItsPicturesAndTheStarHitsOnlyOnOpaquePixels) {
  WriteGame(kit::DemoGameFiles());
  const kit::DemoPictureSpots& spots = kit::DemoPictures();
  // Clicks are in the window, whose scene lies below the toolbar's dock.
  auto at = [](TPoint p) { return std::to_string(p.X) + " " + std::to_string(p.Y + TToolbar::DockHeight); };
  // The pictures come once the text is read and they are chosen; the flips that follow carry
  // them. The ends of the flips, from a first run's trace.
  const std::string text = kit::DemoToPictures();
  const std::vector<unsigned long> flipEnds = DemoFlipEnds(text, 9500);
  EXPECT_EQ(StatusInt("choice"), 0) << "the pictures were chosen with the mouse";
  ASSERT_GE(flipEnds.size(), 2u);
  // Clicks in the pause after the first flip; a frame in the pause after the second.
  const auto after = [&](size_t flip, int ms) { return std::to_string(flipEnds[flip] + ms); };
  const std::string clicks = after(0, 50) + " click " + at(spots.StarTransparent) + "; " + after(0, 150) + " click " +
                             at(spots.StarOpaque) + "; " + after(0, 250) + " click " + at(spots.StarTransparent) + "; ";
  const TRun run = Run({"game"}, {{"ORVA_INPUT", text + clicks + after(1, kit::DemoPauseMilliseconds / 2) + " close"},
                                  {"ORVA_CAPTURE", dir.Os("last.bmp")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(StatusInt("hits"), 1) << "the clicks on the keyed corner miss";

  std::set<uint32_t> palette;
  for (int32_t c : kit::DemoLayerColours()) palette.insert(BgrToRgb(c));
  const uint32_t star = CapturedPixel("last.bmp", spots.StarOpaque.X, spots.StarOpaque.Y);
  EXPECT_TRUE(Near(star, spots.StarColour)) << std::hex << star;
  const uint32_t corner = CapturedPixel("last.bmp", spots.StarTransparent.X, spots.StarTransparent.Y);
  EXPECT_TRUE(palette.count(corner)) << "the layer shows through the key: " << std::hex << corner;
  const uint32_t spinner = CapturedPixel("last.bmp", spots.Spinner.X, spots.Spinner.Y);
  EXPECT_TRUE(std::any_of(spots.SpinnerColours.begin(), spots.SpinnerColours.end(),
                          [&](uint32_t c) { return Near(spinner, c); }))
      << std::hex << spinner;
  const uint32_t hub = CapturedPixel("last.bmp", spots.WheelHub.X, spots.WheelHub.Y);
  EXPECT_TRUE(Near(hub, spots.WheelHubColour)) << "the wheel turns about its hub: " << std::hex << hub;
}

// The demo's maps scene after its text: the tile scrolls and steps through its frames, the
// selection image lights the area under the mouse and reports entering, leaving and choosing
// it (@SelStr into "place"), the menu's disabled button shows its disabled look, the gauge and
// its caption show the level, text typed and composed through the input method reaches the
// edit and the status variable "typed", and the menu's "next" ends the scene.
TEST_F(PlayerRun, TheDemoMapsSceneLightsUpTakesTypedTextAndGoesOn) {
  WriteGame(kit::DemoGameFiles());
  const kit::DemoMapsSpots& maps = kit::DemoMaps();
  const std::string text = kit::DemoToMaps();
  const auto at = [](int ms) { return std::to_string(kit::DemoMapsClock + ms - 4300); };
  auto near = [](uint32_t a, uint32_t b) {
    for (int shift : {0, 8, 16})
      if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 8) return false;
    return true;
  };
  auto nearAny = [&](uint32_t a, const std::vector<uint32_t>& colours) {
    return std::any_of(colours.begin(), colours.end(), [&](uint32_t c) { return near(a, c); });
  };
  // Pixels of a rectangle whose channels are all below 0x60: text on a white box.
  auto darkPixels = [&](const std::string& file, const TRect& r) {
    TDIB dib;
    dib.LoadFromFile(dir.Os(file));
    int dark = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) {
        const uint32_t c = DIBPixelColor(dib.Image(), dib.ScanLineReadOnly(y), x);
        dark += (c >> 16 & 0xFF) < 0x60 && (c >> 8 & 0xFF) < 0x60 && (c & 0xFF) < 0x60;
      }
    return dark;
  };

  // The mouse over the moon; typing goes into the edit, which has the focus.
  TRun run = Run({"game"}, {{"ORVA_INPUT", text + at(4300) + " move " + At(maps.Moon) + "; " + at(4400) + " type Hi; " + at(4700) + " close"},
                            {"ORVA_CAPTURE", dir.Os("over.bmp")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_TRUE(near(CapturedPixel("over.bmp", maps.Moon.X, maps.Moon.Y), maps.LitColour)) << "the moon lights up";
  EXPECT_TRUE(near(CapturedPixel("over.bmp", maps.Square.X, maps.Square.Y), maps.SquareColour));
  EXPECT_TRUE(near(CapturedPixel("over.bmp", maps.Skip.X, maps.Skip.Y), maps.SkipDisabledColour));
  EXPECT_TRUE(near(CapturedPixel("over.bmp", maps.GaugeStart.X, maps.GaugeStart.Y + 4), maps.GaugeColour));
  int digits = 0;
  for (int y = maps.Caption.Top; y < maps.Caption.Bottom; ++y)
    for (int x = maps.Caption.Left; x < maps.Caption.Right; ++x)
      digits += nearAny(CapturedPixel("over.bmp", x, y), maps.DigitColours);
  EXPECT_GT(digits, 40) << "two digits of the level";
  for (int i = 0; i < 8; ++i) {
    const TPoint p{maps.Tile.Left + 5 + 21 * i, maps.Tile.Top + 7 + 11 * i};
    EXPECT_TRUE(nearAny(CapturedPixel("over.bmp", p.X, p.Y), maps.TileColours)) << p.X << "," << p.Y;
  }
  EXPECT_GT(darkPixels("over.bmp", maps.Edit), 10) << "the typed text in the edit";
  EXPECT_GT(darkPixels("over.bmp", maps.Memo), 200) << "the memo's lines";
  const std::vector<std::string> trace = Trace();
  EXPECT_TRUE(std::any_of(trace.begin(), trace.end(), [](const std::string& l) { return l.ends_with("<Event>mapin.osb(1)"); }));
  EXPECT_EQ(StatusText("typed"), "Hi");
  EXPECT_EQ(StatusInt("keys"), 2);

  // A moment earlier the tile showed another part of its pattern.
  run = Run({"game"}, {{"ORVA_INPUT", text + at(4450) + " close"}, {"ORVA_CAPTURE", dir.Os("early.bmp")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  int moved = 0;
  for (int x = maps.Tile.Left; x < maps.Tile.Right; ++x)
    moved += CapturedPixel("early.bmp", x, maps.Tile.Top + 30) != CapturedPixel("over.bmp", x, maps.Tile.Top + 30);
  EXPECT_GT(moved, 20);

  // A choice on the map, a name typed and composed, then "next".
  const TPoint edit{(maps.Edit.Left + maps.Edit.Right) / 2, (maps.Edit.Top + maps.Edit.Bottom) / 2};
  run = Run({"game"}, {{"ORVA_INPUT", text + kit::DemoMoveAndClick(kit::DemoMapsClock, maps.Moon) + at(4400) + " click " +
                                          At(edit) + "; " + at(4450) + " type Orva; " + at(4500) + " compose に; " +
                                          at(4550) + " compose にほ; " + at(4600) + " commit 日本; " +
                                          kit::DemoMoveAndClick(kit::DemoMapsClock + 400, maps.Next) + at(5300) + " close"}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(StatusText("place"), "moon");
  EXPECT_EQ(StatusInt("choices"), 1);
  EXPECT_EQ(StatusText("typed"), Utf8ToSjis("Orva日本"));
  EXPECT_EQ(StatusInt("keys"), 2 + 4 + 3) << "four keys and three changes of the input method";
  EXPECT_GE(StatusInt("mapouts"), 1);
  unsigned long done = ~0ul;
  for (const std::string& line : Trace())
    if (line.ends_with("start.osb(" + std::to_string(kit::DemoMapsDoneLine) + ")"))
      done = std::stoul(line.substr(0, 8), nullptr, 16);
  EXPECT_GE(done, static_cast<unsigned long>(kit::DemoMapsClock + 450));
  EXPECT_LT(done, static_cast<unsigned long>(kit::DemoMapsClock + 700)) << "the scene ends with the choice";
}

// The demo's reel plays in its cinema over its own background: its rectangle changes from
// frame to frame in the pause after a flip, and after the next flip, which carries the
// cinema to the new layer, it is still there and still playing.
TEST_F(PlayerRun, TheDemoPlaysItsReelThroughTheFlips) {
  WriteGame(kit::DemoGameFiles());
  const std::string text = kit::DemoToPictures();
  const std::vector<unsigned long> flipEnds = DemoFlipEnds(text, 9000);
  ASSERT_GE(flipEnds.size(), 2u);
  const kit::DemoFilm& reel = kit::DemoReel();
  const TRect& place = reel.Place;
  std::set<uint32_t> palette;
  for (int32_t c : kit::DemoLayerColours()) palette.insert(BgrToRgb(c));
  struct Frame {
    unsigned long clock;
    std::vector<uint32_t> reel;
  };
  std::vector<Frame> frames = {{flipEnds[0] + 50, {}}, {flipEnds[0] + 250, {}}, {flipEnds[1] + 50, {}}};
  for (Frame& frame : frames) {
    const TRun run = Run(
        {"game"}, {{"ORVA_INPUT", text + std::to_string(frame.clock) + " close"}, {"ORVA_CAPTURE", dir.Os("at.bmp")}});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    frame.reel = CapturedRect("at.bmp", place);
    const uint32_t background = BgrToRgb(reel.Background);
    // Corners of the film, which no track reaches, and the layer just outside it.
    for (TPoint p : {TPoint{place.Left, place.Top}, TPoint{place.Right - 1, place.Top},
                     TPoint{place.Left, place.Bottom - 1}, TPoint{place.Right - 1, place.Bottom - 1}}) {
      const uint32_t got = frame.reel[(p.Y - place.Top) * place.Width() + (p.X - place.Left)];
      EXPECT_EQ(got, background) << frame.clock << " at " << p.X << "," << p.Y << ": " << std::hex << got;
    }
    for (TPoint p :
         {TPoint{place.Left - 1, place.Top}, TPoint{place.Right, place.Bottom - 1}, TPoint{place.Left, place.Bottom}}) {
      const uint32_t got = CapturedPixel("at.bmp", p.X, p.Y);
      EXPECT_TRUE(palette.count(got)) << frame.clock << " at " << p.X << "," << p.Y << ": " << std::hex << got;
    }
  }
  const auto changed = [](const Frame& a, const Frame& b) {
    size_t n = 0;
    for (size_t i = 0; i < a.reel.size(); ++i) n += a.reel[i] != b.reel[i];
    return n;
  };
  EXPECT_GT(changed(frames[0], frames[1]), 100u) << "the film plays between flips";
  EXPECT_GT(changed(frames[1], frames[2]), 100u) << "and on after one";
}

// The demo's effects, once its text is read: snow falls inside its area, a fire burns along the
// bottom with its flames brightest low down, and the flag in the wave ripples, each row shifted
// by a few pixels; the same run twice shows the same frame, pixel for pixel.
TEST_F(PlayerRun, TheDemoShowsSnowFireAndAWaveTheSameInEveryRun) {
  WriteGame(kit::DemoGameFiles());
  const kit::DemoEffectSpots& spots = kit::DemoEffects();
  const std::string text = kit::DemoToPictures();
  const std::vector<unsigned long> flipEnds = DemoFlipEnds(text, 8000);
  ASSERT_GE(flipEnds.size(), 1u);
  // A frame in the pause after the first flip, which carried the effects to the new layer.
  const std::string at = std::to_string(flipEnds[0] + kit::DemoPauseMilliseconds / 2);
  std::vector<std::vector<uint32_t>> frames;
  for (int i = 0; i < 2; ++i) {
    const TRun run = Run({"game"}, {{"ORVA_INPUT", text + at + " close"}, {"ORVA_CAPTURE", dir.Os("effects.bmp")}});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    TDIB dib;
    dib.LoadFromFile(dir.Os("effects.bmp"));
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) pixels.push_back(DIBPixelColor(dib.Image(), dib.ScanLineReadOnly(y), x));
    frames.push_back(std::move(pixels));
  }
  ASSERT_EQ(frames[0].size(), 640u * 480u);
  EXPECT_TRUE(frames[0] == frames[1]) << "two runs on the virtual clock show the same frame";
  const auto pixel = [&](int x, int y) { return frames[0][size_t(y) * 640 + size_t(x)]; };
  const auto channel = [](uint32_t c, int shift) { return int(c >> shift & 0xFF); };
  const auto whitish = [&](uint32_t c) { return channel(c, 0) >= 0xD0 && channel(c, 8) >= 0xD0 && channel(c, 16) >= 0xD0; };

  // Flakes inside the snow's area; none below it.
  int flakes = 0, below = 0;
  for (int y = spots.SnowArea.Top; y < spots.SnowArea.Bottom; ++y)
    for (int x = spots.SnowArea.Left; x < spots.SnowArea.Right; ++x) flakes += whitish(pixel(x, y));
  for (int y = spots.SnowArea.Bottom; y < spots.SnowArea.Bottom + 25; ++y)
    for (int x = spots.SnowArea.Left + 20; x < spots.SnowArea.Left + 85; ++x) below += whitish(pixel(x, y));
  EXPECT_GT(flakes, 40);
  EXPECT_EQ(below, 0);

  // The fire: hot and red at its bottom, darker towards its top, nothing beside it.
  const auto rowHeat = [&](int y) {
    int sum = 0;
    for (int x = spots.FireArea.Left; x < spots.FireArea.Right; ++x) sum += channel(pixel(x, y), 16);
    return sum / spots.FireArea.Width();
  };
  const int bottom = rowHeat(spots.FireArea.Bottom - 1), top = rowHeat(spots.FireArea.Top);
  EXPECT_GT(bottom, 0xF0);
  EXPECT_LT(top + 0x40, bottom);
  EXPECT_EQ(pixel(spots.FireArea.Left - 5, spots.FireArea.Bottom - 1), pixel(spots.FireArea.Left - 5, 5));

  // The flag: the first edge between its stripes, row by row, lies a few pixels either side of
  // where the picture has it, and not in the same place in every row.
  const auto near = [&](uint32_t a, uint32_t b) {
    for (int shift : {0, 8, 16})
      if (std::abs(channel(a, shift) - channel(b, shift)) > 8) return false;
    return true;
  };
  std::set<int> shifts;
  for (int y = spots.WaveArea.Top; y < spots.WaveArea.Bottom; ++y) {
    int edge = -1;
    for (int x = spots.WaveArea.Left + 4; x < spots.WaveArea.Left + 2 * spots.FlagStripe; ++x)
      if (near(pixel(x, y), spots.FlagColours[1]) && near(pixel(x - 1, y), spots.FlagColours[0])) {
        edge = x;
        break;
      }
    ASSERT_GE(edge, 0) << "row " << y;
    const int shift = edge - (spots.WaveArea.Left + spots.FlagStripe);
    EXPECT_LE(std::abs(shift), spots.WaveAmp) << "row " << y;
    shifts.insert(shift);
  }
  EXPECT_GE(shifts.size(), 5u) << "the rows ripple";
}

// The player's own logo plays before the game: its emblem stands in the middle of the screen,
// and the game's first line runs once its two seconds are over, or a few frames after a
// click, Space or Enter skips it.
TEST_F(PlayerRun, TheLogoPlaysBeforeTheGameUnlessSkipped) {
  skipLogo = false;
  WriteGame(Game(PageBuilder().Wait("1").Terminate()));
  const auto firstLine = [&] {
    const std::vector<std::string> trace = Trace();
    return trace.empty() ? ~0ul : std::stoul(trace.front().substr(0, 8), nullptr, 16);
  };
  TRun run = Run({"game"}, {});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  const kit::LogoLayout& logo = kit::Logo();
  const unsigned long played = firstLine();
  EXPECT_GE(played, static_cast<unsigned long>(logo.Length * 1000 / 60));
  EXPECT_LT(played, static_cast<unsigned long>(logo.Length * 1000 / 60 + 100));

  run = Run({"game"}, {{"ORVA_INPUT", "1000 close"}, {"ORVA_CAPTURE", dir.Os("logo.bmp")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  const uint32_t core = CapturedPixel("logo.bmp", 320 - logo.Width / 2 + logo.EmblemCentre.X,
                                      240 - logo.Height / 2 + logo.EmblemCentre.Y);
  for (int shift : {0, 8, 16})
    EXPECT_NEAR(int(core >> shift & 0xFF), int(logo.EmblemCoreColour >> shift & 0xFF), 24) << std::hex << core;
  EXPECT_EQ(CapturedPixel("logo.bmp", 5, 5), 0u) << "around the logo the screen is black";

  for (const char* skip : {"1 key SPACE", "1 key RETURN", "1 click 320 262"}) {
    run = Run({"game"}, {{"ORVA_INPUT", skip}});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_LT(firstLine(), 100ul) << skip;
  }
}

// The left channel of a WAV file the player wrote (44100 Hz, 16-bit stereo).
std::vector<double> LeftChannel(const std::string& bytes) {
  std::vector<double> left;
  if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0) return left;
  for (size_t i = 44; i + 4 <= bytes.size(); i += 4)
    left.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));
  return left;
}

// Over the samples of [from, to) ms: the RMS, the amplitude of one frequency (Goertzel), and
// the RMS of the first differences, which the high click stands out in.
struct Heard {
  double rms, tone, sharp;
};
Heard Listen(const std::vector<double>& left, int from, int to, double frequency) {
  const size_t a = static_cast<size_t>(from) * 441 / 10, b = std::min(left.size(), static_cast<size_t>(to) * 441 / 10);
  double sum = 0, diff = 0, s1 = 0, s2 = 0;
  const double k = 2 * std::cos(2 * M_PI * frequency / 44100);
  for (size_t i = a; i < b; ++i) {
    sum += left[i] * left[i];
    if (i > a) diff += (left[i] - left[i - 1]) * (left[i] - left[i - 1]);
    const double s0 = left[i] + k * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  const double n = b > a ? static_cast<double>(b - a) : 1;
  const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
  return {std::sqrt(sum / n), 2 * std::sqrt(std::max(power, 0.0)) / n, std::sqrt(diff / n)};
}

// The loudness of what is heard apart from the movie's tone.
double MusicRms(const std::vector<double>& left, int from, int to) {
  const Heard h = Listen(left, from, to, kit::DemoMovieTone);
  return std::sqrt(std::max(h.rms * h.rms - h.tone * h.tone / 2, 0.0));
}

// The demo's title: the music fades in and goes on, the opening movie shows its moving bars
// as an overlay with its tone, and a click on the box plays the click effect.
TEST_F(PlayerRun, TheDemoPlaysItsMusicItsMovieAndItsClick) {
  WriteGame(kit::DemoGameFiles());
  TRun run = Run({"game"}, {{"ORVA_INPUT", DemoBoxClicks({1000}) + "4500 close"},
                            {"ORVA_AUDIO_CAPTURE", dir.Os("heard.wav")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  const std::vector<double> left = LeftChannel(dir.Read("heard.wav"));
  ASSERT_GE(left.size(), 4400u * 441 / 10) << "the whole run";
  unsigned long music = ~0ul;
  for (const std::string& line : Trace())
    if (line.ends_with("start.osb(" + std::to_string(kit::DemoMusicLine) + ")")) music = std::stoul(line.substr(0, 8), nullptr, 16);
  ASSERT_LT(music, 200u);
  const auto musicRms = [&](int from, int to) { return MusicRms(left, from, to); };
  // The movie's tone while it plays, none after its two seconds.
  EXPECT_GT(Listen(left, 300, 900, kit::DemoMovieTone).tone, 3000);
  EXPECT_LT(Listen(left, 2300, 4400, kit::DemoMovieTone).tone, 300);
  // The music: faint at first, then at its full loudness, and still there at the end.
  const double early = musicRms(int(music) + 50, int(music) + 300);
  const double late = musicRms(2500, 4400);
  EXPECT_GT(late, 2000);
  EXPECT_LT(early, late * 0.2);
  EXPECT_GT(musicRms(4000, 4400), 1000) << "it loops";
  // The click, within the frame after the press.
  EXPECT_GT(Listen(left, 1000, 1100, 0).sharp, 4 * Listen(left, 880, 980, 0).sharp);

  // Frames of the movie at two times: the bars and the block where that frame has them.
  const TPoint at = kit::DemoMoviePlace;
  for (int clock : {600, 1400}) {
    run = Run({"game"}, {{"ORVA_INPUT", std::to_string(clock) + " close"}, {"ORVA_CAPTURE", dir.Os("movie.bmp")}});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const int expected = clock * kit::DemoMovieFps / 1000;
    bool matched = false;
    for (int frame = std::max(0, expected - 3); frame <= expected + 1 && !matched; ++frame) {
      matched = true;
      for (int x = 4; x < kit::DemoMovieWidth; x += 8)
        for (int y : {10, kit::DemoMovieHeight - 6}) {
          const uint32_t want = kit::DemoMoviePixel(frame, x, y);
          const uint32_t got = CapturedPixel("movie.bmp", at.X + x, at.Y + y);
          for (int shift : {0, 8, 16})
            if (std::abs(int(want >> shift & 0xFF) - int(got >> shift & 0xFF)) > 40) matched = false;
        }
    }
    EXPECT_TRUE(matched) << "a frame of the movie at " << clock << " ms";
  }
}

// On to the pictures the title music fades out and the pictures' MIDI tune takes over: its
// notes are heard through the synthesiser long after the music has gone.
TEST_F(PlayerRun, TheDemoPlaysAMidiTuneWithItsPictures) {
  WriteGame(kit::DemoGameFiles());
  TRun run = Run({"game"}, {{"ORVA_INPUT", kit::DemoToPictures() + "9000 close"},
                            {"ORVA_AUDIO_CAPTURE", dir.Os("heard.wav")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  unsigned long tune = ~0ul;
  for (const std::string& line : Trace())
    if (line.ends_with("start.osb(" + std::to_string(kit::DemoTuneLine) + ")")) tune = std::stoul(line.substr(0, 8), nullptr, 16);
  ASSERT_LT(tune, 7000u) << "the pictures' tune starts";
  const std::vector<double> left = LeftChannel(dir.Read("heard.wav"));
  ASSERT_GE(left.size(), 8900u * 441 / 10);
  const auto rms = [&](int from, int to) { return Listen(left, from, to, 0).rms; };
  // The music's fade is over after a second; what is heard then is the tune, whose soft
  // notes give 190 to 450 over any quarter of a second (silence stays below 10).
  EXPECT_GT(rms(int(tune) + 1200, int(tune) + 1700), 150);
  EXPECT_GT(rms(8000, 8900), 150) << "the tune goes on";
}

// The clocks of the trace lines that end with the text.
std::vector<unsigned long> Clocks(const std::vector<std::string>& trace, const std::string& ending) {
  std::vector<unsigned long> clocks;
  for (const std::string& line : trace)
    if (line.ends_with(ending)) clocks.push_back(std::stoul(line.substr(0, 8), nullptr, 16));
  return clocks;
}

// The demo's title screen: its start button shows its hover and pressed looks under the mouse
// and a click on it moves on to the text; a timer blinks the line below the buttons.
TEST_F(PlayerRun, TheDemoTitleScreenHasLiveButtonsAndABlinkingLine) {
  WriteGame(kit::DemoGameFiles());
  const kit::DemoScreenSpots& spots = kit::DemoScreens();
  const auto blinkPixels = [&](const std::string& file) { return CountNear(file, spots.Blink, spots.BlinkColour); };
  auto capture = [&](const std::string& input) {
    const TRun run = Run({"game"}, {{"ORVA_INPUT", input}, {"ORVA_CAPTURE", dir.Os("title.bmp")}});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    return CapturedPixel("title.bmp", spots.ButtonBody.X, spots.ButtonBody.Y);
  };
  const auto at = [](TPoint p) { return std::to_string(p.X) + " " + std::to_string(p.Y + kit::DemoWindowTop); };

  // The timer's ticks, from a first run: the line hides at the first and shows at the next.
  EXPECT_TRUE(Near(capture("1500 close"), spots.ButtonColours[0]));
  const std::vector<unsigned long> ticks = Clocks(Trace(), "<Event>blink.osb(1)");
  ASSERT_GE(ticks.size(), 2u);
  // The timer keeps its rhythm; its handler runs at the first 16-ms frame after each tick.
  EXPECT_NEAR(double(ticks[1] - ticks[0]), kit::DemoBlinkMilliseconds, 16);
  const int shown = blinkPixels("title.bmp");
  EXPECT_GT(shown, 100);

  // Under the mouse, the hover look; the line hidden.
  const std::string hover = std::to_string(ticks[0] + 50) + " move " + at(spots.StartButton) + "; ";
  EXPECT_TRUE(Near(capture(hover + std::to_string(ticks[0] + 250) + " close"), spots.ButtonColours[1]));
  EXPECT_EQ(blinkPixels("title.bmp"), 0);
  // Held down, the pressed look; the line back.
  const std::string press = hover + std::to_string(ticks[1] + 50) + " down left " + at(spots.StartButton) + "; ";
  EXPECT_TRUE(Near(capture(press + std::to_string(ticks[1] + 250) + " close"), spots.ButtonColours[2]));
  EXPECT_EQ(blinkPixels("title.bmp"), shown);
  // Released over the button: its notify handler lets the title go, and the text begins.
  const std::string release = press + std::to_string(ticks[1] + 300) + " up left " + at(spots.StartButton) + "; ";
  const uint32_t after = capture(release + std::to_string(ticks[1] + 500) + " close");
  EXPECT_EQ(after, BgrToRgb(kit::DemoLayerColours()[0])) << "the title has gone";
  EXPECT_EQ(blinkPixels("title.bmp"), 0);
  const std::vector<std::string> trace = Trace();
  const std::vector<unsigned long> notified = Clocks(trace, "<Event>gostart.osb(1)");
  ASSERT_EQ(notified.size(), 1u);
  EXPECT_GE(notified[0], ticks[1] + 300);
  EXPECT_LT(Clocks(trace, "<Event>blink.osb(1)").back(), notified[0]) << "the timer went with the title";
}

// After the text the choice menu opens, growing over DemoMenuOpenMilliseconds; Down, Down and
// Return choose its second line, which @SelIndex reports: the settings screen opens.
TEST_F(PlayerRun, TheDemoChoiceMenuOpensAnimatedAndTheKeysChooseItsSecondLine) {
  WriteGame(kit::DemoGameFiles());
  const kit::DemoScreenSpots& spots = kit::DemoScreens();
  const std::string text = DemoBoxClicks({1000, 2000, 3000, 4000});
  const std::string keys = "4800 keydown DOWN; 4850 keyup DOWN; 4900 keydown DOWN; 4950 keyup DOWN; 5000 key RETURN; ";
  TRun run = Run({"game"}, {{"ORVA_INPUT", text + keys + "6000 close"}, {"ORVA_CAPTURE", dir.Os("chosen.bmp")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(StatusInt("choice"), 1);
  std::vector<std::string> trace = Trace();
  const std::vector<unsigned long> menu = Clocks(trace, "start.osb(" + std::to_string(kit::DemoChoiceLine) + ")");
  ASSERT_EQ(menu.size(), 1u);
  EXPECT_GE(menu[0], 4000u);
  const std::vector<unsigned long> chose = Clocks(trace, "<Event>chose.osb(1)");
  ASSERT_EQ(chose.size(), 1u);
  EXPECT_GE(chose[0], 5000u) << "the keys of 4800 and 4900 only moved the hover";
  const std::vector<unsigned long> branch =
      Clocks(trace, "start.osb(" + std::to_string(kit::DemoChoiceDoneLine) + ")");
  ASSERT_EQ(branch.size(), 1u);
  ASSERT_FALSE(Clocks(trace, "settings.osb(1)").empty());
  EXPECT_GE(Clocks(trace, "settings.osb(1)")[0], branch[0]);
  // The settings screen shows the volume over the thumb at its right end.
  const TRect overThumb{spots.VolumeThumb.X - 40, spots.VolumeText.Top, spots.VolumeThumb.X + 40,
                        spots.VolumeText.Bottom};
  EXPECT_GT(CountNear("chosen.bmp", overThumb, spots.VolumeTextColour), 20);

  // The menu's height, counted down a column inside its left border, half-way through the
  // opening and after it.
  const uint32_t layer = BgrToRgb(kit::DemoLayerColours()[0]);
  const auto menuRows = [&](unsigned long clock) {
    const TRun r = Run({"game"}, {{"ORVA_INPUT", text + std::to_string(clock) + " close"},
                                  {"ORVA_CAPTURE", dir.Os("menu.bmp")}});
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    int rows = 0;
    for (int y = spots.ChoiceMenu.Y; y < spots.ChoiceMenu.Y + spots.ChoiceHeight + 8; ++y)
      rows += CapturedPixel("menu.bmp", spots.ChoiceMenu.X + 6, y) != layer;
    return rows;
  };
  const int half = menuRows(menu[0] + 32 + kit::DemoMenuOpenMilliseconds / 2);
  EXPECT_GT(half, spots.ChoiceHeight / 4);
  EXPECT_LT(half, spots.ChoiceHeight * 3 / 4);
  EXPECT_EQ(menuRows(menu[0] + 32 + kit::DemoMenuOpenMilliseconds + 100), spots.ChoiceHeight);
}

// The settings screen, opened from the title: dragging the volume thumb to its left end sets
// the music's volume to 0, which silences it, and the value caption follows the thumb; the
// setting is kept for the next start; the button closes the screen.
TEST_F(PlayerRun, TheDemoSettingsSliderSetsTheMusicVolumeAndItsCaptionFollows) {
  WriteGame(kit::DemoGameFiles());
  const kit::DemoScreenSpots& spots = kit::DemoScreens();
  const auto at = [](TPoint p) { return std::to_string(p.X) + " " + std::to_string(p.Y + kit::DemoWindowTop); };
  const TPoint thumb = spots.VolumeThumb, left{thumb.X - spots.VolumeBarLength - 60, thumb.Y},
               half{thumb.X - spots.VolumeBarLength / 2, thumb.Y};
  const std::string open = kit::DemoClickAt(400, spots.SettingsButton);
  const std::string drag = "2500 move " + at(thumb) + "; 2550 down left " + at(thumb) + "; 2600 move " + at(half) +
                           "; 2650 move " + at(left) + "; 2700 up left " + at(left) + "; ";
  TRun run = Run({"game"}, {{"ORVA_INPUT", open + drag + "3900 close"},
                            {"ORVA_AUDIO_CAPTURE", dir.Os("heard.wav")},
                            {"ORVA_CAPTURE", dir.Os("settings.bmp")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(StatusInt("volume"), 0);
  EXPECT_GE(Clocks(Trace(), "<Event>volume.osb(1)").size(), 2u) << "a notify per change of the value";
  const std::vector<double> heard = LeftChannel(dir.Read("heard.wav"));
  ASSERT_GE(heard.size(), 3800u * 441 / 10);
  EXPECT_GT(MusicRms(heard, 2200, 2450), 2000) << "the music before the drag";
  EXPECT_LT(MusicRms(heard, 2900, 3800), 50) << "and after it";
  // The value caption, 0 now, stands over the thumb at the bar's left end.
  const int32_t end = thumb.X - spots.VolumeBarLength;
  const int nearLeft =
      CountNear("settings.bmp", {end - 16, spots.VolumeText.Top, end + 16, spots.VolumeText.Bottom},
                spots.VolumeTextColour);
  EXPECT_GT(nearLeft, 10);
  EXPECT_EQ(CountNear("settings.bmp", spots.VolumeText, spots.VolumeTextColour), nearLeft);

  // The next start keeps the volume: the music stays silent. The settings button opens the
  // screen and its button closes it again over the title.
  run = Run({"game"}, {{"ORVA_INPUT", open + kit::DemoClickAt(1000, spots.BackButton) + "2500 close"},
                       {"ORVA_AUDIO_CAPTURE", dir.Os("heard.wav")},
                       {"ORVA_CAPTURE", dir.Os("back.bmp")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_LT(MusicRms(LeftChannel(dir.Read("heard.wav")), 2100, 2450), 50);
  EXPECT_TRUE(Near(CapturedPixel("back.bmp", spots.ButtonBody.X, spots.ButtonBody.Y), spots.ButtonColours[0]));
  // The panel reaches out beside the title's box; there the layer shows again.
  const TPoint panel{spots.SettingsPanel.Left + 6, spots.SettingsPanel.Top + 60};
  EXPECT_NE(CapturedPixel("settings.bmp", panel.X, panel.Y), BgrToRgb(kit::DemoLayerColours()[0]));
  EXPECT_EQ(CapturedPixel("back.bmp", panel.X, panel.Y), BgrToRgb(kit::DemoLayerColours()[0]));
}

// Pages reach the engine through the system variables and the built-in functions.
TEST_F(PlayerRun, PagesCallBuiltInFunctionsAndReadTheEngine) {
  WriteGame(Game(PageBuilder()
                     .Wait("100")
                     .Calc("seen = Length(\"abcd\") * 10000 + @ScrWidth + @TickCount")
                     .Calc("midi = JLength(@MidiPort)")
                     .Terminate(),
                 kit::ProjectFileBuilder().Screen(320, 240).IntVar("seen", 0).IntVar("midi", 0)));
  const TRun run = Run({"game"}, {});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  // @TickCount: the game clock when the wait of 100 ms has passed on 16 ms frames, begun
  // after the three frames of the skipped logo.
  EXPECT_EQ(StatusInt("seen"), 40000 + 320 + 48 + 112);
  // The MIDI mapper, "MIDIマッパー", is the device chosen at start.
  EXPECT_EQ(StatusInt("midi"), 8);
}

// A page captures the screen into the game's directory as a layered image.
TEST_F(PlayerRun, APageCapturesTheScreen) {
  WriteGame(Game(PageBuilder().Wait("50").Calc("ok = SaveScreen(\"shot.vsk\", 0, 120)").Terminate(),
                 kit::ProjectFileBuilder().Screen(320, 240).BoolVar("ok", false)));
  const TRun run = Run({"game"}, {});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(StatusInt("ok"), 1);
  TVaskFrameList frames;
  frames.LoadFromFile(dir.Game("game\\shot.vsk"), false);
  ASSERT_EQ(frames.Count(), 1);
  EXPECT_EQ(frames.GetFrame(0).Surface.GetWidth(), 320);
  EXPECT_EQ(frames.GetFrame(0).Surface.GetHeight(), 120);
}

TEST_F(PlayerRun, AWaitEndsAtTheSameClockEveryRun) {
  struct Case {
    int32_t version;
    const char* last;
  };
  // The wait begins after the three frames of the skipped logo: 48 ms paced, 3 ms unpaced.
  for (const Case c : {Case{109, "00000420 : start.osb(2)"}, Case{105, "000003EB : start.osb(2)"}}) {
    WriteGame(Game(PageBuilder(c.version).Wait("1000").Terminate(), kit::ProjectFileBuilder(c.version)));
    const TRun run = Run({"game"}, {});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const std::vector<std::string> trace = Trace();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back(), c.last) << c.version;
  }
}

TEST_F(PlayerRun, TheFrameOfALoadIsNotCaptured) {
  std::vector<kit::GameFile> files = Game(PageBuilder().GameSave("1", "after.osb", 0, "\"s\"").GameLoad("1"));
  files.push_back({"after.osb", PageBuilder().Wait("100").Terminate().Bytes()});
  WriteGame(files);
  const TRun run = Run({"game"}, {{"ORVA_CAPTURE", dir.Os("frame%d.bmp")}});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  // Three frames of the skipped logo, then the save.
  EXPECT_TRUE(dir.Exists("frame4.bmp"));
  EXPECT_FALSE(dir.Exists("frame5.bmp")) << "the frame in which the game was loaded";
  EXPECT_TRUE(dir.Exists("frame6.bmp"));
  EXPECT_TRUE(dir.Exists("game/save.dat"));
}

TEST_F(PlayerRun, AGameThatCannotStartShowsWhyAndShowsNoFrame) {
  struct Case {
    const char* what;
    kit::ProjectFileBuilder project;
    const char* message;
  };
  const Case cases[] = {
      {"no start page", kit::ProjectFileBuilder().StartPage("missing.osb"), "スタートページがありません"},
      {"no screen", kit::ProjectFileBuilder().Screen(0, 0), ""},
  };
  for (const Case& c : cases) {
    WriteGame(Game(PageBuilder().Wait("100").Terminate(), c.project));
    std::filesystem::remove(dir.Os("last.bmp"));
    const TRun run = Run({"game"}, {{"ORVA_CAPTURE", dir.Os("last.bmp")}});
    // A start-up that ends without a game is a failure; a game without a screen runs (on
    // nothing) until it is closed.
    EXPECT_EQ(run.exitCode, *c.message ? 1 : 0) << c.what << run.errors;
    EXPECT_NE(run.errors.find(c.message), std::string::npos) << c.what << run.errors;
    EXPECT_FALSE(dir.Exists("last.bmp")) << c.what;
  }
}

// A start that ends without a game exits with 1 and one line naming what was missing or
// damaged; a damaged "save.dat" is still shown in its box and left as it is.
TEST_F(PlayerRun, AStartWithoutAGameFailsAndSaysWhy) {
  WriteGame(Game(PageBuilder().Wait("100").Terminate()));
  const std::string game = dir.Read("game/game.dat");
  std::string damagedStatus;
  {
    TVrFileCollection save;
    save.AddMemoryFile("STATUSSAVEDATA").Data->WriteBuffer("Status103 and more", 18);
    TWzBigMemoryStream out;
    save.SaveToStream(out);
    out.SaveToFile(dir.Game("game\\save.dat"));
    DamageEntry(dir.Game("game\\save.dat"), "STATUSSAVEDATA", 0, 1);
    damagedStatus = dir.Read("game/save.dat");
  }
  struct Case {
    const char* what;
    std::string directory, gameDat, saveDat;  // "-": no such file
    std::string line, box;
  } cases[] = {
      {"no directory", "no/such/dir", "-", "-", "orva-player: no/such/dir: No such file or directory\n", ""},
      {"no game", "game", "-", "-", "orva-player: orva.opb:ファイルがありません\n", ""},
      {"empty save.dat", "game", game, "",
       "orva-player: Invalid archive directory: game\\save.dat\n", "[警告] Invalid archive directory: game\\save.dat -> ok\n"},
      {"damaged status", "game", game, damagedStatus, "orva-player: zlib: unknown compression method: game\\save.dat\n",
       "[警告] zlib: unknown compression method: game\\save.dat -> ok\n"},
  };
  for (const Case& c : cases) {
    for (const auto& [name, bytes] : {std::pair{"game/game.dat", c.gameDat}, std::pair{"game/save.dat", c.saveDat}}) {
      std::filesystem::remove(dir.Os(name));
      if (bytes != "-") dir.Write(name, bytes);
    }
    const TRun run = Run({c.directory}, {{"ORVA_CAPTURE", dir.Os("last.bmp")}});
    EXPECT_EQ(run.exitCode, 1) << c.what;
    EXPECT_EQ(run.errors, c.box + c.line) << c.what;
    EXPECT_FALSE(dir.Exists("last.bmp")) << c.what;
    if (c.saveDat != "-") {
      EXPECT_EQ(dir.Read("game/save.dat"), c.saveDat) << c.what << ": the file is left as it was";
    }
  }
}

TEST_F(PlayerRun, ASecondInstanceForTheSameGameEndsAtOnceAndWritesNothing) {
  WriteGame(kit::DemoGameFiles());
  const std::string cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.Os(""));
  const std::string name = MutexName(AbsoluteGamePath("./game/"));
  std::filesystem::current_path(cwd);
  const std::unique_ptr<TInstanceLock> first = TInstanceLock::TryAcquireIn(dir.Os(""), name);
  ASSERT_TRUE(first);
  const TRun run = Run({"game"}, {{"ORVA_INPUT", "5000 close"}, {"ORVA_CAPTURE", dir.Os("last.bmp")}});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.errors, "orva-player: game is already running\n");
  EXPECT_FALSE(dir.Exists("dbglog.txt"));
  EXPECT_FALSE(dir.Exists("game/save.dat"));
  EXPECT_FALSE(dir.Exists("last.bmp"));
}

// Beside a slot whose stored bytes are damaged, slot 7 is saved and loaded again and the
// status is written at the end; the damaged slot stays as it was.
TEST_F(PlayerRun, ADamagedSlotBlocksNoSave) {
  // After the load "after.osb" runs, then the page goes on from the wait it was saved at.
  PageBuilder start;
  start.GameSave("7", "after.osb", 0, "\"seven\"").Wait("50").If("mark == 0", [&] { start.GameLoad("7"); });
  start.Calc("done = 1").Terminate();
  std::vector<kit::GameFile> files = Game(start, kit::ProjectFileBuilder().IntVar("mark", 0).IntVar("done", 0));
  files.push_back({"after.osb", PageBuilder().Calc("mark = 7").Bytes()});
  WriteGame(files);
  {
    TVrFileCollection save;
    for (const char* slot : {"GAMESAVEDATA1", "GAMESAVEDATA2"})
      save.AddMemoryFile(slot).Data->WriteBuffer("an old save of the game", 23);
    TWzBigMemoryStream out;
    save.SaveToStream(out);
    out.SaveToFile(dir.Game("game\\save.dat"));
  }
  DamageEntry(dir.Game("game\\save.dat"), "GAMESAVEDATA1", 4, 8);
  const std::string damaged = StoredBytes(dir.Game("game\\save.dat"), "GAMESAVEDATA1");

  const TRun run = Run({"game"}, {});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.errors, "");
  EXPECT_EQ(StatusInt("mark"), 7) << "slot 7 was saved and loaded";
  EXPECT_EQ(StatusInt("done"), 1) << "and the status written at the end";
  EXPECT_EQ(StoredBytes(dir.Game("game\\save.dat"), "GAMESAVEDATA1"), damaged);
}

// A status that cannot be written at the end is shown like any failed save, with its cause.
TEST_F(PlayerRun, AStatusThatCannotBeWrittenIsShownWithItsCause) {
  WriteGame(Game(PageBuilder().Wait("50").Terminate()));
  std::filesystem::create_directory(dir.Os("game/save.dat"));
  const TRun run = Run({"game"}, {});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.errors, "[警告] Stream write error: game/save.dat: Is a directory -> ok\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Os("game")), {}), 2) << "nothing left beside";
}

// What a save killed half-way left in the game directory is gone after the next start;
// other files stay.
TEST_F(PlayerRun, AStartRemovesStaleSaveFiles) {
  WriteGame(Game(PageBuilder().Wait("50").Terminate()));
  for (const char* name : {".save.dat.~99999999-0.tmp", ".save.001.~1-12.tmp", "notes.~1-2.tmp", ".notes.tmp"})
    dir.Write(std::string("game/") + name, "stale");
  const TRun run = Run({"game"}, {});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Os("game"))) names.insert(entry.path().filename());
  EXPECT_EQ(names, (std::set<std::string>{"game.dat", "save.dat", "notes.~1-2.tmp", ".notes.tmp"}));
}

// A script that never waits stays closable: the scripted close ends it after a bounded number
// of steps, with the status written, and a run without a close is stopped at its frame cap.
TEST_F(PlayerRun, AScriptThatNeverWaitsIsClosedOrStopped) {
  PageBuilder start;
  start.Calc("before = 1").While("TRUE", [&] { start.Calc("n = n + 1"); });
  WriteGame(Game(start, kit::ProjectFileBuilder().IntVar("before", 0).IntVar("n", 0)));
  TRun run = Run({"game"}, {{"ORVA_INPUT", "500 close"}});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(StatusInt("before"), 1);
  // The loop began at 48 ms: looks at 148 .. 548 ms, the last one finding the close; three
  // steps a round.
  const int32_t rounds = 5 * TFormView::kHeadlessLookSteps / 3;
  EXPECT_NEAR(StatusInt("n"), rounds, 2);

  run = Run({"game"}, {{"ORVA_FRAME_CAP", "20"}});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.errors.find("stopped after 20 frames"), std::string::npos) << run.errors;
}

// A damaged handler page raises the same error every frame: one box, the rest on standard
// error and in the trace.
TEST_F(PlayerRun, AnErrorOfEveryFrameShowsOneBox) {
  PageBuilder start;
  start.Component(TCommandCode::Timer, {{PR_NAME, "\"ticker\""}, {PR_DELAY, "16"}, {PR_ONNOTIFY, "\"tick.osb\""}})
      .Wait("100000");
  std::vector<kit::GameFile> files = Game(start);
  PageBuilder tick;  // long enough to be stored compressed
  for (int i = 0; i < 20; ++i) tick.Calc("n = 1");
  files.push_back({"tick.osb", tick.Bytes()});
  WriteGame(files);
  DamageEntry(dir.Game("game\\game.dat"), "tick.osb", 0, 1);
  const TRun run = Run({"game"}, {{"ORVA_INPUT", "1000 close"}});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(LinesWith(run.errors, "[警告] zlib: unknown compression method -> ok"), 1u) << run.errors;
  // Only the first repeat is written; the next line would come five seconds after it.
  const size_t again = LinesWith(run.errors, "orva-player: again");
  EXPECT_EQ(again, 1u) << run.errors;
  EXPECT_EQ(LinesWith(run.errors, "orva-player: again: [警告] zlib: unknown compression method (tick.osb)"), 1u);
  const std::vector<std::string> trace = Trace();
  EXPECT_EQ(size_t(std::count_if(trace.begin(), trace.end(),
                                 [](const std::string& l) { return l.ends_with("<Error>zlib: unknown compression method"); })),
            again);
}

TEST_F(PlayerRun, ARunawayGameIsStoppedAtItsFrameCap) {
  WriteGame(Game(PageBuilder().Wait("100000")));
  const TRun run = Run({"game"}, {{"ORVA_FRAME_CAP", "50"}});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.errors.find("50 frames"), std::string::npos) << run.errors;
}

TEST_F(PlayerRun, TheSettingsWindowRunsInsteadOfTheGame) {
  WriteGame(kit::DemoGameFiles());
  const TRun run = Run({"/CONFIG", "game"}, {{"ORVA_INPUT", "10 click 30 30; 20 click 70 85; 30 click 130 150"}});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_FALSE(dir.Exists("game/save.dat"));
  EXPECT_TRUE(Trace().empty());
}

TEST_F(PlayerRun, TheSettingsWindowWritesTheSettingsFile) {
  const TRun run = Run({"/config"}, {{"ORVA_INPUT", "10 click 30 30; 20 click 70 85; 30 click 130 150"}});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  const std::string ini = dir.Read("game.ini");
  EXPECT_NE(ini.find("DirectSound=0"), std::string::npos) << ini;
  EXPECT_NE(ini.find("DelayTime=200"), std::string::npos) << ini;
}

// ---- The real window ----

TEST_F(PlayerRun, TheWindowRunsOnSdlsDummyDriver) {
  WriteGame(Game(PageBuilder().Wait("200").Terminate()));
  const TRun run = Run({"game"}, {{"SDL_VIDEODRIVER", "dummy"}, {"SDL_AUDIODRIVER", "dummy"},
                                  {"ASAN_OPTIONS", "detect_leaks=0"}}, false);
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  const std::vector<std::string> trace = Trace();
  ASSERT_FALSE(trace.empty());
  EXPECT_NE(trace.back().find("start.osb(2)"), std::string::npos);
}

// A virtual X server on a display that no server has taken, for the object's life. No
// display when there is no Xvfb.
class TVirtualXServer {
 public:
  TVirtualXServer() {
    if (std::system("command -v Xvfb > /dev/null 2>&1") != 0) return;
    int number = 200 + ::getpid() % 500;
    while (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock") ||
           std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)))
      ++number;
    std::string xvfb = "Xvfb", displayArg = ":" + std::to_string(number), screen = "-screen", screenNumber = "0",
                size = "800x600x24", nolisten = "-nolisten", tcp = "tcp";
    char* serverArgs[] = {xvfb.data(), displayArg.data(), screen.data(), screenNumber.data(), size.data(),
                          nolisten.data(), tcp.data(), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const bool started = posix_spawnp(&server_, "Xvfb", &quiet, nullptr, serverArgs, environ) == 0;
    posix_spawn_file_actions_destroy(&quiet);
    display_ = displayArg;
    if (!started) {
      server_ = 0;
      ADD_FAILURE() << "Xvfb could not be started";
      return;
    }
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ~TVirtualXServer() {
    if (server_ <= 0) return;
    ::kill(server_, SIGTERM);
    ::waitpid(server_, nullptr, 0);
  }
  TVirtualXServer(const TVirtualXServer&) = delete;
  TVirtualXServer& operator=(const TVirtualXServer&) = delete;

  const std::string& Display() const { return display_; }

 private:
  pid_t server_ = 0;
  std::string display_;
};

TEST_F(PlayerRun, TheWindowRunsUnderAVirtualXServer) {
  const TVirtualXServer server;
  if (server.Display().empty()) GTEST_SKIP() << "no Xvfb";
  WriteGame(Game(PageBuilder().Wait("300").Terminate()));
  const TRun run = Run({"game"}, {{"DISPLAY", server.Display()}, {"SDL_AUDIODRIVER", "dummy"},
                                  {"ASAN_OPTIONS", "detect_leaks=0"}}, false);
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  const std::vector<std::string> trace = Trace();
  ASSERT_FALSE(trace.empty()) << "the window was never active";
  EXPECT_NE(trace.back().find("start.osb(2)"), std::string::npos);
}

// ---- Staging files and a second start ----

// What a capture or a save killed half-way left in sub-folders is gone after the next start;
// a staging file whose writer still holds it (a player that does not share this one's guard)
// stays.
TEST_F(PlayerRun, AStartRemovesStaleStagingFilesInSubFoldersButNotOnesBeingWritten) {
  WriteGame(Game(PageBuilder().Wait("50").Terminate()));
  std::filesystem::create_directories(dir.Os("game/sub/deeper"));
  const std::vector<std::string> stale = {"game/sub/.shot.vsk.~99999999-0.tmp", "game/sub/deeper/.save.dat.~1-7.tmp"};
  for (const std::string& name : stale) dir.Write(name, "stale");
  const std::string live = "game/sub/.shot.vsk.~2-3.tmp";
  dir.Write(live, "being written");
  const int writer = ::open(dir.Os(live).c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0);
  const TRun run = Run({"game"}, {});
  ::close(writer);
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  for (const std::string& name : stale) EXPECT_FALSE(dir.Exists(name)) << name;
  EXPECT_EQ(dir.Read(live), "being written");
}

// Started without a game directory, the game is the program's own: the line names the program.
TEST_F(PlayerRun, ASecondStartOfTheProgramsOwnGameNamesTheProgram) {
  const std::unique_ptr<TInstanceLock> first =
      TInstanceLock::TryAcquireIn(dir.Os(""), MutexName(AbsoluteGamePath(dir.Os(""))));
  ASSERT_TRUE(first);
  const TRun run = Run({}, {{"ORVA_INPUT", "5000 close"}});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.errors,
            "orva-player: " + std::filesystem::canonical(dir.Os("orva-player")).string() + " is already running\n");
  EXPECT_FALSE(dir.Exists("dbglog.txt"));
}

// ---- A damaged handler page ----

// Timers call two damaged pages and a good one while the start page counts its frames: each
// damaged page shows its own box once and its events leave the queue, the start page and the
// good handler run on at their pace, and the repeats take a few lines of standard error.
TEST_F(PlayerRun, ADamagedHandlerPageLetsTheGameGoOn) {
  PageBuilder start;
  start.Component(TCommandCode::Timer, {{PR_NAME, "\"bad1\""}, {PR_DELAY, "100"}, {PR_ONNOTIFY, "\"bad1.osb\""}})
      .Component(TCommandCode::Timer, {{PR_NAME, "\"good\""}, {PR_DELAY, "1000"}, {PR_ONNOTIFY, "\"good.osb\""}})
      .Component(TCommandCode::Timer, {{PR_NAME, "\"bad2\""}, {PR_DELAY, "2000"}, {PR_ONNOTIFY, "\"bad2.osb\""}})
      .While("TRUE", [&] { start.Calc("frames = frames + 1").Wait("16"); });
  std::vector<kit::GameFile> files = Game(start, kit::ProjectFileBuilder().IntVar("frames", 0).IntVar("later", 0));
  PageBuilder damaged;  // long enough to be stored compressed
  for (int i = 0; i < 20; ++i) damaged.Calc("later = 1000");
  files.push_back({"bad1.osb", damaged.Bytes()});
  files.push_back({"bad2.osb", damaged.Bytes()});
  files.push_back({"good.osb", PageBuilder().Calc("later = later + 1").Bytes()});
  WriteGame(files);
  for (const char* page : {"bad1.osb", "bad2.osb"}) DamageEntry(dir.Game("game\\game.dat"), page, 0, 1);

  const TRun run = Run({"game"}, {{"ORVA_INPUT", "12000 close"}});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(LinesWith(run.errors, "[警告] zlib: unknown compression method -> ok"), 2u) << run.errors;
  // Frames of 16 ms from 48 ms on, less those whose run ended in an error (bad1.osb's, one
  // in six).
  EXPECT_GT(StatusInt("frames"), 600);
  EXPECT_LE(StatusInt("frames"), (12000 - 48) / 16);
  EXPECT_EQ(StatusInt("later"), 11) << "every second from the first";
  // Per page: the first repeat, then a line with the count every five seconds.
  EXPECT_LE(std::count(run.errors.begin(), run.errors.end(), '\n'), 2 + 2 * 3) << run.errors;
  EXPECT_EQ(LinesWith(run.errors, "orva-player: again: [警告] zlib: unknown compression method (bad1.osb)"), 1u);
  EXPECT_EQ(LinesWith(run.errors, "orva-player: again: [警告] zlib: unknown compression method (bad2.osb)"), 1u);
  // Then bad1.osb's repeats of five seconds, one every 100 ms, in a line each.
  std::vector<int> counts;
  std::istringstream lines(run.errors);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with("orva-player: again (") && line.ends_with("(bad1.osb)"))
      counts.push_back(std::stoi(line.substr(std::string("orva-player: again (").size())));
  ASSERT_EQ(counts.size(), 2u) << run.errors;
  for (int count : counts) EXPECT_NEAR(count, 50, 2) << run.errors;
  const std::vector<std::string> trace = Trace();
  EXPECT_EQ(size_t(std::count_if(trace.begin(), trace.end(),
                                 [](const std::string& l) { return l.find("<Error>") != std::string::npos; })),
            LinesWith(run.errors, "orva-player: again"));
}

// ---- Close signals ----

// A game for the signals: "before" set, then a script that never waits or a long wait.
std::vector<kit::GameFile> SignalledGame(bool waits) {
  PageBuilder start;
  start.Calc("before = 1");
  if (waits) start.Wait("1000000");
  else start.While("TRUE", [&] { start.Calc("n = n + 1"); });
  return Game(start, kit::ProjectFileBuilder().IntVar("before", 0).IntVar("n", 0));
}

class SignalledRun : public PlayerRun {
 protected:
  // Waits until a file of the run's directory holds at least that many bytes (at most a
  // minute); false when the program ended first.
  bool WaitForFile(pid_t pid, const std::string& name, uintmax_t atLeast) {
    for (int i = 0; i < 6000; ++i) {
      std::error_code error;
      const uintmax_t size = std::filesystem::file_size(dir.Os(name), error);
      if (!error && size >= atLeast) return true;
      siginfo_t ended{};
      if (::waitid(P_PID, id_t(pid), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid == pid) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  struct TCase {
    const char* what;
    int signal;
    bool waits;     // the game waits, else its script never does
    bool atStart;   // the signal as soon as the program handles it, else once the game runs
  };

  // Starts the game, sends the signal and checks that the run ended as a close does.
  void SignalAndCheck(const TCase& c, std::map<std::string, std::string> env, bool headless) {
    std::filesystem::remove(dir.Os("game/save.dat"));
    std::filesystem::remove(dir.Os("dbglog.txt"));
    WriteGame(SignalledGame(c.waits));
    const pid_t pid = Start({"game"}, std::move(env), headless);
    ASSERT_GT(pid, 0) << c.what;
    // The log is opened once the signals are handled; a traced line is the game running.
    EXPECT_TRUE(WaitForFile(pid, "dbglog.txt", c.atStart ? 0 : 1)) << c.what;
    ::kill(pid, c.signal);
    const TRun run = Finish(pid);
    EXPECT_EQ(run.exitCode, 0) << c.what << run.errors;
    ASSERT_TRUE(dir.Exists("game/save.dat")) << c.what << ": the status is written";
    if (c.atStart) {
      EXPECT_NE(StatusInt("before"), -1) << c.what;
      return;
    }
    EXPECT_EQ(StatusInt("before"), 1) << c.what;
    if (!c.waits) EXPECT_GT(StatusInt("n"), 0) << c.what;
  }
};

// A hang-up, a terminate or an interrupt closes the game as the window's close does, with the
// status written and a normal exit: inside a script that never waits, during a wait, and in
// the start-up, where the close waits for the first look at the window.
TEST_F(SignalledRun, ACloseSignalEndsAHeadlessGameAsAClose) {
  const TCase cases[] = {
      {"a terminate in a script that never waits", SIGTERM, false, false},
      {"an interrupt during a wait", SIGINT, true, false},
      {"a hang-up in a script that never waits", SIGHUP, false, false},
      {"a terminate in the start-up", SIGTERM, true, true},
  };
  for (const TCase& c : cases) SignalAndCheck(c, {}, true);
}

TEST_F(SignalledRun, ACloseSignalEndsAGameInAWindowAsAClose) {
  const TVirtualXServer server;
  if (server.Display().empty()) GTEST_SKIP() << "no Xvfb";
  const TCase cases[] = {
      {"a hang-up in a script that never waits", SIGHUP, false, false},
      {"a terminate during a wait", SIGTERM, true, false},
      {"an interrupt in the start-up", SIGINT, true, true},
  };
  for (const TCase& c : cases)
    SignalAndCheck(c, {{"DISPLAY", server.Display()}, {"SDL_AUDIODRIVER", "dummy"}, {"ASAN_OPTIONS", "detect_leaks=0"}},
                   false);
}

// A start that fails on a damaged file names, on its line, the file and the archive entry it
// was reading, the archive as the game directory was given; the boxes say what they said.
TEST_F(PlayerRun, AFailedStartNamesTheFileAndEntryItWasReading) {
  PageBuilder badCode;
  badCode.Calc("a = 1").Command(100, kit::Fields());
  std::vector<kit::GameFile> longTitle = Game(PageBuilder());
  longTitle[0].Bytes.replace(4, 4, "\xff\xff\xff\x7f");  // the title's length, beyond the file
  struct Case {
    const char* what;
    std::string directory;
    std::vector<kit::GameFile> files;
    const char* damaged;  // the entry whose first stored byte is flipped, if any
    std::string errors;
  };
  const Case cases[] = {
      {"project file's title beyond its end", "game", longTitle, nullptr,
       "[警告] Stream read error -> ok\norva-player: game/game.dat: orva.opb: Stream read error\n"},
      {"project file's stored bytes", dir.Os("game"), Game(PageBuilder()), "orva.opb",
       "orva-player: " + dir.Os("game/game.dat") + ": orva.opb: zlib: unknown compression method\n"},
      {"start page's stored bytes", "game", Game(PageBuilder().Wait("100")), "start.osb",
       "[警告] zlib: unknown compression method -> ok\n"
       "orva-player: game/game.dat: start.osb: zlib: unknown compression method\n"},
      {"start page with a bad command", "game", Game(badCode), nullptr,
       "[警告] 不正なコマンド -> ok\norva-player: game/game.dat: start.osb: 不正なコマンド\n"},
      {"start page too old", "game", Game(PageBuilder(MinPageVersion - 1)), nullptr,
       "[警告] start.osb\r\nリビルドしてください -> ok\norva-player: game/game.dat: start.osb: リビルドしてください\n"},
  };
  for (const Case& c : cases) {
    WriteGame(c.files);
    if (c.damaged) DamageEntry(dir.Game("game\\game.dat"), c.damaged, 0, 1);
    std::filesystem::remove(dir.Os("last.bmp"));
    const TRun run = Run({c.directory}, {{"ORVA_CAPTURE", dir.Os("last.bmp")}});
    EXPECT_EQ(run.exitCode, 1) << c.what;
    EXPECT_EQ(run.errors, c.errors) << c.what;
    EXPECT_FALSE(dir.Exists("last.bmp")) << c.what;
  }
}

}  // namespace
}  // namespace orva
