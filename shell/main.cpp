// orva-player: plays games made with the OrvaMaker authoring tool.
//   orva-player [game-directory [archive-directory ...]]
//   orva-player /config
#include "shell/media_library.h"
#include "shell/player_media.h"
#include "shell/start_up.h"

int main(int argc, char** argv) {
  // The media module is bound before anything else; a wrong version ends the program.
  if (!orva::BindOrvaLibrary()) return 1;
  orva::TPlayerMedia media;
  return orva::PlayerMain(argc, argv, media);
}
