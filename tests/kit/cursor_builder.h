#pragma once
// Byte-exact cursor files: ".cur" icon directories with DIB or PNG pictures and ".ani"
// animated cursors, as the systems that made the games' cursors write them.
//
//   CursorPicture arrow(32, 32, 8);
//   arrow.Pixel(3, 4, 1).Mask(0, 0, true);
//   files.Add("hand.cur", CursorFile().Add(arrow, 5, 2).Bytes());

#include <cstdint>
#include <string>
#include <vector>

namespace orva::kit {

// One DIB picture with its AND mask: colour table indexes at 1, 4 and 8 bits, 0x00RRGGBB
// at 24 bits and 0xAARRGGBB at 32.
class CursorPicture {
 public:
  CursorPicture(int width, int height, int bits);
  CursorPicture& Pixel(int x, int y, uint32_t value);
  // A set mask bit lets the screen show through.
  CursorPicture& Mask(int x, int y, bool through);
  CursorPicture& Colour(int index, uint32_t rgb);
  // The stored colour-table size (0: all 2^bits entries).
  CursorPicture& ColoursUsed(uint32_t count);
  // The picture's bytes: the info header, the table, the colours and the mask.
  std::string Bytes() const;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Bits() const { return bits_; }

 private:
  int width_, height_, bits_;
  uint32_t coloursUsed_ = 0;
  std::vector<uint32_t> pixels_, table_;
  std::vector<bool> mask_;
};

// A PNG picture of 0xAARRGGBB pixels, top row first.
std::string PngPicture(int width, int height, const std::vector<uint32_t>& argb);

class CursorFile {
 public:
  // type 2: cursor (the entries carry hot spots), 1: icon.
  explicit CursorFile(int type = 2) : type_(type) {}
  CursorFile& Add(const CursorPicture& picture, int hotX = 0, int hotY = 0);
  // Any picture bytes (PNG, damaged data) with the size the entry states.
  CursorFile& AddRaw(const std::string& bytes, int width, int height, int hotX = 0, int hotY = 0);
  std::string Bytes() const;

 private:
  struct Entry {
    std::string bytes;
    int width, height, hotX, hotY;
  };
  int type_;
  std::vector<Entry> entries_;
};

// An animated cursor: its frames (cursor files), the default rate in 1/60 s, and optional
// per-step rates and a sequence of frame indexes.
class AnimatedCursor {
 public:
  AnimatedCursor& Frame(const std::string& cursorFile);
  AnimatedCursor& DefaultRate(uint32_t jiffies);
  AnimatedCursor& Rates(const std::vector<uint32_t>& jiffies);
  AnimatedCursor& Sequence(const std::vector<uint32_t>& frames);
  // The counts the header states (default: the frames given, and the steps of the sequence
  // or rates, else the frames).
  AnimatedCursor& Counts(uint32_t frames, uint32_t steps);
  std::string Bytes() const;

 private:
  std::vector<std::string> frames_;
  uint32_t rate_ = 10;
  std::vector<uint32_t> rates_, sequence_;
  int64_t frameCount_ = -1, stepCount_ = -1;
};

}  // namespace orva::kit
