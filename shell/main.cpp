// orva-player: plays games made with the OrvaMaker authoring tool.
#include <cstdio>

int main(int argc, char** argv) {
  std::printf(
      "orva-player: usage: orva-player [game-directory [archive-directory ...]]\n"
      "This build holds the core library only: the script engine, scene, graphics and shell\n"
      "that run a game are not built yet, so there is nothing to play.\n");
  return 0;
}
