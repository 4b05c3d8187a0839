#include "kit/demo_game.h"

#include "core/archive.h"
#include "core/big_stream.h"
#include "core/encoding.h"
#include "core/game_path.h"
#include "kit/page_builder.h"
#include "kit/project_file_builder.h"

namespace orva::kit {

const std::vector<int32_t>& DemoLayerColours() {
  static const std::vector<int32_t> colours = {0x804020, 0x208040, 0x402080, 0x808020};
  return colours;
}

std::vector<GameFile> DemoGameFiles() {
  const std::vector<int32_t>& colours = DemoLayerColours();
  const std::string colourCode = std::to_string(PR_COLOR);

  PageBuilder start;
  start.Calc("starts = starts + 1")
      .VarNew("loaded", PT_BOOL, "FALSE")
      .VarNew("step", PT_INT, "0")
      // The save resumes in afterload.osb, which marks the game as loaded.
      .GameSave("1", "afterload.osb", 0, "\"demo\"")
      .If("loaded == FALSE", [&] { start.GameLoad("1"); })
      .While("TRUE", [&] {
        for (size_t i = 0; i < colours.size(); ++i)
          start.If("step == " + std::to_string(i),
                   [&] { start.SetProp("\"\"", colourCode, std::to_string(colours[i])); });
        start.Calc("step = (step + 1) % " + std::to_string(colours.size())).Wait("500");
      });

  PageBuilder afterLoad;
  afterLoad.Calc("loaded = TRUE");

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
