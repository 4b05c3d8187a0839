#include "kit/demo_game.h"

#include <iterator>

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

std::vector<GameFile> DemoGameFiles() {
  const std::vector<int32_t>& colours = DemoLayerColours();
  const std::vector<int>& transitions = DemoTransitions();
  const std::string colourCode = std::to_string(PR_COLOR);

  PageBuilder start;
  start.Calc("starts = starts + 1")
      .VarNew("loaded", PT_BOOL, "FALSE")
      .VarNew("step", PT_INT, "0")
      .VarNew("turn", PT_INT, "0")
      .VarNew("wipe", PT_INT, "0")
      // The save resumes in afterload.osb, which marks the game as loaded.
      .GameSave("1", "afterload.osb", 0, "\"demo\"")
      .If("loaded == FALSE", [&] { start.GameLoad("1"); })
      .While("TRUE", [&] {
        // The next colour on the layer not shown, brought in by the next transition.
        for (size_t i = 0; i < colours.size(); ++i)
          start.If("step == " + std::to_string(i),
                   [&] { start.SetProp("\"\x01\"", colourCode, std::to_string(colours[i])); });
        for (size_t i = 0; i < transitions.size(); ++i)
          start.If("turn == " + std::to_string(i), [&] { start.Calc("wipe = " + std::to_string(transitions[i])); });
        start.AtLine(DemoFlipLine)
            .Flip({.transition = "wipe", .duration = std::to_string(DemoFlipMilliseconds)})
            .AtLine(DemoFlipLine + 1)
            .Calc("step = (step + 1) % " + std::to_string(colours.size()))
            .Calc("turn = (turn + 1) % " + std::to_string(transitions.size()))
            .Wait(std::to_string(DemoPauseMilliseconds));
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
