#pragma once
// What the scene needs from the subsystems above it: the screen (back buffer and depth), the
// panel's mouse cursor, the media managers (pause and resume all) and the decoded-image cache
// (dither flag, surfaces around a display change). Each is a small interface installed by the
// shell; while none is installed the scene behaves as without a screen manager, media or
// cache. Tests install doubles.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/rect.h"

namespace orva {

class TCustomDIBX;
class TDMediaItem;
class TProjectLink;
class TVideoItem;

class TSceneScreen {
 public:
  virtual ~TSceneScreen() = default;
  // The back buffer's depth (15, 16 or 32): the depth of every layer surface.
  virtual int BitCount() = 0;
  // The main scene's picture; none without a screen manager.
  virtual TCustomDIBX* BackBuffer() = 0;
  // The mouse position in the scene panel's client coordinates.
  virtual TPoint CursorPos() = 0;
};

// The scene panel's mouse cursor: the default arrow or the game's own cursor, which the input
// step loads from a cursor file.
class TSceneCursor {
 public:
  enum TKind { Arrow = 0, Custom = 1 };
  virtual ~TSceneCursor() = default;
  // Loads a cursor file (a real path, at the default size) and installs it as the
  // application's custom cursor. A file that is no cursor leaves the old one.
  virtual void LoadCustomCursor(const std::string& realPath) = 0;
  virtual TKind GetPanelCursor() = 0;
  virtual void SetPanelCursor(TKind cursor) = 0;
};

// The media managers a sound object chooses among by the file name.
enum class TMediaKind { Midi, WindowsMedia, Ogg, CdAudio };

class TSceneMedia {
 public:
  virtual ~TSceneMedia() = default;
  // False pauses everything that plays, true resumes it: the wave list, Windows Media, Ogg,
  // CD audio and MIDI managers, in that order.
  virtual void SetAudioEnabled(bool flag) = 0;
  // A new item made by the manager of the kind; none while that manager does not exist. The
  // managers' errors pass on ("%s:ファイルがありません", "サウンドデータが不正です").
  virtual TDMediaItem* AddItem(TMediaKind kind, std::string_view name) { return nullptr; }
  // A movie; `surface`: its frames are drawn into a picture, else it is shown as an overlay.
  virtual TVideoItem* AddVideo(std::string_view name, bool surface) { return nullptr; }
  // Frees the item through the manager that made it.
  virtual void RemoveItem(TDMediaItem* item) {}
};

class TSceneImageCache {
 public:
  virtual ~TSceneImageCache() = default;
  virtual bool GetDither() = 0;
  // A change reloads every image.
  virtual void SetDither(bool flag) = 0;
  virtual void ReleaseSurfaces() = 0;
  virtual void RecreateSurfaces() = 0;
};

struct TSceneServices {
  TSceneScreen* Screen = nullptr;
  TSceneMedia* Media = nullptr;
  TSceneImageCache* ImageCache = nullptr;
  TSceneCursor* Cursor = nullptr;
};

// The installed services; returns the previous set.
TSceneServices SetSceneServices(const TSceneServices& services);
const TSceneServices& GetSceneServices();

// The screen depth: the back buffer's, 15 without a screen.
int ScreenBitCount();

// The running game, whose file test tells which media files can be played now (it may ask
// for a disc); none: the file manager's test.
void SetSceneProject(TProjectLink* project);
bool SceneFileAvailable(std::string_view name);

}  // namespace orva
