// Writes the start-up logo's archive, which the player links in: make_logo <file>.
#include <cstdio>
#include <exception>
#include <string>

#include "kit/demo_game.h"
#include "kit/logo_files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_logo <file>\n");
    return 2;
  }
  try {
    orva::kit::WriteGameArchive(argv[1], orva::kit::LogoFiles());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_logo: %s\n", e.what());
    return 1;
  }
  return 0;
}
