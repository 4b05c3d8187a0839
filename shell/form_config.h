#pragma once
// The settings dialog ("/config") as a model without a window: the state of its controls and
// its handlers. The shell draws it and routes the clicks here.

#include <string>

namespace orva {

class TFormConfig {
 public:
  struct TControl {
    std::string Caption;
    bool Enabled = true;
  };
  struct TCheckBox : TControl {
    bool Checked = false;
  };
  // Keeps its position within Min .. Max, as the control does.
  struct TTrackBar : TControl {
    int Min = 1;
    int Max = 5;
    int Position = 1;
    void SetPosition(int value) { Position = value < Min ? Min : value > Max ? Max : value; }
  };

  static constexpr int ClientWidth = 270;
  static constexpr int ClientHeight = 179;

  // `directory`: the real directory of "game.ini" (the program's when empty).
  explicit TFormConfig(std::string directory = {});

  void FormCreate();
  void CheckSoundClick();
  void TrackBuffChange();
  // Writes the two settings, keeping the rest of the file, and closes the dialog. False when
  // the file could not be written: the dialog stays open and `WriteError` says why.
  bool btnOKClick();
  void btnCancelClick();
  void FormClose();

  // The dialog's caption, which also becomes the application's title.
  std::string Caption;
  TCheckBox CheckSound;
  TControl LabelBuff;
  TTrackBar TrackBuff;
  TControl LabelBuffInfo;
  TControl btnOK;
  TControl btnCancel;
  bool Running = false;
  // Set by OK and Cancel: the shell closes the window and then calls FormClose.
  bool CloseRequested = false;
  std::string WriteError;

 private:
  std::string directory_;
};

}  // namespace orva
