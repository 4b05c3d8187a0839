#pragma once
// The settings behind the "/config" window: the two sound settings of "game.ini" as the
// window's controls show them. The window calls Load once, then the change handlers as the
// player uses the controls, then Ok or Cancel.

#include <memory>
#include <string>

namespace orva {

class TConfigModel {
 public:
  virtual ~TConfigModel() = default;
  // Reads "game.ini" into the controls (its defaults when the file is missing).
  virtual void Load() = 0;
  // The check box "DirectSoundを使用する".
  virtual bool SoundChecked() const = 0;
  virtual void SetSoundChecked(bool checked) = 0;
  // The delay track bar, 1..5 (hundreds of ms); a position outside is kept within.
  virtual int TrackPosition() const = 0;
  virtual void SetTrackPosition(int position) = 0;
  // The delay's label (UTF-8): "%dms" of the position × 100.
  virtual std::string DelayLabel() const = 0;
  // Whether the delay's label, track bar and value label can be used: the box is not ticked.
  virtual bool DelayEnabled() const = 0;
  // Writes "game.ini" (its other contents kept). False when it could not be written, after
  // telling the player; the window then stays open.
  virtual bool Ok() = 0;
  // The window closes without writing.
  virtual void Cancel() = 0;
};

// The model the "/config" window is shown over.
std::unique_ptr<TConfigModel> CreateConfigModel();

}  // namespace orva
