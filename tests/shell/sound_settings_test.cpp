#include "shell/sound_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <string>

#include "../core/temp_dir.h"
#include "core/encoding.h"
#include "shell/form_config.h"
#include "shell/ini_file.h"

namespace orva {
namespace {

using testing::TempDir;

// Each test starts from the values before any reading.
class SoundSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseDirectSound = true;
    SoundDelayTime = 500;
  }
  TempDir dir;
};

TEST_F(SoundSettingsTest, PlayerReadsTheTwoValues) {
  struct Case {
    std::optional<std::string> ini;  // none: no file
    bool direct;
    int delay;
  };
  const Case cases[] = {
      {std::nullopt, true, 500},
      {"", true, 500},
      {"[Sound]\r\nDirectSound=0\r\nDelayTime=250\r\n", false, 200},
      {"[sound]\r\ndirectsound=0\r\nDELAYTIME=300\r\n", false, 300},
      {"[Sound]\r\nDirectSound=7\r\nDelayTime=50\r\n", true, 100},
      {"[Sound]\r\nDirectSound=-1\r\nDelayTime=9000\r\n", true, 500},
      {"[Sound]\r\nDirectSound=no\r\nDelayTime=fast\r\n", true, 500},
      {"[Sound]\r\nDirectSound=\r\nDelayTime=-400\r\n", true, 100},
      {"[Sound]\r\n DirectSound = 0 \r\nDelayTime=$12C\r\n", false, 300},
      {"[Other]\r\nDirectSound=0\r\nDelayTime=100\r\n", true, 500},
      {"DirectSound=0\n[Sound]\n;DelayTime=100\nDelayTime=499", true, 400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini.value_or("(no file)"));
    SetUp();
    std::remove(dir.Os("game.ini").c_str());
    if (c.ini) dir.Write("game.ini", *c.ini);
    ReadSoundSettings(dir.Os(""));
    EXPECT_EQ(UseDirectSound, c.direct);
    EXPECT_EQ(SoundDelayTime, c.delay);
  }
}

TEST_F(SoundSettingsTest, WithoutAFileTheValuesAlreadySetStay) {
  UseDirectSound = false;
  SoundDelayTime = 300;
  ReadSoundSettings(dir.Os(""));
  EXPECT_FALSE(UseDirectSound);
  EXPECT_EQ(SoundDelayTime, 300);
}

TEST_F(SoundSettingsTest, DialogShowsTheFile) {
  struct Case {
    std::optional<std::string> ini;
    bool ticked;
    int position;
    const char* label;
  };
  const Case cases[] = {
      {std::nullopt, true, 5, "500ms"},
      {"[Sound]\r\nDelayTime=250\r\n", true, 2, "200ms"},
      {"[Sound]\r\nDelayTime=50\r\n", true, 1, "100ms"},
      {"[Sound]\r\nDelayTime=9000\r\nDirectSound=0\r\n", false, 5, "500ms"},
      {"[SOUND]\r\ndelaytime=x\r\ndirectsound=2\r\n", true, 5, "500ms"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini.value_or("(no file)"));
    std::remove(dir.Os("game.ini").c_str());
    if (c.ini) dir.Write("game.ini", *c.ini);
    TFormConfig form(dir.Os(""));
    form.FormCreate();
    EXPECT_TRUE(form.Running);
    EXPECT_EQ(form.Caption, Sjis("動作設定"));
    EXPECT_EQ(form.CheckSound.Checked, c.ticked);
    EXPECT_EQ(form.TrackBuff.Position, c.position);
    EXPECT_EQ(form.LabelBuffInfo.Caption, c.label);
    // The delay matters only for the program's own mixer.
    EXPECT_EQ(form.TrackBuff.Enabled, !c.ticked);
    EXPECT_EQ(form.LabelBuff.Enabled, !c.ticked);
    EXPECT_EQ(form.LabelBuffInfo.Enabled, !c.ticked);
  }
}

TEST_F(SoundSettingsTest, DialogControlsFollowTheClicks) {
  TFormConfig form(dir.Os(""));
  form.FormCreate();
  form.CheckSound.Checked = false;
  form.CheckSoundClick();
  EXPECT_TRUE(form.TrackBuff.Enabled);
  form.TrackBuff.SetPosition(9);
  form.TrackBuffChange();
  EXPECT_EQ(form.TrackBuff.Position, 5);
  form.TrackBuff.SetPosition(3);
  form.TrackBuffChange();
  EXPECT_EQ(form.LabelBuffInfo.Caption, "300ms");
}

TEST_F(SoundSettingsTest, CancelWritesNothingAndOkWritesOnlyItsKeys) {
  TFormConfig cancelled(dir.Os(""));
  cancelled.FormCreate();
  cancelled.btnCancelClick();
  cancelled.FormClose();
  EXPECT_TRUE(cancelled.CloseRequested);
  EXPECT_FALSE(cancelled.Running);
  EXPECT_FALSE(dir.Exists("game.ini"));

  // Greyed out while the box is ticked, the delay is still written.
  TFormConfig form(dir.Os(""));
  form.FormCreate();
  form.TrackBuff.SetPosition(2);
  form.TrackBuffChange();
  ASSERT_TRUE(form.btnOKClick());
  EXPECT_TRUE(form.CloseRequested);
  EXPECT_EQ(dir.Read("game.ini"), "[Sound]\r\nDirectSound=1\r\nDelayTime=200\r\n");

  const std::string other = "; mine\n[Window]\nLeft=3\n\n[sound]\nDELAYTIME=400\nVolume=9\n\n[Last]\nx=1";
  dir.Write("game.ini", other);
  TFormConfig again(dir.Os(""));
  again.FormCreate();
  EXPECT_EQ(again.TrackBuff.Position, 4);
  again.CheckSound.Checked = false;
  again.CheckSoundClick();
  ASSERT_TRUE(again.btnOKClick());
  EXPECT_EQ(dir.Read("game.ini"),
            "; mine\n[Window]\nLeft=3\n\n[sound]\nDELAYTIME=400\nVolume=9\nDirectSound=0\n\n[Last]\nx=1\n");
  ReadSoundSettings(dir.Os(""));
  EXPECT_FALSE(UseDirectSound);
  EXPECT_EQ(SoundDelayTime, 400);
}

TEST_F(SoundSettingsTest, FailedWriteKeepsTheDialogOpen) {
  TFormConfig form(dir.Os("missing-directory"));
  form.FormCreate();
  EXPECT_FALSE(form.btnOKClick());
  EXPECT_FALSE(form.CloseRequested);
  EXPECT_FALSE(form.WriteError.empty());
  EXPECT_TRUE(form.Running);
}

}  // namespace
}  // namespace orva
