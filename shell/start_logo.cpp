#include "shell/start_logo.h"

#include "core/exceptions.h"
#include "core/file_manager.h"
#include "core/game_path.h"
#include "platform/program_file.h"
#include "platform/window_system.h"
#include "scene/base_list.h"

namespace orva {

namespace {

constexpr int kSpace = 0x20, kReturn = 0x0D;
// Every IGNOREMOUSE value: the caption ignores left clicks in the scene's own dispatch.
constexpr TIgnoreMouseSet kAnyObject = 0xFF;

}  // namespace

TOrvaObject* TStartLogo::FindLogoLabel(TOrvaBaseList& scene) {
  for (int i = 0; i < scene.GetItemCount(); ++i)
    if (TOrvaObject* object = scene.GetItem(i); object->GetCompoType() == LT_LABEL) return object;
  return nullptr;
}

bool TStartLogo::Step(TOrvaBaseList& scene, TWindowSystem& window) {
  if (!begun_) {
    begun_ = true;
    try {
      Begin(scene);
      if (cinema_.Get()) return false;
    } catch (const Exception&) {
      // A player whose logo cannot play goes straight to the game.
    }
    Finish();
    return true;
  }
  TOrvaObject* cinema = cinema_.Get();
  if (!cinema || !scene.HasObject(cinema_.Handle())) {
    Finish();
    return true;
  }
  if (TOrvaObject* label = FindLogoLabel(scene); label && IsInternalName(label->GetName())) {
    // The new name makes this happen once.
    label->SetName("Label");
    label->SetCursor(CursorName);
    label->SetIgnoreMouse(IM_LCLICK);
    return false;
  }
  TOrvaBase& layer = *scene.ActiveLayer();
  if (layer.LeftClick) {
    TOrvaObject* hit = layer.HitTest(layer.GetMousePos(), kAnyObject);
    if (hit && hit->GetCompoType() == LT_LABEL)
      window.OpenAddress(std::string(Address));
    else
      cinema->ScheduleFree();
  } else if (scene.IsKeyHit(kSpace) || scene.IsKeyHit(kReturn)) {
    cinema->ScheduleFree();
  }
  return false;
}

void TStartLogo::Begin(TOrvaBaseList& scene) {
  archive_ = FileManager->AddResourceArchive(GamePath(ProgramFileName()), ResourceName, ResourceType);
  TOrvaObject* cinema = scene.CreateObject(LT_CINEMA);
  if (!cinema) return;
  cinema_ = cinema;
  TOrvaBase& layer = *scene.ActiveLayer();
  cinema->SetParent(&layer);
  cinema->SetSource(FilmName);
  cinema->SetIgnoreMouse(IM_ALL);
  cinema->SetAutoScrap(true);
  cinema->SetRepeat(false);
  cinema->SetLeft((layer.GetWidth() - cinema->GetWidth()) / 2);
  cinema->SetTop((layer.GetHeight() - cinema->GetHeight()) / 2);
}

void TStartLogo::Finish() {
  if (TOrvaObject* cinema = cinema_.Get()) cinema->ScheduleFree();
  cinema_.Reset();
  if (archive_ >= 0 && FileManager && archive_ < FileManager->Count()) FileManager->Delete(archive_);
  archive_ = -1;
  if (FileManager) FileManager->Cache().Clear();
}

}  // namespace orva
