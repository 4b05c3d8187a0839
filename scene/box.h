#pragma once
// TOrvaBox (LT_BOX): a coloured rectangle with an optional border inside its edge, drawn
// blended, opaque or added by ALPHA (0..511), holding children like any control and moved
// by a film given as SOURCE. The border and the fill never overlap, so a half-transparent
// box never darkens its border band twice.

#include <cstdint>
#include <string>

#include "scene/orva_control.h"

namespace orva {

class TOrvaBox : public TOrvaControl {
 public:
  using TOrvaControl::TOrvaControl;
  ~TOrvaBox() override;

  uint8_t GetCompoType() override { return LT_BOX; }

  int32_t GetBorderWidth() override { return borderWidth_; }
  void SetBorderWidth(int32_t value) override;
  int32_t GetBorderColor() override { return borderColor_; }
  void SetBorderColor(int32_t value) override;
  int32_t GetAlpha() override { return alpha_; }
  void SetAlpha(int32_t value) override;
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }
  std::string GetSource() override { return source_; }
  // Only a film (".omt", any case) has an effect; any other name leaves the box without a
  // motion.
  void SetSource(std::string_view value) override;
  bool GetRepeat() override { return repeat_; }
  void SetRepeat(bool value) override;
  bool GetAutoScrap() override { return autoScrap_; }
  void SetAutoScrap(bool value) override { autoScrap_ = value; }
  std::string GetOnPlayEnd() override { return onPlayEnd_; }
  void SetOnPlayEnd(std::string_view value) override { onPlayEnd_ = value; }
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override { paused_ = value; }

  void Paint() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

 private:
  int32_t borderWidth_ = 0;
  int32_t borderColor_ = 0;
  int32_t alpha_ = 255;
  std::string onIdle_;
  std::string source_;
  bool repeat_ = false;
  bool autoScrap_ = false;
  std::string onPlayEnd_;
  bool paused_ = false;
};

}  // namespace orva
