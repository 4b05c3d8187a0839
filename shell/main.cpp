// orva-player: plays games made with the OrvaMaker authoring tool.
#include <cstdio>

int main(int argc, char** argv) {
  std::printf(
      "orva-player: usage: orva-player [game-directory [archive-directory ...]]\n"
      "The game archive, script engine, scene and drawing surfaces are built; the shell that\n"
      "opens the window and runs a game's frames is not built yet, so there is nothing to play.\n");
  return 0;
}
