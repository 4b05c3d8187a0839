// A settings model that keeps the controls' values in memory and reads and writes no file;
// it stands in until the settings file is read and written by the media side.
#include <algorithm>

#include "shell/config_model.h"

namespace orva {

namespace {

class TPlaceholderConfigModel final : public TConfigModel {
 public:
  void Load() override {}
  bool SoundChecked() const override { return checked_; }
  void SetSoundChecked(bool checked) override { checked_ = checked; }
  int TrackPosition() const override { return position_; }
  void SetTrackPosition(int position) override { position_ = std::clamp(position, 1, 5); }
  std::string DelayLabel() const override { return std::to_string(position_ * 100) + "ms"; }
  bool DelayEnabled() const override { return !checked_; }
  bool Ok() override { return true; }
  void Cancel() override {}

 private:
  bool checked_ = true;
  int position_ = 5;
};

}  // namespace

std::unique_ptr<TConfigModel> CreateConfigModel() { return std::make_unique<TPlaceholderConfigModel>(); }

}  // namespace orva
