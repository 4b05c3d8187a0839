#include "kit/demo_maps.h"

#include <cstdlib>

#include "core/encoding.h"
#include "kit/map_files.h"
#include "kit/page_builder.h"
#include "kit/vask_file.h"

namespace orva::kit {

namespace {

constexpr uint32_t kKey = 0xFF00FF;
constexpr TPoint kTile{20, 20}, kMap{220, 20}, kMenu{440, 150}, kGauge{20, 136}, kCaption{20, 156};
constexpr TRect kMemo{20, 190, 200, 300}, kEdit{220, 200, 420, 224};
constexpr int32_t kTileWidth = 180, kTileHeight = 100, kMapWidth = 200, kMapHeight = 120;
constexpr int32_t kButtonWidth = 150, kButtonHeight = 40, kSkipTop = 56;
constexpr int32_t kBarSize = 180, kCellWidth = 12, kCellHeight = 16;

const std::vector<uint32_t> kTileColours = {0xE0A030, 0x30A0E0, 0x302818};
constexpr uint32_t kMapGround = 0x406080, kSquare = 0x8080C0, kMoon = 0xC0C080, kPeak = 0x80C080, kLit = 0xFFE070;
constexpr uint32_t kNext = 0x2060A0, kSkip = 0x8040A0, kDisabled = 0x707070, kArrow = 0xF0F0F0;
constexpr uint32_t kGaugeFull = 0x40C040, kGaugeLost = 0xD04040;
const std::vector<uint32_t> kDigitColours = {0xF0E060, 0xF0A040};

const RegionArea kSquareArea = RegionArea::Rect("square", 20, 20, 69, 69);
const RegionArea kMoonArea = RegionArea::Ellipse("moon", 85, 20, 144, 79);
const std::vector<TPoint> kPeakPoints = {{150, 110}, {175, 25}, {199, 110}};

std::string Code(TPropertyCode code) { return std::to_string(code); }
std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }
std::string Num(int32_t value) { return std::to_string(value); }

template <class F>
VaskFrame Frame(int32_t w, int32_t h, int32_t delay, bool keyed, F pixel) {
  return DrawnFrame(w, h, delay, keyed ? static_cast<int32_t>(kKey) : -1, pixel);
}

std::string Vask(std::vector<VaskFrame> frames) { return MakeVaskFrames(std::move(frames)); }

// A checkerboard of 16 px squares, its light squares orange and then blue.
std::string TilePicture() {
  std::vector<VaskFrame> frames;
  for (uint32_t light : {kTileColours[0], kTileColours[1]})
    frames.push_back(Frame(32, 32, 250, false, [&](int x, int y) { return (x / 16 + y / 16) % 2 ? light : kTileColours[2]; }));
  return Vask(frames);
}

// The map: a square, a moon and a peak on the ground, each one area of the region file.
std::string MapPicture() {
  return Vask({Frame(kMapWidth, kMapHeight, 0, false, [](int x, int y) {
    if (x >= kSquareArea.Left && x <= kSquareArea.Right && y >= kSquareArea.Top && y <= kSquareArea.Bottom)
      return kSquare;
    const double cx = (kMoonArea.Left + kMoonArea.Right + 1) / 2.0, cy = (kMoonArea.Top + kMoonArea.Bottom + 1) / 2.0;
    const double rx = (kMoonArea.Right + 1 - kMoonArea.Left) / 2.0, ry = (kMoonArea.Bottom + 1 - kMoonArea.Top) / 2.0;
    const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
    if (dx * dx + dy * dy <= 1.0) return kMoon;
    // Inside the triangle: on the same side of its three edges.
    int sides = 0;
    for (size_t i = 0; i < kPeakPoints.size(); ++i) {
      const TPoint p = kPeakPoints[i], q = kPeakPoints[(i + 1) % kPeakPoints.size()];
      sides += (q.X - p.X) * (y - p.Y) - (q.Y - p.Y) * (x - p.X) >= 0 ? 1 : -1;
    }
    return std::abs(sides) == 3 ? kPeak : kMapGround;
  })});
}

// A button: its colour with an arrow (next) or two bars (skip) in light.
std::string ButtonPicture(uint32_t colour, bool arrow, int frames = 1, int delay = 0) {
  std::vector<VaskFrame> out;
  for (int f = 0; f < frames; ++f) {
    const uint32_t ground = f % 2 ? colour | 0x202020 : colour;
    out.push_back(Frame(kButtonWidth, kButtonHeight, delay, false, [&](int x, int y) {
      const int cx = kButtonWidth / 2, cy = kButtonHeight / 2;
      const bool mark = arrow ? x >= cx - 10 && x < cx + 10 && std::abs(y - cy) <= (cx + 10 - x) / 2
                              : (std::abs(x - cx + 8) < 3 || std::abs(x - cx - 8) < 3) && std::abs(y - cy) < 10;
      return mark ? kArrow : ground;
    }));
  }
  return Vask(out);
}

// The gauge's strip: the filled cell and the lost cell.
std::string GaugePicture() {
  return Vask({Frame(16, 12, 0, false, [](int x, int) { return x < 8 ? kGaugeFull : kGaugeLost; })});
}

// Digits 0..9 of 3 × 5 dots, three pixels to a dot, one cell each; two frames of colours.
std::string DigitsPicture() {
  static const char* const kDigits[10][5] = {
      {"111", "101", "101", "101", "111"}, {"010", "110", "010", "010", "111"}, {"111", "001", "111", "100", "111"},
      {"111", "001", "111", "001", "111"}, {"101", "101", "111", "001", "001"}, {"111", "100", "111", "001", "111"},
      {"111", "100", "111", "101", "111"}, {"111", "001", "001", "001", "001"}, {"111", "101", "111", "101", "111"},
      {"111", "101", "111", "001", "111"}};
  std::vector<VaskFrame> frames;
  for (uint32_t ink : kDigitColours)
    frames.push_back(Frame(10 * kCellWidth, kCellHeight, 300, true, [&](int x, int y) {
      const int digit = x / kCellWidth, dotX = (x % kCellWidth - 1) / 3, dotY = y / 3;
      const bool inside = x % kCellWidth >= 1 && dotX < 3 && dotY < 5;
      return inside && kDigits[digit][dotY][dotX] == '1' ? ink : kKey;
    }));
  return Vask(frames);
}

std::string MenuData() {
  PrevMenuFile menu;
  menu.Width = kButtonWidth;
  menu.Height = kSkipTop + kButtonHeight;
  PrevMenuButton next;
  next.Name = "next";
  next.Normal = "next.vsk";
  next.Hover = "nexthover.vsk";
  next.Select = "nextselect.vsk";
  PrevMenuButton skip;
  skip.Name = "skip";
  skip.Y = kSkipTop;
  skip.Normal = "skip.vsk";
  skip.Disabled = "skipoff.vsk";
  menu.Buttons = {next, skip};
  return MakePrevMenu(menu);
}

// maps.osb: the objects, then until the menu's "next" is chosen the tile scrolls and every
// 1.5 s the gauge and its caption take a new level; the edit's text is kept in "typed".
std::string MapsPage() {
  const std::string instructions =
      Utf8ToSjis("地図の上で場所を選んでください。\\n下の欄に名前を入力できます。\\n「次へ」の矢印で先に進みます。");
  PageBuilder page;
  page.VarNew("mapsDone", PT_BOOL, "FALSE")
      .VarNew("scroll", PT_INT, "0")
      .VarNew("pass", PT_INT, "0")
      .VarNew("level", PT_INT, "70");
  for (const char* counter : {"mapins", "mapouts", "choices", "keys"}) page.VarNew(counter, PT_INT, "0", vsStatus);
  for (const char* text : {"place", "typed"}) page.VarNew(text, PT_STR, "\"\"", vsStatus);
  page.Component(TCommandCode::TileNew, {{PR_NAME, Quoted("tile")},
                                         {PR_SOURCE, Quoted("tile.vsk")},
                                         {PR_LEFT, Num(kTile.X)},
                                         {PR_TOP, Num(kTile.Y)},
                                         {PR_WIDTH, Num(kTileWidth)},
                                         {PR_HEIGHT, Num(kTileHeight)}})
      .Component(TCommandCode::MapImgNew, {{PR_NAME, Quoted("map")},
                                           {PR_SOURCE, Quoted("map.vsk")},
                                           {PR_HOVERSOURCE, Quoted("maplit.vsk")},
                                           {PR_MAPSOURCE, Quoted("map.rgn")},
                                           {PR_LEFT, Num(kMap.X)},
                                           {PR_TOP, Num(kMap.Y)},
                                           {PR_ONMAPIN, Quoted("mapin.osb")},
                                           {PR_ONMAPOUT, Quoted("mapout.osb")},
                                           {PR_ONSELECT, Quoted("mapsel.osb")}})
      .Component(TCommandCode::PrevMenuNew, {{PR_NAME, Quoted("menu")},
                                             {PR_SOURCE, Quoted("menu.dat")},
                                             {PR_LEFT, Num(kMenu.X)},
                                             {PR_TOP, Num(kMenu.Y)},
                                             {PR_AUTOSCRAP, "TRUE"},
                                             {PR_ONSELECT, Quoted("menusel.osb")}})
      .Calc("SetEnabled(\"menu\", \"skip\", FALSE)")
      .Component(TCommandCode::GaugeNew, {{PR_NAME, Quoted("gauge")},
                                          {PR_SOURCE, Quoted("gauge.vsk")},
                                          {PR_MIN, "0"},
                                          {PR_MAX, "100"},
                                          {PR_DELAY, "1000"},
                                          {PR_DURATION, "600"},
                                          {PR_VALUE, "level"},
                                          {PR_ALPHA, "255"},
                                          {PR_LEFT, Num(kGauge.X)},
                                          {PR_TOP, Num(kGauge.Y)}})
      // The bar's length is not among the properties set at creation.
      .SetProp(Quoted("gauge"), Code(PR_BARSIZE), Num(kBarSize))
      .Component(TCommandCode::CGCaption, {{PR_NAME, Quoted("level")},
                                           {PR_SOURCE, Quoted("digits.vsk")},
                                           {PR_MAPTEXT, Quoted("0123456789")},
                                           {PR_GLYPHWIDTH, Num(kCellWidth)},
                                           {PR_GLYPHHEIGHT, Num(kCellHeight)},
                                           {PR_TEXT, "level"},
                                           {PR_ALPHA, "255"},
                                           {PR_LEFT, Num(kCaption.X)},
                                           {PR_TOP, Num(kCaption.Y)}})
      .Component(TCommandCode::MemoNew, {{PR_NAME, Quoted("help")},
                                         {PR_LEFT, Num(kMemo.Left)},
                                         {PR_TOP, Num(kMemo.Top)},
                                         {PR_WIDTH, Num(kMemo.Width())},
                                         {PR_HEIGHT, Num(kMemo.Height())},
                                         {PR_FONTHEIGHT, "14"},
                                         {PR_READONLY, "TRUE"},
                                         {PR_TEXT, Quoted(instructions)}})
      // Made last, the edit has the focus: typing goes into it at once.
      .Component(TCommandCode::EditNew, {{PR_NAME, Quoted("name")},
                                         {PR_LEFT, Num(kEdit.Left)},
                                         {PR_TOP, Num(kEdit.Top)},
                                         {PR_WIDTH, Num(kEdit.Width())},
                                         {PR_HEIGHT, Num(kEdit.Height())},
                                         {PR_FONTHEIGHT, "16"},
                                         {PR_ONNOTIFY, Quoted("typed.osb")}})
      .While("mapsDone == FALSE", [&] {
        page.Wait("50")
            .Calc("scroll = scroll + 3")
            .SetProp(Quoted("tile"), Code(PR_SCROLLX), "scroll")
            .SetProp(Quoted("tile"), Code(PR_SCROLLY), "scroll / 3")
            .Calc("pass = pass + 1")
            .If("pass % 30 == 0", [&] {
              page.Calc("level = (level + 45) % 101")
                  .SetProp(Quoted("gauge"), Code(PR_VALUE), "level")
                  .SetProp(Quoted("level"), Code(PR_TEXT), "level");
            })
            .GetProp(Quoted("name"), Code(PR_TEXT), "typed");
      });
  for (const char* name : {"tile", "map", "gauge", "level", "help", "name"}) page.ObjDel(Quoted(name));
  return page.Bytes();
}

std::string OneLine(std::string_view calc) {
  PageBuilder page;
  page.Calc(calc);
  return page.Bytes();
}

}  // namespace

void AddMapsScene(PageBuilder& start, std::vector<GameFile>& files) {
  start.Call("maps.osb", 0).AtLine(DemoMapsDoneLine).Calc("mapsDone = TRUE");
  PageBuilder select;
  select.Calc("place = @SelStr").Calc("choices = choices + 1");
  std::vector<GameFile> added = {
      {"maps.osb", MapsPage()},
      {"mapin.osb", OneLine("mapins = mapins + 1")},
      {"mapout.osb", OneLine("mapouts = mapouts + 1")},
      {"mapsel.osb", select.Bytes()},
      {"menusel.osb", OneLine("mapsDone = TRUE")},
      {"typed.osb", OneLine("keys = keys + 1")},
      {"tile.vsk", TilePicture()},
      {"map.vsk", MapPicture()},
      {"maplit.vsk", Vask({Frame(kMapWidth, kMapHeight, 0, false, [](int, int) { return kLit; })})},
      {"map.rgn", MakeRegionFile({{kSquareArea, kMoonArea, RegionArea::Polygon("peak", kPeakPoints)}})},
      {"menu.dat", MenuData()},
      {"next.vsk", ButtonPicture(kNext, true)},
      {"nexthover.vsk", ButtonPicture(0x3080D0, true, 2, 200)},
      {"nextselect.vsk", ButtonPicture(0x80C0F0, true, 2, 100)},
      {"skip.vsk", ButtonPicture(kSkip, false)},
      {"skipoff.vsk", ButtonPicture(kDisabled, false)},
      {"gauge.vsk", GaugePicture()},
      {"digits.vsk", DigitsPicture()},
  };
  for (GameFile& file : added) files.push_back(std::move(file));
}

const DemoMapsSpots& DemoMaps() {
  static const DemoMapsSpots spots = {
      .Tile = Bounds(kTile.X, kTile.Y, kTileWidth, kTileHeight),
      .TileColours = kTileColours,
      .Square = {kMap.X + 45, kMap.Y + 45},
      .Moon = {kMap.X + 115, kMap.Y + 50},
      .SquareColour = kSquare,
      .MoonColour = kMoon,
      .LitColour = kLit,
      .Next = {kMenu.X + kButtonWidth / 2, kMenu.Y + kButtonHeight / 2},
      .Skip = {kMenu.X + kButtonWidth / 2, kMenu.Y + kSkipTop + kButtonHeight / 2},
      .SkipDisabledColour = kDisabled,
      .GaugeStart = kGauge,
      .GaugeColour = kGaugeFull,
      .Caption = Bounds(kCaption.X, kCaption.Y, 3 * kCellWidth, kCellHeight),
      .DigitColours = kDigitColours,
      .Edit = kEdit,
      .Memo = kMemo,
  };
  return spots;
}

}  // namespace orva::kit
