#include "shell/sound_settings.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/program_file.h"
#include "shell/ini_file.h"

namespace orva {

bool UseDirectSound = true;
int32_t SoundDelayTime = 500;

std::string GameIniPath(const std::string& directory) {
  return (directory.empty() ? ProgramFileDirectory() : directory) + "/game.ini";
}

void ReadSoundSettings(const std::string& directory) {
  const std::string path = GameIniPath(directory);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  const TIniFile ini(path);
  UseDirectSound = ini.ReadBool("Sound", "DirectSound", true);
  SoundDelayTime = std::clamp(ini.ReadInteger("Sound", "DelayTime", SoundDelayTime) / 100 * 100, 100, 500);
}

}  // namespace orva
