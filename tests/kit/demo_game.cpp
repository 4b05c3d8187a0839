#include "kit/demo_game.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "core/archive.h"
#include "core/big_stream.h"
#include "core/encoding.h"
#include "core/game_path.h"
#include "core/paths.h"
#include "kit/demo_maps.h"
#include "kit/demo_media.h"
#include "kit/film_builder.h"
#include "kit/glyph_stream_builder.h"
#include "kit/page_builder.h"
#include "kit/project_file_builder.h"
#include "kit/vask_file.h"
#include "platform/temp_dir.h"

namespace orva::kit {

const std::vector<int32_t>& DemoLayerColours() {
  static const std::vector<int32_t> colours = {0x804020, 0x208040, 0x402080, 0x808020};
  return colours;
}

namespace {

// After the mask transitions: pictures that move, light up and break.
constexpr int kPictureTransitions[] = {WP_SCROLLH, WP_TWISTV, WP_SPOT, WP_CRACK, WP_MOSAIC};

}  // namespace

const std::vector<int>& DemoTransitions() {
  static const std::vector<int> transitions = [] {
    std::vector<int> all = {WP_FADE, WP_BLINDH, WP_CLOCKHAND, WP_CIRCLE, WP_BLOCKCOIL, WP_GRID};
    all.insert(all.end(), std::begin(kPictureTransitions), std::end(kPictureTransitions));
    return all;
  }();
  return transitions;
}

const DemoMessageBox& DemoMessage() {
  static const DemoMessageBox box{40, 320, 560, 120, 0xFFFFFF};
  return box;
}

namespace {

std::string Code(TPropertyCode code) { return std::to_string(code); }
std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// Japanese text as a text command stores it: one line per entry, a page break between
// entries separated by "\f".
std::string DemoText(const std::vector<std::string>& lines) {
  GlyphStream text(102);
  text.Decoration({});
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == "\f") {
      text.Return(true);
      continue;
    }
    if (i > 0 && lines[i - 1] != "\f") text.Return();
    text.Text(Utf8ToSjis(lines[i]), 0, 50);
  }
  return text.Bytes();
}

// The demo's scenes: each adds its commands to the start page and its own pages to the game.
// The start page plays them in the order they are added.

// Title music fading in and looping, and the opening movie over the corner of the screen;
// neither holds the script up.
void AddTitleScene(PageBuilder& start, std::vector<GameFile>& files) {
  start.AtLine(DemoMusicLine)
      .Component(TCommandCode::Sound, {{PR_NAME, Quoted("music")},
                                       {PR_SOURCE, Quoted("title.ogg")},
                                       {PR_REPEAT, "TRUE"},
                                       {PR_VOLUME, "volume"},
                                       {PR_DELAY, std::to_string(DemoMusicFadeMilliseconds)}})
      .Component(TCommandCode::Movie, {{PR_NAME, Quoted("opening")},
                                       {PR_SOURCE, Quoted("opening.wmv")},
                                       {PR_LEFT, std::to_string(DemoMoviePlace.X)},
                                       {PR_TOP, std::to_string(DemoMoviePlace.Y)},
                                       {PR_VOLUME, "1000"},
                                       {PR_AUTOSCRAP, "TRUE"}});
  files.push_back({"title.ogg", DemoMusic()});
  files.push_back({"opening.wmv", DemoMovie()});
  files.push_back({"click.wav", DemoClick()});
}

// A message box: clicks on it turn its pages (next.osb); each text command waits until its
// pages are read, then the backlog shows them all until a last click.
void AddTextScene(PageBuilder& start, std::vector<GameFile>& pages) {
  const DemoMessageBox& mes = DemoMessage();
  const std::string box = Quoted("mes");
  start.VarNew("idx", PT_INT, "0")
      .VarNew("cnt", PT_INT, "0")
      .SetProp("\"\"", Code(PR_COLOR), std::to_string(DemoLayerColours()[0]))
      .Component(TCommandCode::MesNew, {{PR_NAME, box},
                                        {PR_LEFT, std::to_string(mes.Left)},
                                        {PR_TOP, std::to_string(mes.Top)},
                                        {PR_WIDTH, std::to_string(mes.Width)},
                                        {PR_HEIGHT, std::to_string(mes.Height)},
                                        {PR_FONTHEIGHT, "24"},
                                        {PR_LINESPACE, "8"},
                                        {PR_FONTCOLOR, std::to_string(mes.Colour)},
                                        {PR_TEXTDELAY, "64"},
                                        {PR_ONLBTNDOWN, Quoted("next.osb")}})
      .TextIns({.glyphs = DemoText({"オルヴァの世界へようこそ。", "\f", "文字は一つずつ現れます。"}),
                .box = box,
                .history = "TRUE",
                .wait = "TRUE"})
      .AtLine(DemoSecondTextLine)
      .TextIns({.glyphs = DemoText({"クリックで次のページへ進みます。"}), .box = box, .history = "TRUE", .wait = "TRUE"})
      .AtLine(DemoBacklogLine)
      .CallHist(box, "0", "100", "TRUE")
      .GetProp(box, Code(PR_COUNT), "cnt")
      .While("cnt > 0", [&] { start.Wait("100").GetProp(box, Code(PR_COUNT), "cnt"); })
      .AtLine(DemoTextDoneLine)
      .Calc("idx = 0");

  // A click on the box: its effect, then the next page, or after the last one an empty box.
  PageBuilder next;
  next.Component(TCommandCode::Sound, {{PR_NAME, Quoted("click")},
                                       {PR_SOURCE, Quoted("click.wav")},
                                       {PR_VOLUME, "1000"},
                                       {PR_AUTOSCRAP, "TRUE"}})
      .GetProp(box, Code(PR_INDEX), "idx")
      .GetProp(box, Code(PR_COUNT), "cnt")
      .If("idx < cnt - 1", [&] { next.SetProp(box, Code(PR_INDEX), "idx + 1"); })
      .Else([&] { next.TextClr(box); });
  pages.push_back({"next.osb", next.Bytes()});
}

// ---- Pictures ----

constexpr uint32_t kKey = 0xFF00FF;  // the key colour of every keyed picture
constexpr TPoint kStar{120, 200}, kSpinner{460, 180}, kWheel{320, 240}, kPuff{560, 40}, kBlink{40, 40};
constexpr int kStarSize = 48, kSpinnerSize = 40, kWheelSize = 65;
constexpr uint32_t kStarColour = 0xFFD020, kHubColour = 0x303030;
const std::vector<uint32_t> kSpinnerColours = {0xE04040, 0x40C040, 0x4060E0, 0xE0E040};

// One frame of w × h raw 24-bit pixels from a function of the position.
template <class F>
VaskFrame Drawn(int32_t w, int32_t h, int32_t delay, bool keyed, F pixel) {
  return DrawnFrame(w, h, delay, keyed ? static_cast<int32_t>(kKey) : -1, pixel);
}

std::string Picture(std::vector<VaskFrame> frames) { return MakeVaskFrames(std::move(frames)); }

// A diamond on a keyed square; clicks count only on the diamond.
std::string StarPicture() {
  const int c = kStarSize / 2;
  return Picture({Drawn(kStarSize, kStarSize, 0, true, [&](int x, int y) {
    const int d = std::abs(x - c) + std::abs(y - c);
    return d > c - 2 ? kKey : d < c / 2 ? 0xFFF0A0 : kStarColour;
  })});
}

// Four frames, each a square of one colour with a lighter quarter that moves round.
std::string SpinnerPicture() {
  std::vector<VaskFrame> frames;
  for (size_t i = 0; i < kSpinnerColours.size(); ++i)
    frames.push_back(Drawn(kSpinnerSize, kSpinnerSize, 150, false, [&](int x, int y) {
      const int half = kSpinnerSize / 2;
      const bool right = x >= half, bottom = y >= half;
      const size_t quarter = right ? (bottom ? 2 : 1) : (bottom ? 3 : 0);
      const bool inner = std::abs(x - half) < 4 && std::abs(y - half) < 4;
      return quarter == i && !inner ? 0xFFFFFF : kSpinnerColours[i];
    }));
  return Picture(frames);
}

// A round wheel with four spokes and a hub, keyed outside the rim.
std::string WheelPicture() {
  const int c = kWheelSize / 2;
  return Picture({Drawn(kWheelSize, kWheelSize, 0, true, [&](int x, int y) {
    const int dx = x - c, dy = y - c, r2 = dx * dx + dy * dy;
    if (r2 > c * c) return kKey;
    if (r2 < 25) return kHubColour;
    if (r2 > (c - 5) * (c - 5)) return 0x2070D0u;
    return std::abs(dx) < 3 || std::abs(dy) < 3 ? 0xC0C0C0u : kKey;
  })});
}

// Rings growing over four frames.
std::string PuffPicture() {
  std::vector<VaskFrame> frames;
  for (int i = 1; i <= 4; ++i)
    frames.push_back(Drawn(32, 32, 100, true, [&](int x, int y) {
      const int dx = x - 16, dy = y - 16, r2 = dx * dx + dy * dy, outer = 4 * i, inner = 4 * i - 3;
      return r2 <= outer * outer && r2 >= inner * inner ? 0xF0F0F0u : kKey;
    }));
  return Picture(frames);
}

std::string BlinkPicture() {
  return Picture({Drawn(24, 24, 0, false, [](int x, int y) { return (x / 6 + y / 6) % 2 ? 0x20A060u : 0x106030u; })});
}

std::string Left(TPoint p) { return std::to_string(p.X); }
std::string Top(TPoint p) { return std::to_string(p.Y); }

// pictures.osb, called once after the text: the pictures appear.
std::string PicturesPage() {
  PageBuilder page;
  page.VarNew("angle", PT_INT, "0")
      .VarNew("pass", PT_INT, "0")
      .Component(TCommandCode::ImgNew, {{PR_NAME, "\"star\""},
                                        {PR_SOURCE, "\"star.vsk\""},
                                        {PR_LEFT, Left(kStar)},
                                        {PR_TOP, Top(kStar)},
                                        {PR_CAPTUREMASK, "TRUE"},
                                        {PR_ONLBTNDOWN, "\"hit.osb\""}})
      // A mirrored, faded copy beside it.
      .Component(TCommandCode::ImgNew, {{PR_NAME, "\"ghost\""},
                                        {PR_SOURCE, "\"star.vsk\""},
                                        {PR_LEFT, std::to_string(kStar.X + 120)},
                                        {PR_TOP, Top(kStar)},
                                        {PR_FLIPH, "TRUE"},
                                        {PR_ALPHA, "120"},
                                        {PR_ZOOMY, "192"}})
      .Component(TCommandCode::ImgNew, {{PR_NAME, "\"spinner\""},
                                        {PR_SOURCE, "\"spinner.vsk\""},
                                        {PR_LEFT, Left(kSpinner)},
                                        {PR_TOP, Top(kSpinner)},
                                        {PR_REPEAT, "TRUE"}})
      .Component(TCommandCode::ImgNew, {{PR_NAME, "\"wheel\""},
                                        {PR_SOURCE, "\"wheel.vsk\""},
                                        {PR_OFFSETX, std::to_string(kWheelSize / 2)},
                                        {PR_OFFSETY, std::to_string(kWheelSize / 2)},
                                        {PR_LEFT, Left(kWheel)},
                                        {PR_TOP, Top(kWheel)}})
      // Its glow: the same wheel, twice as large, added as light.
      .Component(TCommandCode::ImgNew, {{PR_NAME, "\"glow\""},
                                        {PR_SOURCE, "\"wheel.vsk\""},
                                        {PR_ZOOMX, "512"},
                                        {PR_ZOOMY, "512"},
                                        {PR_OFFSETX, std::to_string(kWheelSize / 2)},
                                        {PR_OFFSETY, std::to_string(kWheelSize / 2)},
                                        {PR_LEFT, Left(kWheel)},
                                        {PR_TOP, Top(kWheel)},
                                        {PR_PRIORITY, "-1"},
                                        {PR_ALPHA, "320"}});
  return page.Bytes();
}

// picstep.osb, called at every pass of the flips: the wheel turns on by an eighth, a
// puff plays once and frees itself, and a square comes and goes.
std::string PictureStepPage() {
  PageBuilder page;
  page.GetProp("\"wheel\"", Code(PR_ANGLE), "angle")
      .PropMotion({.name = "\"turn\"", .target = "\"wheel\"", .property = Code(PR_ANGLE), .endValue = "angle + 32",
                   .duration = "500", .motionType = "0"})
      .PropMotion({.name = "\"glowturn\"", .target = "\"glow\"", .property = Code(PR_ANGLE),
                   .endValue = "0 - angle - 32", .duration = "500", .motionType = "2"})
      .Component(TCommandCode::ImgNew, {{PR_NAME, "\"puff\""},
                                        {PR_SOURCE, "\"puff.vsk\""},
                                        {PR_LEFT, Left(kPuff)},
                                        {PR_TOP, Top(kPuff)},
                                        {PR_AUTOSCRAP, "TRUE"}})
      .If("pass % 2 == 0",
          [&] {
            page.Component(TCommandCode::ImgNew, {{PR_NAME, "\"blink\""},
                                                  {PR_SOURCE, "\"blink.vsk\""},
                                                  {PR_LEFT, Left(kBlink)},
                                                  {PR_TOP, Top(kBlink)}});
          })
      .Else([&] { page.ObjDel("\"blink\""); })
      .Calc("pass = pass + 1");
  return page.Bytes();
}

std::vector<GameFile> PictureFiles() {
  PageBuilder hit;
  hit.Calc("hits = hits + 1");
  return {
      {"pictures.osb", PicturesPage()}, {"picstep.osb", PictureStepPage()}, {"hit.osb", hit.Bytes()},
      {"star.vsk", StarPicture()},      {"spinner.vsk", SpinnerPicture()},  {"wheel.vsk", WheelPicture()},
      {"puff.vsk", PuffPicture()},      {"blink.vsk", BlinkPicture()},
  };
}

// The pictures come after the text and stay: each flip carries them to the new layer.
void AddPictureScene(PageBuilder& start, std::vector<GameFile>& pages) {
  // The title music fades out and the pictures' own tune, a MIDI file, takes over.
  start.AtLine(DemoTuneLine)
      .MovieStop(Quoted("music"), "1000", "FALSE")
      .Component(TCommandCode::Sound, {{PR_NAME, Quoted("tune")},
                                       {PR_SOURCE, Quoted("pictures.mid")},
                                       {PR_REPEAT, "TRUE"},
                                       {PR_VOLUME, "volume"}})
      .Call("pictures.osb", 0);
  pages.push_back({"pictures.mid", DemoTune()});
  for (GameFile& file : PictureFiles()) pages.push_back(std::move(file));
}

// ---- Title, choice and settings screens ----

constexpr TPoint kTitleBox{140, 150}, kStartButton{100, 90}, kSettingsButton{100, 150};
constexpr int32_t kTitleWidth = 360, kTitleHeight = 270, kButtonWidth = 160, kButtonHeight = 40;
constexpr int32_t kBlinkTop = 222, kBlinkMilliseconds = 500;
constexpr uint32_t kButtonColours[] = {0x2A4A7A, 0x4A7AC0, 0x1A2A48};  // normal, hover, pressed
constexpr TPoint kChoiceMenu{200, 140};
constexpr TPoint kPanel{120, 150}, kSlider{72, 120}, kBackButton{120, 176};
constexpr int32_t kPanelWidth = 400, kPanelHeight = 240, kBarLength = 240, kThumbWidth = 16, kThumbHeight = 24;
constexpr int32_t kVolumeTextTop = 92;
constexpr uint32_t kBarColours[] = {0x404858, 0x50B0F0};  // the bar beyond and before the thumb

std::string Name(std::string_view name) { return Quoted(name); }
std::string Text(std::string_view utf8) { return Quoted(Utf8ToSjis(utf8)); }
std::string Num(int32_t value) { return std::to_string(value); }

// A picture of cells w × h side by side, each a body of its colour in a frame of `edge` two
// pixels wide, keyed at the corner pixels of each cell.
std::string CellStrip(int32_t w, int32_t h, const std::vector<uint32_t>& bodies, uint32_t edge) {
  const auto cells = static_cast<int32_t>(bodies.size());
  return Picture({Drawn(w * cells, h, 0, true, [&](int x, int y) {
    const int cx = x % w;
    const bool cornerX = cx == 0 || cx == w - 1, cornerY = y == 0 || y == h - 1;
    const bool border = cx < 2 || y < 2 || cx >= w - 2 || y >= h - 2;
    return cornerX && cornerY ? kKey : border ? edge : bodies[size_t(x / w)];
  })});
}

// The slider's bar: two cells of a groove 8 high, its lower and upper edges dark.
std::string BarStrip() {
  return Picture({Drawn(16, 8, 0, false, [](int x, int y) { return y == 0 || y == 7 ? 0x101010u : kBarColours[x / 8]; })});
}

// A caption on a parent, centred in the parent's width once it has laid itself out.
void CenteredCaption(PageBuilder& page, std::string_view name, std::string_view parent, int32_t parentWidth,
                     int32_t top, std::string_view utf8, int32_t height, int32_t colour, bool ignoreMouse = false) {
  std::vector<Prop> props = {{PR_NAME, Name(name)},       {PR_PARENT, Name(parent)},
                             {PR_TOP, Num(top)},          {PR_TEXT, Text(utf8)},
                             {PR_FONTHEIGHT, Num(height)}, {PR_FONTCOLOR, Num(colour)},
                             {PR_ANTIALIAS, "TRUE"}};
  if (ignoreMouse) props.push_back({PR_IGNOREMOUSE, Num(IM_ALL)});
  page.Component(TCommandCode::Caption, props)
      .GetProp(Name(name), Code(PR_WIDTH), "w")
      .SetProp(Name(name), Code(PR_LEFT), "(" + Num(parentWidth) + " - w) / 2");
}

// A button with its normal, hover and pressed looks and a caption on it that takes no mouse.
void LabelledButton(PageBuilder& page, std::string_view name, std::string_view parent, TPoint at,
                    std::string_view utf8, std::string_view onNotify) {
  page.Component(TCommandCode::Button, {{PR_NAME, Name(name)},
                                        {PR_PARENT, Name(parent)},
                                        {PR_SOURCE, Name("button.vsk")},
                                        {PR_HOVERSOURCE, Name("buttonhover.vsk")},
                                        {PR_PRESSEDSOURCE, Name("buttonpress.vsk")},
                                        {PR_LEFT, Num(at.X)},
                                        {PR_TOP, Num(at.Y)},
                                        {PR_ONNOTIFY, Name(onNotify)}});
  CenteredCaption(page, std::string(name) + "text", name, kButtonWidth, 9, utf8, 20, 0xFFFFFF, true);
}

// The 0x00BBGGRR form of a colour given as 0x00RRGGBB.
int32_t Bgr(uint32_t rgb) { return static_cast<int32_t>((rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF)); }

// The title screen: a box with the game's name, a start and a settings button, and a line
// that a timer blinks. It waits for the start button; the settings button opens the settings
// screen over it and comes back.
void AddStartScreenScene(PageBuilder& start, std::vector<GameFile>& pages) {
  start.VarNew("go", PT_INT, "0")
      .VarNew("w", PT_INT, "0")
      .VarNew("blinks", PT_INT, "0")
      .SetProp("\"\"", Code(PR_COLOR), std::to_string(DemoLayerColours()[0]))
      .Component(TCommandCode::BoxNew, {{PR_NAME, Name("title")},
                                        {PR_LEFT, Num(kTitleBox.X)},
                                        {PR_TOP, Num(kTitleBox.Y)},
                                        {PR_WIDTH, Num(kTitleWidth)},
                                        {PR_HEIGHT, Num(kTitleHeight)},
                                        {PR_COLOR, Num(Bgr(0x101828))},
                                        {PR_BORDERWIDTH, "3"},
                                        {PR_BORDERCOLOR, Num(Bgr(0x90B0E0))},
                                        {PR_ALPHA, "224"}});
  CenteredCaption(start, "titlename", "title", kTitleWidth, 22, "オルヴァ デモ", 36, 0xFFFFFF);
  LabelledButton(start, "startbtn", "title", kStartButton, "はじめる", "gostart.osb");
  LabelledButton(start, "setbtn", "title", kSettingsButton, "せってい", "goset.osb");
  CenteredCaption(start, "blink", "title", kTitleWidth, kBlinkTop, "ボタンをクリックしてください", 18,
                  Bgr(DemoScreens().BlinkColour));
  start.Component(TCommandCode::Timer,
                  {{PR_NAME, Name("blinker")}, {PR_DELAY, Num(kBlinkMilliseconds)}, {PR_ONNOTIFY, Name("blink.osb")}})
      .AtLine(DemoTitleLine)
      .While("go <> 1", [&] {
        start.Calc("go = 0").Wait("0", "go == 0").If("go == 2", [&] {
          start.SetProp(Name("title"), Code(PR_VISIBLE), "FALSE")
              .Call("settings.osb", 0)
              .SetProp(Name("title"), Code(PR_VISIBLE), "TRUE");
        });
      })
      .ObjDel(Name("blinker"))
      .ObjDel(Name("title"));

  PageBuilder goStart, goSettings, blink;
  goStart.Calc("go = 1");
  goSettings.Calc("go = 2");
  blink.Calc("blinks = blinks + 1").SetProp(Name("blink"), Code(PR_VISIBLE), "blinks % 2 == 0");
  pages.push_back({"gostart.osb", goStart.Bytes()});
  pages.push_back({"goset.osb", goSettings.Bytes()});
  pages.push_back({"blink.osb", blink.Bytes()});
  pages.push_back({"button.vsk", CellStrip(kButtonWidth, kButtonHeight, {kButtonColours[0]}, 0x8AB0E0)});
  pages.push_back({"buttonhover.vsk", CellStrip(kButtonWidth, kButtonHeight, {kButtonColours[1]}, 0xC0E0FF)});
  pages.push_back({"buttonpress.vsk", CellStrip(kButtonWidth, kButtonHeight, {kButtonColours[2]}, 0xFFFFFF)});
}

// settings.osb: a panel whose slider sets the music's volume (kept in the status variable
// "volume") with a caption over its thumb that shows the value and follows it; a button
// closes it.
void AddSettingsScene(std::vector<GameFile>& pages) {
  PageBuilder page;
  const std::string slider = Name("volume");
  page.VarNew("setdone", PT_INT, "0")
      .Component(TCommandCode::BoxNew, {{PR_NAME, Name("settings")},
                                        {PR_LEFT, Num(kPanel.X)},
                                        {PR_TOP, Num(kPanel.Y)},
                                        {PR_WIDTH, Num(kPanelWidth)},
                                        {PR_HEIGHT, Num(kPanelHeight)},
                                        {PR_COLOR, Num(Bgr(0x182418))},
                                        {PR_BORDERWIDTH, "3"},
                                        {PR_BORDERCOLOR, Num(Bgr(0xA0D0A0))},
                                        {PR_ALPHA, "232"}});
  CenteredCaption(page, "settitle", "settings", kPanelWidth, 20, "せってい", 28, 0xFFFFFF);
  page.Component(TCommandCode::Caption, {{PR_NAME, Name("voltitle")},
                                         {PR_PARENT, Name("settings")},
                                         {PR_LEFT, "20"},
                                         {PR_TOP, Num(kSlider.Y + 2)},
                                         {PR_TEXT, Text("音量")},
                                         {PR_FONTHEIGHT, "20"},
                                         {PR_FONTCOLOR, "16777215"},
                                         {PR_ANTIALIAS, "TRUE"}})
      .Component(TCommandCode::SliderNew, {{PR_NAME, slider},
                                           {PR_PARENT, Name("settings")},
                                           {PR_SOURCE, Name("bar.vsk")},
                                           {PR_THUMBSOURCE, Name("thumb.vsk")},
                                           {PR_ALPHA, "255"},
                                           {PR_LEFT, Num(kSlider.X)},
                                           {PR_TOP, Num(kSlider.Y)},
                                           {PR_MIN, "0"},
                                           {PR_MAX, "1000"},
                                           {PR_SMALLCHANGE, "50"},
                                           {PR_VALUE, "volume"},
                                           {PR_HANDLEKEY, "TRUE"},
                                           {PR_ONNOTIFY, Name("volume.osb")}})
      // A bar longer than its picture's cell (BARSIZE is set after the making).
      .SetProp(slider, Code(PR_BARSIZE), Num(kBarLength))
      .Component(TCommandCode::Caption, {{PR_NAME, Name("volnum")},
                                         {PR_PARENT, Name("settings")},
                                         {PR_TOP, Num(kVolumeTextTop)},
                                         {PR_FONTHEIGHT, "20"},
                                         {PR_FONTCOLOR, Num(Bgr(DemoScreens().VolumeTextColour))},
                                         {PR_ANTIALIAS, "TRUE"}})
      .Call("volume.osb", 0);
  LabelledButton(page, "backbtn", "settings", kBackButton, "もどる", "setdone.osb");
  page.Wait("0", "setdone == 0").ObjDel(Name("settings"));

  // The slider's value: the music's volume, and the caption over the thumb's middle.
  PageBuilder volume;
  volume.GetProp(slider, Code(PR_VALUE), "volume")
      .If("Exists(\"music\")", [&] { volume.SetProp(Name("music"), Code(PR_VOLUME), "volume"); })
      .SetProp(Name("volnum"), Code(PR_TEXT), "IntToStr(volume)")
      .GetProp(Name("volnum"), Code(PR_WIDTH), "w")
      .SetProp(Name("volnum"), Code(PR_LEFT),
               Num(kSlider.X + kThumbWidth / 2) + " + volume * " + Num(kBarLength) + " / 1000 - w / 2");
  PageBuilder done;
  done.Calc("setdone = 1");
  pages.push_back({"settings.osb", page.Bytes()});
  pages.push_back({"volume.osb", volume.Bytes()});
  pages.push_back({"setdone.osb", done.Bytes()});
  pages.push_back({"bar.vsk", BarStrip()});
  pages.push_back({"thumb.vsk", CellStrip(kThumbWidth, kThumbHeight, {0xD0D0D0, 0xFFFFFF, 0xA0A0FF}, 0x606060)});
}

// After the text: a choice menu that opens animated; the line chosen with the mouse or the
// keys (@SelIndex, kept in the status variable "choice", and @SelStr, shown a moment) either
// goes on to the pictures or opens the settings screen first.
void AddChoiceScene(PageBuilder& start, std::vector<GameFile>& pages) {
  start.VarNew("chosen", PT_INT, "0")
      .Component(TCommandCode::Caption, {{PR_NAME, Name("question")},
                                         {PR_LEFT, Num(kChoiceMenu.X)},
                                         {PR_TOP, Num(kChoiceMenu.Y - 40)},
                                         {PR_TEXT, Text("どちらへ進みますか？")},
                                         {PR_FONTHEIGHT, "24"},
                                         {PR_FONTCOLOR, "16777215"},
                                         {PR_ANTIALIAS, "TRUE"}})
      .AtLine(DemoChoiceLine)
      .Component(TCommandCode::Menu, {{PR_NAME, Name("choice")},
                                      {PR_LEFT, Num(kChoiceMenu.X)},
                                      {PR_TOP, Num(kChoiceMenu.Y)},
                                      {PR_TEXT, Text("絵を見に行く\r\n設定を開く")},
                                      {PR_FONTHEIGHT, "24"},
                                      {PR_LINESPACE, "8"},
                                      {PR_ROWCOUNT, "2"},
                                      {PR_MARGINX, "20"},
                                      {PR_MARGINY, "8"},
                                      {PR_BORDERWIDTH, "2"},
                                      {PR_BORDERCOLOR, Num(Bgr(0x90B0E0))},
                                      {PR_COLOR, Num(Bgr(0x101828))},
                                      {PR_HOVERCOLOR, Num(Bgr(0x305888))},
                                      {PR_FONTCOLOR, "16777215"},
                                      {PR_FONTHOVERCOLOR, Num(Bgr(0xFFF080))},
                                      {PR_ALPHA, "240"},
                                      {PR_DELAY, Num(DemoMenuOpenMilliseconds)},
                                      {PR_AUTOSCRAP, "TRUE"},
                                      {PR_HANDLEKEY, "TRUE"},
                                      {PR_ONSELECT, Name("chose.osb")}})
      .Wait("0", "chosen == 0")
      .ObjDel(Name("question"))
      .Component(TCommandCode::Caption, {{PR_NAME, Name("picked")},
                                         {PR_LEFT, Num(kChoiceMenu.X)},
                                         {PR_TOP, Num(kChoiceMenu.Y)},
                                         {PR_TEXT, Quoted(Utf8ToSjis("「")) + " ++ @SelStr ++ " + Quoted(Utf8ToSjis("」"))},
                                         {PR_FONTHEIGHT, "24"},
                                         {PR_FONTCOLOR, Num(Bgr(0xFFF080))},
                                         {PR_ANTIALIAS, "TRUE"}})
      .Wait("600")
      .ObjDel(Name("picked"))
      .AtLine(DemoChoiceDoneLine)
      .If("@SelIndex == 1", [&] { start.Call("settings.osb", 0); });

  PageBuilder chose;
  chose.Calc("choice = @SelIndex").Calc("chosen = 1");
  pages.push_back({"chose.osb", chose.Bytes()});
}

// ---- Film ----

// The reel: a small film in its own scene, over a dark background; the wheel turns on its
// first page, a fade brings in the spinner bouncing on the second, a circle brings the wheel
// back, and the cinema plays it over and over.
std::string ReelFilm() {
  const DemoFilm& reel = DemoReel();
  const TPoint centre{reel.Place.Width() / 2, reel.Place.Height() / 2};
  const TPoint wheelPivot{kWheelSize / 2, kWheelSize / 2}, spinnerPivot{kSpinnerSize / 2, kSpinnerSize / 2};
  const ImageTrack wheel{.Common = {.Length = 120},
                         .Picture = {.BasePos = wheelPivot, .StartPos = centre, .EndPos = centre, .EndAngle = 360},
                         .FileName = "wheel.vsk"};
  ImageTrack wheelBack = wheel;
  wheelBack.Common = {.Length = 20, .Start = 220, .OtherPage = true};
  return FilmBuilder()
      .Size(reel.Place.Width(), reel.Place.Height())
      .Color(reel.Background)
      .LoopStart(0)
      .Add(wheel)
      .Add(WipeTrack{.Common = {.Length = 20, .Start = 100}, .WipeType = WP_FADE})
      .Add(ImageTrack{.Common = {.Length = 60, .Start = 100, .OtherPage = true},
                      .Picture = {.BasePos = spinnerPivot,
                                  .StartPos = {30, centre.Y},
                                  .EndPos = {reel.Place.Width() - 30, centre.Y},
                                  .XMode = 2},
                      .FileName = "spinner.vsk"})
      .Add(ImageTrack{.Common = {.Parent = 2, .Length = 80},
                      .Picture = {.BasePos = spinnerPivot, .EndPos = {30, centre.Y}, .XMode = 1},
                      .FileName = "spinner.vsk"})
      .Add(WipeTrack{.Common = {.Length = 20, .Start = 220}, .WipeType = WP_CIRCLE})
      .Add(wheelBack)
      .Bytes();
}

// The cinema that plays the reel; the flips carry it with the pictures.
void AddFilmScene(PageBuilder& start, std::vector<GameFile>& pages) {
  const DemoFilm& reel = DemoReel();
  start.Component(TCommandCode::Cinema, {{PR_NAME, "\"reel\""},
                                         {PR_SOURCE, "\"reel.omt\""},
                                         {PR_LEFT, std::to_string(reel.Place.Left)},
                                         {PR_TOP, std::to_string(reel.Place.Top)},
                                         {PR_REPEAT, "TRUE"}});
  pages.push_back({"reel.omt", ReelFilm()});
}

// The names of the pictures the flips carry, one per line.
std::string CarriedPictures() { return "\"star\\nghost\\nspinner\\nwheel\\nglow\\npuff\\nblink\\nreel\""; }

// ---- Effects ----

constexpr TRect kSnowArea{370, 0, 550, 170}, kFireArea{200, 440, 440, 480}, kWaveArea{8, 120, 108, 300};
constexpr int32_t kFlagStripe = 20, kWaveAmp = 6;
constexpr uint32_t kFlagColours[2] = {0xC03030, 0x3050C0};

// A small round flake, soft at its edge through its mask.
std::string FlakePicture() {
  VaskFrame frame = Drawn(7, 7, 0, false, [](int, int) { return 0xF4F8FFu; });
  std::vector<std::vector<uint32_t>> mask(7, std::vector<uint32_t>(7));
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 7; ++x) {
      const int d = (x - 3) * (x - 3) + (y - 3) * (y - 3);
      mask[size_t(y)][size_t(x)] = d <= 2 ? 255u : d <= 5 ? 170u : d <= 9 ? 60u : 0u;
    }
  frame.Layers[0].Mask = VaskRows(8, mask);
  frame.Layers[0].UseMask = true;
  return Picture({frame});
}

// Upright stripes that the wave bends.
std::string FlagPicture() {
  return Picture({Drawn(kWaveArea.Width(), kWaveArea.Height(), 0, false,
                        [](int x, int) { return kFlagColours[(x / kFlagStripe) % 2]; })});
}

// After the pictures, and carried by the flips with them: snow falling over a corner of the
// scene, a fire along the bottom and a striped flag rippling in a wave.
void AddEffectScene(PageBuilder& start, std::vector<GameFile>& files) {
  start.Component(TCommandCode::ParticleNew,
                  {{PR_NAME, Quoted("snow")},
                   {PR_SOURCE, Quoted("flake.vsk")},
                   {PR_LEFT, std::to_string(kSnowArea.Left)},
                   {PR_TOP, std::to_string(kSnowArea.Top)},
                   {PR_WIDTH, std::to_string(kSnowArea.Width())},
                   {PR_HEIGHT, std::to_string(kSnowArea.Height())},
                   {PR_PARTMOTION, std::to_string(PM_SNOW)},
                   {PR_PARAM1, "0.6"},
                   {PR_PARAM2, "5"},
                   {PR_PARAM3, "12"},
                   // Already falling when it appears.
                   {PR_INDEX, "4000"},
                   {PR_APPEARX, "Random(" + std::to_string(kSnowArea.Width()) + ")"},
                   {PR_APPEARY, "0"},
                   {PR_DELAY, "60 + Random(60)"}})
      .Component(TCommandCode::FireNew, {{PR_NAME, Quoted("fire")},
                                         {PR_LEFT, std::to_string(kFireArea.Left)},
                                         {PR_TOP, std::to_string(kFireArea.Top)},
                                         // A picture of 60 × 20 shown 4 times as wide and twice as high.
                                         {PR_ORIGWIDTH, std::to_string(kFireArea.Width() / 4)},
                                         {PR_ORIGHEIGHT, std::to_string(kFireArea.Height() / 2)},
                                         {PR_ZOOMX, "1024"},
                                         {PR_ZOOMY, "512"},
                                         // Flames about half as high as the picture.
                                         {PR_POWER, "80"}})
      .Component(TCommandCode::WaveNew, {{PR_NAME, Quoted("wave")},
                                         {PR_LEFT, std::to_string(kWaveArea.Left)},
                                         {PR_TOP, std::to_string(kWaveArea.Top)},
                                         {PR_WIDTH, std::to_string(kWaveArea.Width())},
                                         {PR_HEIGHT, std::to_string(kWaveArea.Height())},
                                         {PR_AMP, std::to_string(kWaveAmp)},
                                         {PR_WAVELEN, "60"},
                                         {PR_DELAY, "1500"}})
      .Component(TCommandCode::ImgNew, {{PR_NAME, Quoted("flag")}, {PR_PARENT, Quoted("wave")}, {PR_SOURCE, Quoted("flag.vsk")}});
  files.push_back({"flake.vsk", FlakePicture()});
  files.push_back({"flag.vsk", FlagPicture()});
}

// The names of the effects the flips carry.
std::string CarriedEffects() { return "\"snow\\nfire\\nwave\""; }

// Over and over: the next colour on the layer not shown, brought in by the next transition.
void AddFlipScene(PageBuilder& start) {
  const std::vector<int32_t>& colours = DemoLayerColours();
  const std::vector<int>& transitions = DemoTransitions();
  // The shown layer already has the first colour.
  start.VarNew("step", PT_INT, "1")
      .VarNew("turn", PT_INT, "0")
      .VarNew("wipe", PT_INT, "0")
      .While("TRUE", [&] {
        start.Call("picstep.osb", 0);
        for (size_t i = 0; i < colours.size(); ++i)
          start.If("step == " + std::to_string(i),
                   [&] { start.SetProp("\"\x01\"", Code(PR_COLOR), std::to_string(colours[i])); });
        for (size_t i = 0; i < transitions.size(); ++i)
          start.If("turn == " + std::to_string(i), [&] { start.Calc("wipe = " + std::to_string(transitions[i])); });
        start.AtLine(DemoFlipLine)
            .Flip({.transition = "wipe",
                   .duration = std::to_string(DemoFlipMilliseconds),
                   .carry = std::to_string(FL_STAY),
                   .nameLists = {CarriedPictures(), CarriedEffects()}})
            .AtLine(DemoFlipLine + 1)
            .Calc("step = (step + 1) % " + std::to_string(colours.size()))
            .Calc("turn = (turn + 1) % " + std::to_string(transitions.size()))
            .Wait(std::to_string(DemoPauseMilliseconds));
      });
}

}  // namespace

const DemoFilm& DemoReel() {
  static const DemoFilm reel{.Place = {200, 40, 360, 140}, .Background = 0x402010};
  return reel;
}

const DemoEffectSpots& DemoEffects() {
  static const DemoEffectSpots spots = {
      .SnowArea = kSnowArea,
      .FireArea = kFireArea,
      .WaveArea = kWaveArea,
      .FlagStripe = kFlagStripe,
      .FlagColours = {kFlagColours[0], kFlagColours[1]},
      .WaveAmp = kWaveAmp,
  };
  return spots;
}

const DemoPictureSpots& DemoPictures() {
  static const DemoPictureSpots spots = {
      .StarOpaque = {kStar.X + kStarSize / 2 + 16, kStar.Y + kStarSize / 2},
      .StarTransparent = {kStar.X + 2, kStar.Y + 2},
      .StarColour = kStarColour,
      .Spinner = {kSpinner.X + kSpinnerSize / 2, kSpinner.Y + kSpinnerSize / 2},
      .SpinnerColours = kSpinnerColours,
      .WheelHub = kWheel,
      .WheelHubColour = kHubColour,
  };
  return spots;
}

const DemoScreenSpots& DemoScreens() {
  static const DemoScreenSpots spots = [] {
    DemoScreenSpots s{};
    const TPoint start{kTitleBox.X + kStartButton.X, kTitleBox.Y + kStartButton.Y};
    s.StartButton = {start.X + kButtonWidth / 2, start.Y + kButtonHeight / 2};
    s.SettingsButton = {kTitleBox.X + kSettingsButton.X + kButtonWidth / 2,
                        kTitleBox.Y + kSettingsButton.Y + kButtonHeight / 2};
    s.ButtonBody = {start.X + 6, start.Y + 6};
    s.ButtonColours = {std::begin(kButtonColours), std::end(kButtonColours)};
    s.Blink = {kTitleBox.X, kTitleBox.Y + kBlinkTop, kTitleBox.X + kTitleWidth, kTitleBox.Y + kBlinkTop + 18};
    s.BlinkColour = 0xFFE060;
    // Lines 24 high, 8 apart, below a border of 2 and a margin of 8.
    s.ChoiceMenu = kChoiceMenu;
    s.ChoiceHeight = 2 * 24 + 8 + 2 * 2 + 2 * 8;
    s.ChoiceLines = {{kChoiceMenu.X + 30, kChoiceMenu.Y + 10 + 12}, {kChoiceMenu.X + 30, kChoiceMenu.Y + 10 + 32 + 12}};
    // The thumb's middle lies half a thumb past the bar's start, plus the value's share of it.
    const TPoint slider{kPanel.X + kSlider.X, kPanel.Y + kSlider.Y};
    s.VolumeThumb = {slider.X + kThumbWidth / 2 + kBarLength, slider.Y + kThumbHeight / 2};
    s.VolumeBarLength = kBarLength;
    s.VolumeText = {kPanel.X, kPanel.Y + kVolumeTextTop, kPanel.X + kPanelWidth, kPanel.Y + kVolumeTextTop + 20};
    s.VolumeTextColour = 0x80FFA0;
    s.SettingsPanel = {kPanel.X, kPanel.Y, kPanel.X + kPanelWidth, kPanel.Y + kPanelHeight};
    s.BackButton = {kPanel.X + kBackButton.X + kButtonWidth / 2, kPanel.Y + kBackButton.Y + kButtonHeight / 2};
    return s;
  }();
  return spots;
}

std::string DemoClickAt(int32_t clock, TPoint p) {
  return std::to_string(clock) + " click " + std::to_string(p.X) + " " + std::to_string(p.Y + DemoWindowTop) + "; ";
}

std::string DemoStartClick() { return DemoClickAt(DemoStartClock, DemoScreens().StartButton); }

std::string DemoBoxClicks(const std::vector<int>& clocks) {
  const DemoMessageBox& box = DemoMessage();
  std::string input = DemoStartClick();
  for (int clock : clocks) input += DemoClickAt(clock, {box.Left + box.Width / 2, box.Top + box.Height / 2});
  return input;
}

std::string DemoChoiceClick(int32_t clock, int line) {
  return DemoClickAt(clock, DemoScreens().ChoiceLines.at(static_cast<size_t>(line)));
}

std::string DemoMoveAndClick(int32_t clock, TPoint p) {
  return std::to_string(clock) + " move " + std::to_string(p.X) + " " + std::to_string(p.Y + DemoWindowTop) + "; " +
         DemoClickAt(clock + 50, p);
}

std::string DemoToMaps() { return DemoBoxClicks({1000, 2000, 3000, 4000}) + DemoChoiceClick(DemoPicturesClock, 0); }

std::string DemoToPictures() { return DemoToMaps() + DemoMoveAndClick(DemoMapsClock + 200, DemoMaps().Next); }

std::vector<GameFile> DemoGameFiles() {
  std::vector<GameFile> pages;
  PageBuilder start;
  start.Calc("starts = starts + 1")
      .VarNew("loaded", PT_BOOL, "FALSE")
      // The save resumes in afterload.osb, which marks the game as loaded.
      .GameSave("1", "afterload.osb", 0, "\"demo\"")
      .If("loaded == FALSE", [&] { start.GameLoad("1"); });
  AddTitleScene(start, pages);
  AddStartScreenScene(start, pages);
  AddSettingsScene(pages);
  AddTextScene(start, pages);
  AddChoiceScene(start, pages);
  AddMapsScene(start, pages);
  AddPictureScene(start, pages);
  AddFilmScene(start, pages);
  AddEffectScene(start, pages);
  AddFlipScene(start);

  PageBuilder afterLoad;
  afterLoad.Calc("loaded = TRUE");

  std::vector<GameFile> files = {
      {"orva.opb", ProjectFileBuilder()
                       .Title(Sjis("オルヴァ デモ"))
                       .Screen(640, 480)
                       .FullScreen(640, 480)
                       .StartPage("start.osb")
                       .IntVar("starts", 0)
                       .IntVar("hits", 0)
                       .IntVar("choice", -1)
                       .IntVar("volume", 1000)
                       .Bytes()},
      {"start.osb", start.Bytes()},
      {"afterload.osb", afterLoad.Bytes()},
  };
  files.insert(files.end(), pages.begin(), pages.end());
  return files;
}

void WriteGameArchive(const std::string& realPath, const std::vector<GameFile>& files) {
  // As the authoring tool packs a game: from files, so that its store rule keeps the media
  // raw (read through range streams) and compresses the rest.
  const std::string directory = MakePrivateTempDirectory("orva-kit-game-");
  if (directory.empty()) throw std::runtime_error("no temporary directory");
  struct TRemove {
    const std::string& directory;
    ~TRemove() {
      std::error_code ignored;
      std::filesystem::remove_all(directory, ignored);
    }
  } remove{directory};
  TVrFileCollection archive;
  const std::string base = GamePath(directory);
  archive.Open(base);
  for (const GameFile& file : files) {
    // Names are game paths: Shift-JIS, and may lie in folders ("Logo\Hand.cur").
    const std::filesystem::path path = OsPath(AddBackSlash(base) + file.Name);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(file.Bytes.data(), static_cast<std::streamsize>(file.Bytes.size()));
    archive.AddFile(file.Name);
  }
  TWzBigFileStream out(GamePath(realPath), TWzBigFileStream::fmCreate);
  archive.SaveToStream(out);
  out.Commit();
}

}  // namespace orva::kit
