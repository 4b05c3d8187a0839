// Writes the demo game into a directory: make_demo <directory>.
#include <sys/stat.h>

#include <cstdio>
#include <exception>
#include <string>

#include "kit/demo_game.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo <directory>\n");
    return 2;
  }
  const std::string directory = argv[1];
  ::mkdir(directory.c_str(), 0755);
  try {
    orva::kit::WriteGameArchive(directory + "/game.dat", orva::kit::DemoGameFiles());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_demo: %s\n", e.what());
    return 1;
  }
  return 0;
}
