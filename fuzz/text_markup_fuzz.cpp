// Markup on any bytes, as a script assigns it to a message box's TEXT, over the fake
// rasteriser: the first byte gives the box's width and paging, the rest is the text. What
// lays out is revealed frame by frame with hover and painting, then saved and loaded into
// a second box, which must save the same bytes again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/frame_clock.h"
#include "core/stream.h"
#include "graphics/dibx.h"
#include "scene/base_list.h"
#include "scene/scene_services.h"
#include "text/orva_mes.h"
#include "text_fuzz_support.h"

namespace {

using namespace orva;

class TScreen : public TSceneScreen {
 public:
  TScreen() { Surface.SetSize(160, 120, 16); }
  int BitCount() override { return 16; }
  TCustomDIBX* BackBuffer() override { return &Surface; }
  TPoint CursorPos() override { return {}; }
  TDIBX Surface;
};

TOrvaBaseList& Scene() {
  static TScreen screen;
  static const bool ready = [] {
    TSceneServices services;
    services.Screen = &screen;
    SetSceneServices(services);
    fuzz_text::InstallTextSubsystem();
    CreateSceneGlobals();
    GetMainScene()->SetWidth(160);
    GetMainScene()->SetHeight(120);
    return true;
  }();
  (void)ready;
  return *GetMainScene();
}

TOrvaMes& NewBox(TOrvaBaseList& scene, int32_t width, bool paging) {
  auto* box = static_cast<TOrvaMes*>(scene.CreateObject(LT_MES));
  box->SetParent(scene.ActiveLayer());
  box->SetBounds(4, 4, width, 48);
  box->SetPaging(paging);
  box->SetOnNotify("n.osb");
  box->SetOnLink("l.osb");
  return *box;
}

std::string Saved(TOrvaMes& box) {
  TMemoryStream m;
  box.SaveToStream(m);
  return std::string(m.View());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  TOrvaBaseList& scene = Scene();
  FrameDelta = 16;
  TOrvaMes& box = NewBox(scene, data[0] & 0x7F, (data[0] & 0x80) == 0);
  try {
    box.SetText(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  } catch (const Exception&) {
  }
  for (int frame = 0; frame < 12; ++frame) {
    scene.Events().Clear();
    scene.RecordMousePos({4 + frame * 7 % 64, 4 + frame * 5 % 40});
    scene.ProcessInput();
    scene.Idle();
    scene.GetLayer(0)->InvalidateAll();
    scene.Paint();
    if (frame == 6) box.SetIndex(box.GetIndex() + 1);
  }
  const std::string first = Saved(box);
  TOrvaMes& copy = NewBox(scene, 1, true);
  TMemoryStream input(first);
  copy.LoadFromStream(input, GameSaveVersion);
  if (input.Remaining() != 0 || Saved(copy) != first) __builtin_trap();
  scene.Clear();
  return 0;
}
