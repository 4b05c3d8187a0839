#pragma once
// The start-up logo: before the game's start page runs, a cinema plays the player's own logo
// film from an archive linked into the program. A left click or Space or Enter skips it; a
// click on its caption opens the player's web page instead. Once the cinema has gone, the
// archive is closed, the file cache emptied, and the game runs from the next frame.

#include <string>
#include <string_view>

#include "scene/object_handle.h"

namespace orva {

class TOrvaBaseList;
class TOrvaObject;
class TWindowSystem;

class TStartLogo {
 public:
  // The archive resource, and the logo's files inside it (Shift-JIS names).
  static constexpr std::string_view ResourceName = "MADEWITH";
  static constexpr std::string_view ResourceType = "DATA";
  // "MadeWithCorvanthLogo\QWロゴ.ocm".
  static constexpr std::string_view FilmName = "MadeWithCorvanthLogo\\QW\x83\x8D\x83\x53.ocm";
  static constexpr std::string_view CursorName = "MadeWithCorvanthLogo\\Hand.cur";
  // The page the caption opens.
  static constexpr std::string_view Address = "https://orva-player.example.org/";

  // One logo step of a frame, in the interpreter's place; true once the logo is done.
  bool Step(TOrvaBaseList& scene, TWindowSystem& window);

  // The caption the film made: the first label of the scene's objects.
  static TOrvaObject* FindLogoLabel(TOrvaBaseList& scene);

 private:
  // Opens the archive and starts the cinema, centred on the shown layer.
  void Begin(TOrvaBaseList& scene);
  void Finish();

  bool begun_ = false;
  int archive_ = -1;
  TWeakRef<TOrvaObject> cinema_;
};

}  // namespace orva
