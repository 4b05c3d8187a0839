// orva-player: plays games made with the OrvaMaker authoring tool.
//   orva-player [game-directory [archive-directory ...]]
//   orva-player /config
#include "shell/shell_media.h"
#include "shell/start_up.h"

int main(int argc, char** argv) {
  orva::TShellMedia media;
  return orva::PlayerMain(argc, argv, media);
}
