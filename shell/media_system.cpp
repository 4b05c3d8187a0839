#include "shell/media_system.h"

#include "scene/scene_services.h"
#include "shell/cd_midi_managers.h"
#include "shell/media_library.h"

namespace orva {

std::unique_ptr<TVideoManager> VideoManager;
std::unique_ptr<TWmpManager> WmpManager;
std::unique_ptr<TOggManager> OggManager;
TDXSound* MainDXSound = nullptr;
bool DirectSoundRequested = false;
TMediaSystemHooks MediaSystemHooks;

namespace {

template <typename F, typename... Args>
void CallHook(const F& hook, Args... args) {
  if (hook) hook(args...);
}

class TMediaSceneService final : public TSceneMedia {
 public:
  void SetAudioEnabled(bool flag) override {
    CallHook(MediaSystemHooks.SetWaveListEnabled, flag);
    if (WmpManager) WmpManager->SetEnabled(flag);
    if (OggManager) OggManager->SetEnabled(flag);
    CallHook(MediaSystemHooks.SetCddaEnabled, flag);
    CallHook(MediaSystemHooks.SetMidiEnabled, flag);
  }

  TDMediaItem* AddItem(TMediaKind kind, std::string_view name) override {
    switch (kind) {
      case TMediaKind::Midi: return MidiManager ? MidiManager->Add(name) : nullptr;
      case TMediaKind::WindowsMedia: return WmpManager ? WmpManager->Add(name) : nullptr;
      case TMediaKind::Ogg: return OggManager ? OggManager->Add(name) : nullptr;
      case TMediaKind::CdAudio: return CddaManager ? CddaManager->Add(name) : nullptr;
    }
    return nullptr;
  }

  TVideoItem* AddVideo(std::string_view name, bool surface) override {
    return VideoManager ? VideoManager->Add(name, surface) : nullptr;
  }

  void RemoveItem(TDMediaItem* item) override {
    for (TMediaManager* manager : {static_cast<TMediaManager*>(VideoManager.get()),
                                   static_cast<TMediaManager*>(WmpManager.get()),
                                   static_cast<TMediaManager*>(OggManager.get()),
                                   static_cast<TMediaManager*>(CddaManager.get()),
                                   static_cast<TMediaManager*>(MidiManager.get())})
      if (manager) manager->Remove(item);
  }
};

}  // namespace

void StartMediaSystem(void* mainWindow, void* scenePanel, int screenWidth, int screenHeight, int fullScreenWidth,
                      int fullScreenHeight) {
  FormHandle = mainWindow;
  PanelHandle = scenePanel;
  InitOrvaLibrary();
  if (screenWidth > 0 && screenHeight > 0)
    CallHook(MediaSystemHooks.CreateScreenManager, screenWidth, screenHeight, fullScreenWidth, fullScreenHeight);
  VideoManager = std::make_unique<TVideoManager>();
  WmpManager = std::make_unique<TWmpManager>();
  OggManager = std::make_unique<TOggManager>();
  CallHook(MediaSystemHooks.CreateCddaManager);
  CallHook(MediaSystemHooks.CreateMidiManager);
}

void StopMediaSystem() {
  CallHook(MediaSystemHooks.FreeScreenManager);
  VideoManager.reset();
  WmpManager.reset();
  OggManager.reset();
  CallHook(MediaSystemHooks.FreeCddaManager);
  CallHook(MediaSystemHooks.FreeMidiManager);
  OrvaLib().orvaFinal();
}

TSceneMedia& MediaSceneService() {
  static TMediaSceneService service;
  return service;
}

}  // namespace orva
