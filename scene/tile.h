#pragma once
// TOrvaTile (LT_TILE): a rectangle filled with copies of an animated picture, edge to edge or
// on a grid of larger cells (DISTANCEX, DISTANCEY), the pattern shifted by SCROLLX and SCROLLY.
// The frames come from its own frame list and always loop; its size is the script's (never
// the picture's), and its position ignores OFFSETX/Y, POSZOOMED and PLUSX/Y. A film's tile
// track drives it through ApplyTileFrame.

#include <cstdint>
#include <string>

#include "scene/animated_image.h"
#include "scene/image_list.h"

namespace orva {

class TOrvaTile : public TOrvaCustomImages {
 public:
  explicit TOrvaTile(TOrvaBaseList* owner);
  ~TOrvaTile() override;

  uint8_t GetCompoType() override { return LT_TILE; }
  TOrvaImageList* GetFrameList() override { return &frames_; }
  bool IsAutoSized() override { return false; }

  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }
  int32_t GetScreenLeft() override;
  int32_t GetScreenTop() override;
  int32_t GetOriginX() override;
  int32_t GetOriginY() override;
  int32_t GetDistanceX() override { return distanceX_; }
  void SetDistanceX(int32_t value) override { Change(distanceX_, value); }
  int32_t GetDistanceY() override { return distanceY_; }
  void SetDistanceY(int32_t value) override { Change(distanceY_, value); }
  std::string GetSource() override { return source_; }
  // ".vsk" (any case) loads the frames, ".omt" plays the motion file; a load shows frame 0.
  void SetSource(std::string_view value) override;
  bool GetRepeat() override { return true; }
  int32_t GetScrollX() override { return scrollX_; }
  void SetScrollX(int32_t value) override { Change(scrollX_, value); }
  int32_t GetScrollY() override { return scrollY_; }
  void SetScrollY(int32_t value) override { Change(scrollY_, value); }

  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;
  void DrawPicture() override;

  // One frame of a film's tile track: every drawing property, in this order.
  void ApplyTileFrame(TOrvaControl* parent, TCustomDIBX* picture, TCustomDIBX* mask, int32_t keyColor,
                      int32_t priority, int32_t distanceX, int32_t distanceY, bool flipH, bool flipV, int32_t left,
                      int32_t top, int32_t width, int32_t height, int32_t offsetX, int32_t offsetY, int32_t zoomX,
                      int32_t zoomY, int32_t alpha, int32_t scrollX, int32_t scrollY, const TRect& clip) override;

 private:
  void Change(int32_t& field, int32_t value);
  int32_t TilePos(bool vertical);
  // Grid cells over the picture's drawing rectangles, 1:1.
  void DrawRectGrid(TCustomDIBX& target, TCustomDIBX& picture, const TRect& s, int32_t cellW, int32_t cellH);

  TOrvaImageList frames_;
  std::string source_;
  int32_t scrollX_ = 0, scrollY_ = 0;
  std::string onIdle_;
  int32_t distanceX_ = 0, distanceY_ = 0;
};

}  // namespace orva
