#pragma once
// The decoded-image cache of the scene globals: the one TVaskCollection of the run, which
// reads the game's files through the project (when one is set) and the file manager at the
// screen's depth. It is the scene's image-cache service (dither, display changes) and the
// image-cache part of the status data.

#include <memory>

#include "graphics/vask_collection.h"
#include "scene/scene_services.h"
#include "script/save_link.h"

namespace orva {

class TProjectLink;

class TOrvaImageCache : public TSceneImageCache, public TSaveSection {
 public:
  TOrvaImageCache();
  ~TOrvaImageCache() override;

  TVaskCollection& Collection() { return collection_; }
  // The project whose file test decides which names are available; none: the file
  // manager's.
  void SetProject(TProjectLink* project) { services_.Project = project; }
  // Whether the project can read the file now (it may ask for its disc first).
  bool FileAvailable(std::string_view name) { return services_.FileAvailable(name); }

  bool GetDither() override { return collection_.Dither(); }
  void SetDither(bool flag) override { collection_.SetDither(flag); }
  void ReleaseSurfaces() override { collection_.ReleaseSurfaces(); }
  void RecreateSurfaces() override { collection_.RecreateSurfaces(true); }

  void SaveToStream(TStream& stream) override { collection_.SaveToStream(stream); }
  void LoadFromStream(TStream& stream, int version) override { collection_.LoadFromStream(stream, version); }

 private:
  struct Services : TFileManagerVaskServices {
    bool FileAvailable(std::string_view name) override;
    int BitCount() override { return ScreenBitCount(); }
    TProjectLink* Project = nullptr;
  };
  Services services_;
  TVaskCollection collection_;
};

// The cache of the scene globals; none outside CreateSceneGlobals .. FreeSceneGlobals.
TOrvaImageCache* GetImageCache();

// Whether a game file can be read now: the project's answer through the cache of the scene
// globals, else the file manager's.
bool GameFileAvailable(std::string_view name);

}  // namespace orva
