#include "kit/demo_game.h"

#include "core/archive.h"
#include "core/big_stream.h"
#include "core/encoding.h"
#include "core/game_path.h"
#include "kit/glyph_stream_builder.h"
#include "kit/page_builder.h"
#include "kit/project_file_builder.h"

namespace orva::kit {

const std::vector<int32_t>& DemoLayerColours() {
  static const std::vector<int32_t> colours = {0x804020, 0x208040, 0x402080, 0x808020};
  return colours;
}

const std::vector<int>& DemoTransitions() {
  static const std::vector<int> transitions = {WP_FADE, WP_BLINDH, WP_CLOCKHAND, WP_CIRCLE, WP_BLOCKCOIL, WP_GRID};
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

  // A click on the box: the next page, or after the last one an empty box.
  PageBuilder next;
  next.GetProp(box, Code(PR_INDEX), "idx")
      .GetProp(box, Code(PR_COUNT), "cnt")
      .If("idx < cnt - 1", [&] { next.SetProp(box, Code(PR_INDEX), "idx + 1"); })
      .Else([&] { next.TextClr(box); });
  pages.push_back({"next.osb", next.Bytes()});
}

// Over and over: the next colour on the layer not shown, brought in by the next transition.
void AddFlipScene(PageBuilder& start) {
  const std::vector<int32_t>& colours = DemoLayerColours();
  const std::vector<int>& transitions = DemoTransitions();
  // The shown layer already has the first colour.
  start.VarNew("step", PT_INT, "1")
      .VarNew("turn", PT_INT, "0")
      .VarNew("wipe", PT_INT, "0")
      .While("TRUE", [&] {
        for (size_t i = 0; i < colours.size(); ++i)
          start.If("step == " + std::to_string(i),
                   [&] { start.SetProp("\"\x01\"", Code(PR_COLOR), std::to_string(colours[i])); });
        for (size_t i = 0; i < transitions.size(); ++i)
          start.If("turn == " + std::to_string(i), [&] { start.Calc("wipe = " + std::to_string(transitions[i])); });
        start.AtLine(DemoFlipLine)
            .Flip({.transition = "wipe", .duration = std::to_string(DemoFlipMilliseconds)})
            .AtLine(DemoFlipLine + 1)
            .Calc("step = (step + 1) % " + std::to_string(colours.size()))
            .Calc("turn = (turn + 1) % " + std::to_string(transitions.size()))
            .Wait(std::to_string(DemoPauseMilliseconds));
      });
}

}  // namespace

std::vector<GameFile> DemoGameFiles() {
  std::vector<GameFile> pages;
  PageBuilder start;
  start.Calc("starts = starts + 1")
      .VarNew("loaded", PT_BOOL, "FALSE")
      // The save resumes in afterload.osb, which marks the game as loaded.
      .GameSave("1", "afterload.osb", 0, "\"demo\"")
      .If("loaded == FALSE", [&] { start.GameLoad("1"); });
  AddTextScene(start, pages);
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
                       .Bytes()},
      {"start.osb", start.Bytes()},
      {"afterload.osb", afterLoad.Bytes()},
  };
  files.insert(files.end(), pages.begin(), pages.end());
  return files;
}

void WriteGameArchive(const std::string& realPath, const std::vector<GameFile>& files) {
  TVrFileCollection archive;
  for (const GameFile& file : files)
    archive.AddMemoryFile(file.Name).Data->WriteBuffer(file.Bytes.data(), static_cast<int64_t>(file.Bytes.size()));
  TWzBigFileStream out(GamePath(realPath), TWzBigFileStream::fmCreate);
  archive.SaveToStream(out);
  out.Commit();
}

}  // namespace orva::kit
