// "save.dat" on any bytes, as the start-up and the game loads read it: the captions and the
// status data with the read marks (a start-up either runs or raises one of the system's
// exceptions), then every listed slot and a few others are loaded (scene with message boxes,
// backlog). A load either fails (and asks to end the game) or gives a game that saves and
// loads again, and then keeps its saved form.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "core/app_control.h"
#include "core/archive.h"
#include "core/data_tables.h"
#include "core/exceptions.h"
#include "core/game_path.h"
#include "kit/game_files.h"
#include "kit/glyph_stream_builder.h"
#include "kit/page_builder.h"
#include "kit/project_file_builder.h"
#include "kit/scene_doubles.h"
#include "platform/message_box.h"
#include "platform/temp_dir.h"
#include "scene/base_list.h"
#include "scene/object_factory.h"
#include "script/param_collection.h"
#include "script/project.h"
#include "script/save_file.h"
#include "text/history.h"
#include "text/read_marks.h"
#include "text_fuzz_support.h"

namespace {

using namespace orva;

// Answers every box at once and keeps nothing.
class TSilentBoxes : public TMessageBoxService {
 public:
  TMsgResult Show(const std::string&, const std::string&, TMsgButtons, TMsgIcon) override { return TMsgResult::OK; }
};

struct TWorld {
  TWorld() {
    RegisterObjectClass(LT_BOX, [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<kit::FillBox>(s); });
    RegisterObjectClass(LT_TIMER,
                        [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<kit::StoredComponent>(s); });
    fuzz_text::InstallTextSubsystem();
    CreateSceneGlobals();
    SetMessageBoxService(&boxes);
    directory = MakePrivateTempDirectory("orva-fuzz-");
  }
  ~TWorld() {
    if (!directory.empty()) RemoveDirectoryWithFiles(directory);
    SetMessageBoxService(nullptr);
  }
  TSilentBoxes boxes;
  std::string directory;
};

TWorld& World() {
  static TWorld world;
  return world;
}

std::string GameItem(TWorld& world, int32_t slot) {
  TVrFileCollection archive;
  archive.Open(GamePath(world.directory + "/save.dat"));
  TMemoryStream item;
  archive.LoadFileToStream(item, TSaveFile::GameItemName(slot));
  return std::string(item.View());
}

void Reset() {
  QuitRequested = false;
  DBManager().Clear();
  GetHistory()->Clear();
  GetReadMarks()->Clear();
}

// The glyph stream of plain one-byte text.
std::string TextOf(std::string_view text) {
  kit::GlyphStream stream(102);
  stream.Decoration({}).Text(text);
  return stream.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TWorld& world = World();
  if (world.directory.empty()) return 0;
  std::ofstream(world.directory + "/save.dat", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  static const std::string project = kit::ProjectFileBuilder(109).IntVar("seen", 1).Bytes();
  static const std::string page = kit::PageBuilder()
                                      .Calc("x = 1")
                                      .Component(TCommandCode::MesNew, {{PR_NAME, "\"m\""}, {PR_WIDTH, "64"},
                                                                        {PR_HEIGHT, "32"}})
                                      .TextIns({.glyphs = TextOf("ab"), .box = "\"m\"", .history = "TRUE"})
                                      .Wait("100000")
                                      .Bytes();
  kit::GameFiles files;
  files.Add("orva.opb", project);
  files.Add("start.osb", page);
  TParamCollection vars;
  TSaveFile saves({&GetMainScene()->Link(), GetHistory(), GetReadMarks(), nullptr});
  TProjectSetup setup;
  setup.Arguments = {GamePath(world.directory)};
  setup.Scene = &GetMainScene()->Link();
  setup.Text = &TextLink();
  setup.Saves = &saves;
  try {
    TProject started(vars, std::move(setup));
    if (!started.CallMan()) return Reset(), 0;
    std::vector<int32_t> slots = {0, 1, 2};
    for (const TSaveCaption& caption : started.SaveCaptions()) slots.push_back(caption.Slot);
    for (int32_t slot : slots) {
      QuitRequested = false;
      started.RequestLoad(slot);
      started.ProcessRequests();
      if (QuitRequested) continue;
      started.Execute();
      started.RequestSave(99, "", 0, "again");
      started.ProcessRequests();
      // What loaded and saved must load again; after the first round, which may drop what a
      // save cannot name (senders that are not saved themselves), a load and a save give the
      // same bytes.
      for (int32_t next : {98, 97}) {
        started.RequestLoad(next + 1);
        started.RequestSave(next, "", 0, "again");
        started.ProcessRequests();
        if (QuitRequested) __builtin_trap();
      }
      if (GameItem(world, 98) != GameItem(world, 97)) __builtin_trap();
    }
  } catch (const Exception&) {
  }
  GetMainScene()->Clear();
  Reset();
  return 0;
}
