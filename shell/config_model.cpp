// The "/config" window's model: the settings dialog's own state and handlers.
#include "shell/config_model.h"

#include "core/encoding.h"
#include "platform/message_box.h"
#include "shell/form_config.h"

namespace orva {

namespace {

class TFormConfigModel final : public TConfigModel {
 public:
  void Load() override { form_.FormCreate(); }
  bool SoundChecked() const override { return form_.CheckSound.Checked; }
  void SetSoundChecked(bool checked) override {
    form_.CheckSound.Checked = checked;
    form_.CheckSoundClick();
  }
  int TrackPosition() const override { return form_.TrackBuff.Position; }
  void SetTrackPosition(int position) override {
    form_.TrackBuff.SetPosition(position);
    form_.TrackBuffChange();
  }
  std::string DelayLabel() const override { return SjisToUtf8(form_.LabelBuffInfo.Caption); }
  bool DelayEnabled() const override { return form_.TrackBuff.Enabled; }
  bool Ok() override {
    if (!form_.btnOKClick()) {
      MessageBoxService().Show(SjisToUtf8(form_.WriteError), SjisToUtf8(form_.Caption), TMsgButtons::OK,
                               TMsgIcon::Error);
      return false;
    }
    form_.FormClose();
    return true;
  }
  void Cancel() override {
    form_.btnCancelClick();
    form_.FormClose();
  }

 private:
  TFormConfig form_;
};

}  // namespace

std::unique_ptr<TConfigModel> CreateConfigModel() { return std::make_unique<TFormConfigModel>(); }

}  // namespace orva
