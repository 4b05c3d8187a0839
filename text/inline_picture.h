#pragma once
// Where inline pictures of text get their frames: the decoded-image cache lends the frames
// of a layered image to a user. The shell installs the source over the cache; while none is
// installed text has no pictures (they lay out as 0 × 0).

#include <cstdint>
#include <memory>
#include <string>

namespace orva {

class TCustomDIBX;

struct TInlineFrame {
  TCustomDIBX* Surface = nullptr;  // its TransparentColor is the frame's key (−1: none)
  TCustomDIBX* Mask = nullptr;     // 8-bit, or none
  int32_t Delay = 0;               // display time in ms
};

// The frames of one picture, held for one user until destroyed.
class TInlinePicture {
 public:
  virtual ~TInlinePicture() = default;
  virtual int Count() = 0;
  // Frame 0 .. Count() − 1.
  virtual TInlineFrame Frame(int index) = 0;
  // Around a change of display mode.
  virtual void ReleaseSurfaces() {}
  virtual void RecreateSurfaces() {}
};

class TInlinePictureSource {
 public:
  virtual ~TInlinePictureSource() = default;
  // The frames of the file the archive file manager finds by this name, for the user;
  // nullptr when it does not find it.
  virtual std::unique_ptr<TInlinePicture> Load(const std::string& name, const void* user) = 0;
};

// Installs the source (not owned); returns the previous one.
TInlinePictureSource* SetInlinePictureSource(TInlinePictureSource* source);
TInlinePictureSource* GetInlinePictureSource();

}  // namespace orva
