#include "shell/form_config.h"

#include <cstdio>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "shell/ini_file.h"
#include "shell/sound_settings.h"

namespace orva {

TFormConfig::TFormConfig(std::string directory) : directory_(std::move(directory)) {
  Caption = Sjis("動作設定");
  CheckSound.Caption = Sjis("DirectSoundを使用する(&S)");
  LabelBuff.Caption = Sjis("サウンドの遅延時間(&D)：");
  btnOK.Caption = "OK";
  btnCancel.Caption = Sjis("キャンセル");
}

void TFormConfig::FormCreate() {
  Running = true;
  const TIniFile ini(GameIniPath(directory_));
  CheckSound.Checked = ini.ReadBool("Sound", "DirectSound", true);
  TrackBuff.SetPosition(ini.ReadInteger("Sound", "DelayTime", 500) / 100);
  CheckSoundClick();
  TrackBuffChange();
}

void TFormConfig::CheckSoundClick() {
  const bool delayMatters = !CheckSound.Checked;
  LabelBuff.Enabled = delayMatters;
  TrackBuff.Enabled = delayMatters;
  LabelBuffInfo.Enabled = delayMatters;
}

void TFormConfig::TrackBuffChange() {
  char text[32];
  std::snprintf(text, sizeof text, "%dms", TrackBuff.Position * 100);
  LabelBuffInfo.Caption = text;
}

bool TFormConfig::btnOKClick() {
  TIniFile ini(GameIniPath(directory_));
  ini.WriteBool("Sound", "DirectSound", CheckSound.Checked);
  ini.WriteInteger("Sound", "DelayTime", TrackBuff.Position * 100);
  try {
    ini.UpdateFile();
  } catch (const Exception& e) {
    WriteError = e.Message();
    return false;
  }
  WriteError.clear();
  CloseRequested = true;
  return true;
}

void TFormConfig::btnCancelClick() { CloseRequested = true; }

void TFormConfig::FormClose() { Running = false; }

}  // namespace orva
