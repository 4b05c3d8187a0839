#pragma once
// Inline pictures for text tests: named files of frames of one colour, handed out through
// the picture-source seam; the doubles count loads and say which users hold pictures.
//
//   kit::FakePictures pictures;
//   pictures.Add("star.vsk", {{16, 8, 100}, {16, 8, 50}});
//   SetInlinePictureSource(&pictures);

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "graphics/dibx.h"
#include "text/inline_picture.h"

namespace orva::kit {

struct FakeFrame {
  int width = 1, height = 1;
  int32_t delay = 0;
  uint32_t pixel = 0x7FFF;   // raw value at the picture's depth
  int bits = 32;
  int32_t transparent = -1;  // raw key, −1 none
};

class FakePictures : public TInlinePictureSource {
 public:
  void Add(const std::string& name, std::vector<FakeFrame> frames) { files_[name] = std::move(frames); }

  std::unique_ptr<TInlinePicture> Load(const std::string& name, const void* user) override {
    ++loads;
    auto it = files_.find(name);
    if (it == files_.end()) return nullptr;
    return std::make_unique<Picture>(it->second, *this, user);
  }

  int loads = 0;
  std::multiset<const void*> users;  // users holding a picture now
  int released = 0, recreated = 0;

 private:
  class Picture : public TInlinePicture {
   public:
    Picture(const std::vector<FakeFrame>& frames, FakePictures& owner, const void* user) : owner_(owner), user_(user) {
      for (const FakeFrame& f : frames) {
        auto s = std::make_unique<TDIBX>();
        s->SetSize(f.width, f.height, f.bits);
        s->FillRect(s->GetBoundsRect(), f.pixel);
        s->TransparentColor = f.transparent;
        surfaces_.push_back(std::move(s));
        delays_.push_back(f.delay);
      }
      owner_.users.insert(user_);
    }
    ~Picture() override { owner_.users.erase(owner_.users.find(user_)); }
    int Count() override { return static_cast<int>(surfaces_.size()); }
    TInlineFrame Frame(int index) override {
      return {surfaces_[size_t(index)].get(), nullptr, delays_[size_t(index)]};
    }
    void ReleaseSurfaces() override { ++owner_.released; }
    void RecreateSurfaces() override { ++owner_.recreated; }

   private:
    FakePictures& owner_;
    const void* user_;
    std::vector<std::unique_ptr<TDIBX>> surfaces_;
    std::vector<int32_t> delays_;
  };

  std::map<std::string, std::vector<FakeFrame>> files_;
};

}  // namespace orva::kit
