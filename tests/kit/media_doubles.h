#pragma once
// Stand-ins for the media managers as the scene sees them: items that play on command (they
// reach their end when the test says so, and report it once for good, once per start, or at
// every query), movies with a frame picture of one colour, and a media service that makes
// them by kind, refuses missing files with the managers' message, and logs what the items
// are told.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "scene/media_item.h"
#include "scene/scene_services.h"
#include "script/project_link.h"

namespace orva::kit {

class FakeMediaItem : public TVideoItem {
 public:
  // How IsEnd reports an end: once ever (a new position does not make it reportable again),
  // once per start (a new position does), or at every query while at the end.
  enum class TEndReport { Latched, Rearmed, Every };

  FakeMediaItem(std::string name, TMediaKind kind, std::vector<std::string>* log)
      : Name(std::move(name)), Kind(kind), log_(log) {}

  bool GetAutoRepeat() override { return Loop; }
  void SetAutoRepeat(bool value) override { Loop = value; }
  int32_t GetPan() override { return Pan; }
  void SetPan(int32_t value) override {
    Pan = value;
    Note("pan " + std::to_string(value));
  }
  int32_t GetVol() override { return Volume; }
  void SetVol(int32_t value) override {
    Volume = value;
    Volumes.push_back(value);
    Note("volume " + std::to_string(value));
  }
  int32_t GetPosition() override { return Position; }
  void SetPosition(int32_t ms) override {
    Position = ms;
    AtEndFlag = false;
    if (EndReport == TEndReport::Rearmed) endTaken_ = false;
    Note("position " + std::to_string(ms));
  }
  int32_t GetLen() override { return Length; }
  bool IsEnd() override {
    if (!AtEndFlag) return false;
    if (EndReport == TEndReport::Every) return true;
    if (endTaken_) return false;
    endTaken_ = true;
    return true;
  }
  bool AtEnd() override { return AtEndFlag; }
  bool IsPlaying() override { return Playing && !Paused && !AtEndFlag; }
  bool IsPaused() override { return Paused; }
  void Play() override {
    if (AtEndFlag) {
      AtEndFlag = false;
      Position = 0;
      if (EndReport == TEndReport::Rearmed) endTaken_ = false;
    }
    Playing = true;
    Paused = false;
    Note("play");
  }
  void Pause() override {
    if (Playing) Paused = true;
    Note("pause");
  }
  bool IsMidi() override { return Kind == TMediaKind::Midi; }

  bool NeedPaint() override { return std::exchange(FrameDue, false); }
  const TVideoFrame* GetDC() override {
    if (Pixels.empty()) return nullptr;
    frame_ = {Width, Height, Width * 4, Pixels.data()};
    return &frame_;
  }
  int32_t GetSourceWidth() override { return Width; }
  int32_t GetSourceHeight() override { return Height; }
  void SetRect(const TRect& window, const TRect& source) override {
    Window = window;
    Source = source;
  }
  bool GetVisible() override { return Visible; }
  void SetVisible(bool value) override { Visible = value; }

  // The item reaches its end: it stops, at its length.
  void Finish() {
    AtEndFlag = true;
    Position = Length;
  }
  // A movie frame of one colour, due to be drawn.
  void ShowFrame(uint32_t colour) {
    Pixels.assign(static_cast<size_t>(std::max(Width, 0)) * static_cast<size_t>(std::max(Height, 0)), colour);
    FrameDue = true;
  }

  const std::string Name;
  const TMediaKind Kind;
  bool Surface = false;  // a movie drawn into a picture
  int32_t Length = 10000;
  int32_t Position = 0;
  int32_t Volume = 0;
  int32_t Pan = 0;
  bool Loop = false;
  bool Playing = false;
  bool Paused = false;
  bool AtEndFlag = false;
  TEndReport EndReport = TEndReport::Latched;
  std::vector<int32_t> Volumes;
  int32_t Width = 0, Height = 0;
  std::vector<uint32_t> Pixels;
  bool FrameDue = false;
  TRect Window{}, Source{};
  bool Visible = false;

 private:
  void Note(const std::string& what) {
    if (log_) log_->push_back(Name + ": " + what);
  }
  std::vector<std::string>* log_;
  bool endTaken_ = false;
  TVideoFrame frame_;
};

class FakeMediaManagers : public TSceneMedia {
 public:
  void SetAudioEnabled(bool flag) override { Calls.push_back(flag); }

  TDMediaItem* AddItem(TMediaKind kind, std::string_view name) override {
    if (Missing.contains(kind)) return nullptr;
    Refuse(name);
    return Adopt(std::make_unique<FakeMediaItem>(std::string(name), kind, &Log));
  }
  TVideoItem* AddVideo(std::string_view name, bool surface) override {
    if (NoVideo) return nullptr;
    Refuse(name);
    auto item = std::make_unique<FakeMediaItem>(std::string(name), TMediaKind::WindowsMedia, &Log);
    item->Surface = surface;
    item->Width = MovieWidth;
    item->Height = MovieHeight;
    item->Length = MovieLength;
    return Adopt(std::move(item));
  }
  void RemoveItem(TDMediaItem* item) override {
    auto it = std::find_if(Items.begin(), Items.end(), [&](const auto& p) { return p.get() == item; });
    if (it == Items.end()) return;
    Log.push_back((*it)->Name + ": removed");
    Items.erase(it);
  }

  // The newest live item of that name, or none.
  FakeMediaItem* Find(std::string_view name) {
    for (auto it = Items.rbegin(); it != Items.rend(); ++it)
      if ((*it)->Name == name) return it->get();
    return nullptr;
  }
  int Made() const { return made_; }

  std::vector<bool> Calls;
  std::vector<std::unique_ptr<FakeMediaItem>> Items;
  std::vector<std::string> Log;
  // Kinds whose manager does not exist.
  std::set<TMediaKind> Missing;
  bool NoVideo = false;
  // Names the managers refuse as missing files, and as bad data.
  std::set<std::string, std::less<>> MissingFiles, BadFiles;
  int32_t MovieWidth = 64, MovieHeight = 48, MovieLength = 3000;

 private:
  void Refuse(std::string_view name) {
    if (MissingFiles.contains(name)) throw Exception(std::string(name) + Sjis(":ファイルがありません"));
    if (BadFiles.contains(name)) throw Exception(Sjis("サウンドデータが不正です"));
  }
  FakeMediaItem* Adopt(std::unique_ptr<FakeMediaItem> item) {
    ++made_;
    Items.push_back(std::move(item));
    return Items.back().get();
  }
  int made_ = 0;
};

// A game in which every file is available but the names listed; installed as the scene's
// project while it lives.
class AvailableFiles : public TProjectLink {
 public:
  AvailableFiles() { SetSceneProject(this); }
  ~AvailableFiles() override { SetSceneProject(nullptr); }
  AvailableFiles(const AvailableFiles&) = delete;
  AvailableFiles& operator=(const AvailableFiles&) = delete;
  bool FileAvailable(std::string_view name) override { return !Unavailable.contains(name); }
  void RequestSave(int32_t, std::string_view, int32_t, std::string_view) override {}
  void RequestLoad(int32_t) override {}
  std::set<std::string, std::less<>> Unavailable;
};

}  // namespace orva::kit
