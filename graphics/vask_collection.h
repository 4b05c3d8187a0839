#pragma once
// TVaskCollection: the one cache of decoded pictures. Scene objects, film tracks, inline
// pictures of text and the save-screen function acquire a picture by its file name in the
// game data, with themselves as users, and release it when done:
//
//   TVaskItem& item = cache.Acquire(this, "chara.vsk", /*mask*/ true, /*tile*/ false);
//   item.GetFrame(i).Draw(target, x, y, sr, flipH, flipV, alpha);   // alpha 0..511
//   item.Release(this);
//
// A picture is decoded once per key (the name, "?m" for the variant with masks, "?t" for
// the tile variant) into frames at the screen's depth, each an Image with an optional
// 8-bit Mask. Released pictures are kept up to a memory budget. A dither or display change
// reloads every picture into the surfaces its users already hold.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/hash_collection.h"
#include "core/rect.h"
#include "graphics/dibx.h"

namespace orva {

class TStream;

// What the cache needs of the rest of the player.
class TVaskServices {
 public:
  virtual ~TVaskServices() = default;
  // Whether the project can read the file now (it may ask for its disc first).
  virtual bool FileAvailable(std::string_view name) = 0;
  // Whether the file manager finds the file.
  virtual bool FileExists(std::string_view name) = 0;
  // The whole file into the stream, positioned at 0.
  virtual void LoadToStream(TStream& stream, std::string_view name) = 0;
  // The screen's depth (15, 16 or 32): the depth of every decoded picture.
  virtual int BitCount() = 0;
};

// The global file manager at 15 bits: every file it finds is available.
class TFileManagerVaskServices : public TVaskServices {
 public:
  bool FileAvailable(std::string_view name) override { return FileExists(name); }
  bool FileExists(std::string_view name) override;
  void LoadToStream(TStream& stream, std::string_view name) override;
  int BitCount() override { return 15; }
};

// Whoever acquires a picture; compared by identity only.
using TVaskUser = const void*;

// One decoded frame.
class TVaskItemFrame {
 public:
  // Part sr of the frame at (x, y) with the extended alpha: 0 nothing, 1..254 blend, 255
  // copy, 256..511 add with strength alpha - 256; through the mask when there is one, else
  // with the image's key when it has one.
  void Draw(TCustomDIBX& target, int x, int y, const TRect& sr, bool flipH, bool flipV, int alpha);
  // Rectangle r filled with copies of sr, the pattern starting offX, offY into sr; a flip
  // mirrors the whole filled rectangle.
  void DrawTiled(TCustomDIBX& target, const TRect& r, const TRect& sr, int offX, int offY, bool flipH, bool flipV,
                 int alpha);

  std::unique_ptr<TDIBX> Image;  // never null; its TransparentColor is the key's raw value or -1
  std::unique_ptr<TDIBX> Mask;   // 8 bits (0 transparent, 255 opaque), or none
  int32_t KeyColor = -1;         // 0x00BBGGRR
  int32_t Delay = 1;             // milliseconds, at least 1 from a delay of 0
  int32_t OffsetX = 0, OffsetY = 0;  // the image's place in the picture (tile variant)
};

class TVaskCollection;

class TVaskItem : public THashCollectionItem {
 public:
  // Takes the user off; the last one sends the item to the released pictures.
  void Release(TVaskUser user);
  // A picture that decoded to no frame has none (and size 0 × 0).
  int GetFrameCount() const { return static_cast<int>(frames_.size()); }
  TVaskItemFrame& GetFrame(int index);
  const std::vector<TVaskUser>& Users() const { return users_; }
  bool IsReleased() const { return released_; }
  // Bytes of the frames' images and masks.
  int64_t Memory() const;

  int32_t TotalDelay = 0;  // sum of the delays
  int32_t Width = 0, Height = 0;  // frame 0's size; 0 × 0 for the placeholder of a missing file

 private:
  friend class TVaskCollection;
  TVaskCollection* owner_ = nullptr;
  std::vector<std::unique_ptr<TVaskItemFrame>> frames_;
  std::vector<TVaskUser> users_;
  bool released_ = false;
};

class TVaskCollection {
 public:
  static constexpr int64_t ReleasedBudget = 5760000;

  explicit TVaskCollection(TVaskServices& services) : services_(services) {}
  TVaskCollection(const TVaskCollection&) = delete;
  TVaskCollection& operator=(const TVaskCollection&) = delete;

  // The item of name + "?m" (mask) + "?t" (tile), names compared ignoring case; made and
  // decoded when new. A name the project cannot find gives an invisible 8 × 8 placeholder;
  // a file that cannot be decoded raises, and no item is left behind.
  TVaskItem& Acquire(TVaskUser user, std::string_view name, bool mask, bool tile);
  TVaskItem* Find(std::string_view key) const;
  int Count() const { return items_.Count(); }
  int ReleasedCount() const { return static_cast<int>(released_.size()); }

  bool Dither() const { return dither_; }
  // A change reloads every picture, converted with dithering when set.
  void SetDither(bool value);
  void ReleaseSurfaces();
  // Reloads every picture; recreate: at the screen's depth now.
  void RecreateSurfaces(bool recreate);
  // Frees the released items of the name and its variants; items in use stay.
  void RemoveName(std::string_view name);

  // Status data: the dither flag, one byte; read only above version 100.
  void SaveToStream(TStream& stream);
  void LoadFromStream(TStream& stream, int version);

 private:
  friend class TVaskItem;
  void Load(TVaskItem& item);
  void Reload(TVaskItem& item, bool recreate);
  void Released(TVaskItem& item);
  void Free(TVaskItem& item);

  TVaskServices& services_;
  THashCollectionOf<TVaskItem> items_;
  // The items by their key in lower case: the collection's own chains are long for names
  // that differ only in their middle, as the names of a game's pictures do.
  std::unordered_map<std::string, TVaskItem*> byKey_;
  std::vector<TVaskItem*> released_;  // oldest first
  bool dither_ = false;
};

}  // namespace orva
