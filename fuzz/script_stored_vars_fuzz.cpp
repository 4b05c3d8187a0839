// The stored variable lists (game and status) on any bytes; what loads saves and loads again,
// and keeps its saved form.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/stream.h"
#include "core/vocabulary.h"
#include "script/param_collection.h"

namespace {

// The status list, then the game list: a game's status variables are there before any game
// save loads.
std::string Saved(const orva::TParamCollection& store) {
  orva::TMemoryStream m;
  store.SaveStatusVars(m);
  store.SaveGameVars(m);
  return std::string(m.View());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int version = 100 + data[0] % 40;
  orva::TMemoryStream m(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  orva::TParamCollection store;
  try {
    if (version & 1)
      store.LoadGameVars(m, version);
    else
      store.LoadStatusVars(m);
  } catch (const orva::Exception&) {
    return 0;
  }
  // Every loaded variable answers reads.
  for (int i = 0; i < store.Count(); ++i) {
    orva::TParamCollectionItem& item = store.Item(i);
    try {
      item.GetAsString();
      item.Value().GetDimCount();
      for (int32_t k = 0, n = item.Value().GetCount(); k < n && k < 16; ++k) item.Value().GetStrItem(k);
    } catch (const orva::Exception&) {
    }
  }
  // What loads saves and loads again, and settles: the first loads may bind references
  // differently from the bytes read (a status variable's target among the game variables,
  // which a game reads later; equal names, which only stored data holds, once a save has
  // put each target ahead of its references); from then on a load and a save give the
  // same bytes.
  std::string previous = Saved(store);
  for (int round = 0; round < 3; ++round) {
    orva::TMemoryStream again(previous);
    orva::TParamCollection loaded;
    loaded.LoadStatusVars(again);
    loaded.LoadGameVars(again, orva::GameSaveVersion);
    if (again.Remaining() != 0) __builtin_trap();
    const std::string saved = Saved(loaded);
    if (round > 1 && saved != previous) __builtin_trap();
    previous = saved;
  }
  return 0;
}
