#include "graphics/vask_collection.h"

#include <algorithm>

#include "core/exceptions.h"
#include "core/file_manager.h"
#include "core/lists.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "graphics/dibx.h"
#include "graphics/vask_frame_list.h"

namespace orva {

// ---- Services over the file manager ----

bool TFileManagerVaskServices::FileExists(std::string_view name) { return FileManager && FileManager->FileExists(name); }

void TFileManagerVaskServices::LoadToStream(TStream& stream, std::string_view name) {
  if (!FileManager) throw EFOpenError(std::string(name));
  FileManager->LoadToStream(stream, name);
}

// ---- Frames ----

void TVaskItemFrame::Draw(TCustomDIBX& target, int x, int y, const TRect& sr, bool flipH, bool flipV, int alpha) {
  if (alpha <= 0) return;
  if (Mask) {
    if (alpha < 255)
      target.DrawMaskAlpha(x, y, *Image, sr, flipH, flipV, *Mask, alpha);
    else if (alpha == 255)
      target.DrawMask(x, y, *Image, sr, flipH, flipV, *Mask);
    else
      target.DrawMaskAdd(x, y, *Image, sr, flipH, flipV, *Mask, alpha - 256);
    return;
  }
  const bool key = Image->TransparentColor != -1;
  if (alpha < 255)
    target.DrawAlpha(x, y, *Image, sr, key, flipH, flipV, alpha);
  else if (alpha == 255)
    target.Draw(x, y, *Image, sr, key, flipH, flipV);
  else
    target.DrawAdd(x, y, *Image, sr, key, flipH, flipV, alpha - 256);
}

namespace {

// The pieces of a pattern of period size along one axis over [from, to), the first
// starting offset into the period: piece(position, offset into the period, length). Only
// pieces that meet [seenFrom, seenTo) are given; whole periods before it are stepped over.
template <class Piece>
void EachPiece(int64_t from, int64_t to, int64_t size, int64_t offset, int64_t seenFrom, int64_t seenTo, Piece piece) {
  int64_t at = from;
  if (at < to) {
    const int64_t length = std::min(size - offset, to - at);
    if (at + length > seenFrom && at < seenTo) piece(at, offset, length);
    at += length;
  }
  if (seenFrom > at) at += (seenFrom - at) / size * size;
  for (; at < to && at < seenTo; at += size) {
    const int64_t length = std::min(size, to - at);
    if (at + length > seenFrom) piece(at, 0, length);
  }
}

int64_t Wrapped(int64_t value, int64_t size) {
  const int64_t r = value % size;
  return r < 0 ? r + size : r;
}

}  // namespace

void TVaskItemFrame::DrawTiled(TCustomDIBX& target, const TRect& r, const TRect& sr, int offX, int offY, bool flipH,
                               bool flipV, int alpha) {
  const int64_t w = int64_t{sr.Right} - sr.Left, h = int64_t{sr.Bottom} - sr.Top;
  if (w <= 0 || h <= 0 || r.IsEmpty()) return;
  // Pieces wholly outside the target's clip draw nothing: they are not visited. Under a
  // flip the pieces are laid out mirrored, so the part seen is mirrored too.
  const TRect clip = target.GetClipRect();
  const int64_t mirrorX = int64_t{r.Left} + r.Right, mirrorY = int64_t{r.Top} + r.Bottom;
  const int64_t seenLeft = flipH ? mirrorX - clip.Right : clip.Left, seenRight = flipH ? mirrorX - clip.Left : clip.Right;
  const int64_t seenTop = flipV ? mirrorY - clip.Bottom : clip.Top, seenBottom = flipV ? mirrorY - clip.Top : clip.Bottom;
  EachPiece(r.Top, r.Bottom, h, Wrapped(offY, h), seenTop, seenBottom, [&](int64_t y, int64_t oy, int64_t ph) {
    const int64_t top = flipV ? mirrorY - y - ph : y;
    EachPiece(r.Left, r.Right, w, Wrapped(offX, w), seenLeft, seenRight, [&](int64_t x, int64_t ox, int64_t pw) {
      const int64_t left = flipH ? mirrorX - x - pw : x;
      Draw(target, int(left), int(top), Bounds(int32_t(sr.Left + ox), int32_t(sr.Top + oy), int32_t(pw), int32_t(ph)),
           flipH, flipV, alpha);
    });
  });
}

// ---- Items ----

void TVaskItem::Release(TVaskUser user) {
  auto it = std::find(users_.begin(), users_.end(), user);
  if (it != users_.end()) users_.erase(it);
  if (users_.empty() && !released_ && owner_) owner_->Released(*this);
}

TVaskItemFrame& TVaskItem::GetFrame(int index) {
  if (index < 0 || index >= GetFrameCount()) RaiseListIndexError(index);
  return *frames_[size_t(index)];
}

int64_t TVaskItem::Memory() const {
  int64_t bytes = 0;
  for (const auto& f : frames_)
    for (TDIBX* s : {f->Image.get(), f->Mask.get()})
      if (s) bytes += int64_t{s->GetWidth()} * s->GetHeight() * s->BytesPerPixel();
  return bytes;
}

// ---- The collection ----

namespace {

struct Key {
  std::string name;
  bool mask, tile;
};

// "?m" and "?t" anywhere in the key; each takes two characters off the name's end.
Key ParseKey(std::string_view key) {
  Key k{std::string(key), key.find("?m") != std::string_view::npos, key.find("?t") != std::string_view::npos};
  for (bool suffix : {k.mask, k.tile})
    if (suffix) k.name.resize(k.name.size() >= 2 ? k.name.size() - 2 : 0);
  return k;
}

// One decoded frame into an item frame; a new image is made at the depth.
void FillFrame(TVaskItemFrame& out, TVaskFrame& frame, const Key& key, int depth, bool newImage) {
  if (key.tile) {
    // The tile variant's pictures are cut to their visible part, which its rectangle lists
    // and its offset then describe.
    TRect visible = frame.TrimBounds();
    if (visible.IsEmpty()) visible = {0, 0, 1, 1};
    if (visible != frame.Surface.GetBounds()) frame.Surface.Crop(visible);
    out.OffsetX = visible.Left;
    out.OffsetY = visible.Top;
  }
  if (!out.Image) out.Image = std::make_unique<TDIBX>(), newImage = true;
  if (newImage) out.Image->SetSize(1, 1, depth);
  frame.CopyToSurface(*out.Image);
  out.Image->TransparentColor = static_cast<int32_t>(out.Image->ColorToPixel(frame.TransparentColor));
  if (frame.HasMask()) {
    if (!out.Mask) out.Mask = std::make_unique<TDIBX>();
    frame.CopyMaskToSurface(*out.Mask);
  } else if (out.Mask) {
    // A mask its users may hold stays, opaque.
    out.Mask->SetSize(out.Image->GetWidth(), out.Image->GetHeight(), 8);
    out.Mask->Fill(255);
  }
}

}  // namespace

namespace {

// The key as the collection compares names: ignoring case.
std::string LowerKey(std::string_view name, bool mask, bool tile) {
  std::string key;
  if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; })) {
    key.reserve(name.size() + 4);
    for (char c : name) key.push_back(c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
  } else {
    key = AnsiLowerCase(name);
  }
  if (mask) key += "?m";
  if (tile) key += "?t";
  return key;
}

}  // namespace

TVaskItem* TVaskCollection::Find(std::string_view key) const {
  auto it = byKey_.find(LowerKey(key, false, false));
  return it == byKey_.end() ? nullptr : it->second;
}

TVaskItem& TVaskCollection::Acquire(TVaskUser user, std::string_view name, bool mask, bool tile) {
  std::string lower = LowerKey(name, mask, tile);
  auto found = byKey_.find(lower);
  TVaskItem* item = found == byKey_.end() ? nullptr : found->second;
  if (!item) {
    std::string key(name);
    if (mask) key += "?m";
    if (tile) key += "?t";
    item = &items_.AddNamed(key);
    item->owner_ = this;
    try {
      Load(*item);
    } catch (...) {
      items_.Delete(item->GetIndex());
      throw;
    }
    byKey_.emplace(std::move(lower), item);
  }
  if (std::find(item->users_.begin(), item->users_.end(), user) == item->users_.end()) item->users_.push_back(user);
  if (item->released_) {
    released_.erase(std::find(released_.begin(), released_.end(), item));
    item->released_ = false;
  }
  return *item;
}

namespace {

void Decode(TVaskServices& services, TVaskFrameList& list, const Key& key, int depth, bool dither) {
  TMemoryStream bytes;
  services.LoadToStream(bytes, key.name);
  bytes.SetPosition(0);
  list.TargetBitCount = dither ? depth : 0;
  list.LoadFromNamedStream(bytes, key.name, false);
  if (key.mask) list.BuildMasks();
}

}  // namespace

void TVaskCollection::Load(TVaskItem& item) {
  item.frames_.clear();
  item.Width = item.Height = item.TotalDelay = 0;
  const Key key = ParseKey(item.GetName());
  const int depth = services_.BitCount();
  if (!services_.FileAvailable(key.name)) {
    // An invisible placeholder: all pixels the key, and a mask of 0 for the mask variant.
    auto frame = std::make_unique<TVaskItemFrame>();
    frame->Image = std::make_unique<TDIBX>();
    frame->Image->SetSize(8, 8, depth);
    frame->Image->Fill(0);
    frame->Image->TransparentColor = 0;
    if (key.mask) {
      frame->Mask = std::make_unique<TDIBX>();
      frame->Mask->SetSize(8, 8, 8);
      frame->Mask->Fill(0);
    }
    item.TotalDelay = frame->Delay;
    item.frames_.push_back(std::move(frame));
    return;
  }
  TVaskFrameList list;
  Decode(services_, list, key, depth, dither_);
  if (list.Count() == 0) return;
  item.Width = list.GetFrame(0).Surface.GetWidth();
  item.Height = list.GetFrame(0).Surface.GetHeight();
  for (int i = 0; i < list.Count(); ++i) {
    TVaskFrame& frame = list.GetFrame(i);
    auto out = std::make_unique<TVaskItemFrame>();
    out->KeyColor = frame.TransparentColor;
    out->Delay = frame.Delay == 0 ? 1 : frame.Delay;
    FillFrame(*out, frame, key, depth, true);
    item.TotalDelay = static_cast<int32_t>(static_cast<uint32_t>(item.TotalDelay) + static_cast<uint32_t>(out->Delay));
    item.frames_.push_back(std::move(out));
  }
}

void TVaskCollection::Reload(TVaskItem& item, bool recreate) {
  const Key key = ParseKey(item.GetName());
  if (!services_.FileExists(key.name)) return;
  const int depth = services_.BitCount();
  TVaskFrameList list;
  try {
    Decode(services_, list, key, depth, dither_);
  } catch (const Exception&) {
    return;  // a file that no longer decodes leaves the item as it was
  }
  // The item's own surfaces are refilled: their users keep valid references.
  const int n = std::min(item.GetFrameCount(), list.Count());
  for (int i = 0; i < n; ++i) FillFrame(*item.frames_[size_t(i)], list.GetFrame(i), key, depth, recreate);
}

void TVaskCollection::Released(TVaskItem& item) {
  item.released_ = true;
  released_.push_back(&item);
  auto total = [&] {
    int64_t bytes = 0;
    for (TVaskItem* i : released_) bytes += i->Memory();
    return bytes;
  };
  while (released_.size() >= 2 && total() > ReleasedBudget) Free(*released_.front());
}

void TVaskCollection::Free(TVaskItem& item) {
  auto it = std::find(released_.begin(), released_.end(), &item);
  if (it != released_.end()) released_.erase(it);
  byKey_.erase(LowerKey(item.GetName(), false, false));
  items_.Delete(item.GetIndex());
}

void TVaskCollection::RemoveName(std::string_view name) {
  const std::string base(name);
  for (const std::string& key : {base, base + "?m", base + "?t", base + "?m?t"}) {
    TVaskItem* item = Find(key);
    if (item && item->released_) Free(*item);
  }
}

void TVaskCollection::SetDither(bool value) {
  if (value == dither_) return;
  dither_ = value;
  for (int i = 0; i < items_.Count(); ++i) Reload(items_.Item(i), false);
}

void TVaskCollection::ReleaseSurfaces() {
  for (int i = 0; i < items_.Count(); ++i)
    for (auto& frame : items_.Item(i).frames_) frame->Image->ReleaseHandles();
}

void TVaskCollection::RecreateSurfaces(bool recreate) {
  for (int i = 0; i < items_.Count(); ++i) Reload(items_.Item(i), recreate);
}

void TVaskCollection::SaveToStream(TStream& stream) { WriteStreamByte(stream, dither_ ? 1 : 0); }

void TVaskCollection::LoadFromStream(TStream& stream, int version) {
  if (version > 100) dither_ = ReadStreamByte(stream) != 0;
}

}  // namespace orva
