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

}  // namespace

const DemoMessageBox& DemoMessage() {
  static const DemoMessageBox box{40, 320, 560, 120, 0xFFFFFF};
  return box;
}

std::vector<GameFile> DemoGameFiles() {
  const std::vector<int32_t>& colours = DemoLayerColours();
  const std::string colourCode = std::to_string(PR_COLOR);
  const DemoMessageBox& mes = DemoMessage();
  const std::string box = Quoted("mes");

  PageBuilder start;
  start.Calc("starts = starts + 1")
      .VarNew("loaded", PT_BOOL, "FALSE")
      .VarNew("step", PT_INT, "0")
      .VarNew("idx", PT_INT, "0")
      .VarNew("cnt", PT_INT, "0")
      // The save resumes in afterload.osb, which marks the game as loaded.
      .GameSave("1", "afterload.osb", 0, "\"demo\"")
      .If("loaded == FALSE", [&] { start.GameLoad("1"); })
      .SetProp("\"\"", colourCode, std::to_string(colours[0]))
      // A message box: clicks on it turn its pages (next.osb); each text command waits until
      // its pages are read, then the backlog shows them all until a last click.
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
      .TextIns({.glyphs = DemoText({"クリックで次のページへ進みます。"}), .box = box, .history = "TRUE", .wait = "TRUE"})
      .CallHist(box, "0", "100", "TRUE")
      .GetProp(box, Code(PR_COUNT), "cnt")
      .While("cnt > 0", [&] { start.Wait("100").GetProp(box, Code(PR_COUNT), "cnt"); })
      .While("TRUE", [&] {
        for (size_t i = 0; i < colours.size(); ++i)
          start.If("step == " + std::to_string(i),
                   [&] { start.SetProp("\"\"", colourCode, std::to_string(colours[i])); });
        start.Calc("step = (step + 1) % " + std::to_string(colours.size())).Wait("500");
      });

  PageBuilder afterLoad;
  afterLoad.Calc("loaded = TRUE");

  // A click on the box: the next page, or after the last one an empty box.
  PageBuilder next;
  next.GetProp(box, Code(PR_INDEX), "idx")
      .GetProp(box, Code(PR_COUNT), "cnt")
      .If("idx < cnt - 1", [&] { next.SetProp(box, Code(PR_INDEX), "idx + 1"); })
      .Else([&] { next.TextClr(box); });

  return {
      {"orva.opb", ProjectFileBuilder()
                       .Title(Sjis("オルヴァ デモ"))
                       .Screen(640, 480)
                       .FullScreen(640, 480)
                       .StartPage("start.osb")
                       .IntVar("starts", 0)
                       .Bytes()},
      {"start.osb", start.Bytes()},
      {"afterload.osb", afterLoad.Bytes()},
      {"next.osb", next.Bytes()},
  };
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
