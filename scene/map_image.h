#pragma once
// TOrvaMapImage (LT_MAPIMG): a picture divided into named areas (MAPSOURCE, a region file)
// for map screens and picture menus. The area under the mouse, or chosen with the arrow
// keys, shows the hover picture (HOVERSOURCE) inside its shape and the normal picture
// (SOURCE) everywhere else. Selecting an area (left click, Enter, Space) writes its name and
// index into @SelStr and @SelIndex and queues ONSELECT; with AUTOSCRAP the image then closes.
// With RCLICKSCRAP a right click or Escape cancels. Entering and leaving an area queue
// ONMAPIN and ONMAPOUT.
//
// The masks that cut an area out of a frame are composed in surfaces of the image's own, so
// that two images on one picture never touch each other's masks or the cache's.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/image_list.h"
#include "scene/map_region.h"
#include "scene/orva_control.h"

namespace orva {

class TOrvaMapImage : public TOrvaControl {
 public:
  explicit TOrvaMapImage(TOrvaBaseList* owner);
  ~TOrvaMapImage() override;

  uint8_t GetCompoType() override { return LT_MAPIMG; }
  std::string GetSource() override { return source_; }
  void SetSource(std::string_view value) override;
  std::string GetHoverSource() override { return hoverSource_; }
  void SetHoverSource(std::string_view value) override;
  std::string GetMapSource() override { return mapSource_; }
  void SetMapSource(std::string_view value) override;
  int32_t GetAlpha() override { return alpha_; }
  void SetAlpha(int32_t value) override;
  int32_t GetBrightness() override { return brightness_; }
  void SetBrightness(int32_t value) override;
  bool GetAutoScrap() override { return autoScrap_; }
  void SetAutoScrap(bool value) override { autoScrap_ = value; }
  bool GetRClickScrap() override { return rClickScrap_; }
  void SetRClickScrap(bool value) override { rClickScrap_ = value; }
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override { paused_ = value; }
  std::string GetOnMapIn() override { return onMapIn_; }
  void SetOnMapIn(std::string_view value) override { onMapIn_ = value; }
  std::string GetOnMapOut() override { return onMapOut_; }
  void SetOnMapOut(std::string_view value) override { onMapOut_ = value; }
  std::string GetOnSelect() override { return onSelect_; }
  void SetOnSelect(std::string_view value) override { onSelect_ = value; }
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }
  bool GetRepeat() override { return true; }

  void Paint() override;
  bool Idle() override;
  void MouseMove() override;
  void MouseOut(TOrvaObject* next) override;
  void LButtonDown() override;
  void KeyRepeat() override;
  bool RClickScrap() override;
  bool IsInputLocked() override { return inputLocked_; }
  void ReleaseSurfaces() override;
  void RecreateSurfaces() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  const std::vector<TMapArea>& Areas() const { return areas_; }
  int32_t GetSelectedArea() const { return selected_; }
  // Moves the selection, queuing ONMAPOUT of the old area and ONMAPIN of the new one.
  void SetSelectedArea(int32_t area);
  int32_t GetClosing() const { return closing_; }
  // The mask a frame of the normal (hover false) or hover list is drawn through now.
  TCustomDIBX* FrameMask(bool hover, int index);

 private:
  // One frame's mask as composed for an area (−1: the frame's own).
  struct TFrameMask {
    std::unique_ptr<TDIBX> Composed;
    int32_t State = -1;
  };
  struct TLook {
    TOrvaImageList Frames;
    std::vector<TFrameMask> Masks;
  };
  void LoadLook(TLook& look, std::string_view name);
  void DrawLook(TLook& look, bool hover);
  void ComposeMask(TLook& look, int index, bool hover);
  void InvalidateArea(int32_t area);
  TRect AreaBounds(int32_t area);
  void Select();
  void Close();

  TLook normal_, hover_;
  std::string source_, hoverSource_, mapSource_;
  int32_t alpha_ = 255;
  int32_t brightness_ = 0;
  bool autoScrap_ = false, rClickScrap_ = false, paused_ = false;
  std::string onMapIn_, onMapOut_, onSelect_;
  std::vector<TMapArea> areas_;
  int32_t selected_ = -1;
  int32_t closing_ = 0;
  std::string onIdle_;
  bool inputLocked_ = false;
};

}  // namespace orva
