#pragma once
// Media items: every sound, music track and movie a scene plays is one item behind the
// TDMediaItem interface, kept by the manager of its kind (shell/media_managers.h). The
// Windows Media, Ogg/WAV and movie kinds play through the companion library
// (shell/media_library.h); the wave-output kind is decoded by the library and mixed by the
// program's own mixer (shell/wav_out.h).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/stream.h"
#include "platform/orva_media.h"
#include "scene/media_item.h"

namespace orva {

class TMediaManager;
class TOggManager;
class TWavBuffer;

// The stream of a media file: a name beginning with "\" or with ":" as its second character
// is a real file, any other is read through the file manager. "%s:ファイルがありません"
// when it is found nowhere.
std::unique_ptr<TStream> OpenMediaStream(std::string_view fileName);
// The extension is ".ogg", in any case.
bool IsOggFileName(std::string_view fileName);

// The first library sound asks the main window's sound component for its device once;
// a failure is swallowed and the library gets no device.
void RequestDirectSound();

// The entry points of one sound family of the library, and how its items differ.
struct TOrvaSoundFamily {
  void (*TOrvaEntryPoints::*Play)(TOrvaHandle);
  void (*TOrvaEntryPoints::*Pause)(TOrvaHandle);
  TOrvaBool (*TOrvaEntryPoints::*IsPlaying)(TOrvaHandle);
  TOrvaBool (*TOrvaEntryPoints::*IsPaused)(TOrvaHandle);
  TOrvaBool (*TOrvaEntryPoints::*IsEnd)(TOrvaHandle);
  int32_t (*TOrvaEntryPoints::*GetLen)(TOrvaHandle);
  int32_t (*TOrvaEntryPoints::*GetPosition)(TOrvaHandle);
  int32_t (*TOrvaEntryPoints::*GetVol)(TOrvaHandle);
  int32_t (*TOrvaEntryPoints::*GetPan)(TOrvaHandle);
  TOrvaBool (*TOrvaEntryPoints::*GetAutoRepeat)(TOrvaHandle);
  void (*TOrvaEntryPoints::*SetPosition)(TOrvaHandle, int32_t);
  void (*TOrvaEntryPoints::*SetVol)(TOrvaHandle, int32_t);
  void (*TOrvaEntryPoints::*SetPan)(TOrvaHandle, int32_t);
  void (*TOrvaEntryPoints::*SetAutoRepeat)(TOrvaHandle, TOrvaBool);
  bool PositionRearmsEnd;      // a new position makes the end reportable again
  bool PlayingExcludesPaused;  // playing means also not paused
};

// A sound played by the companion library: its calls go to the family's entry points, its
// end is reported once, and while the manager is disabled Play only marks it.
template <typename Base>
class TLibrarySound : public Base {
 public:
  ~TLibrarySound() override = default;
  bool GetAutoRepeat() override;
  void SetAutoRepeat(bool value) override;
  int32_t GetPan() override;
  int32_t GetVol() override;
  void SetPan(int32_t value) override;
  void SetVol(int32_t value) override;
  int32_t GetPosition() override;
  // Negative positions are 0.
  void SetPosition(int32_t ms) override;
  int32_t GetLen() override;
  bool IsEnd() override;
  bool IsPlaying() override;
  bool IsPaused() override;
  void Play() override;
  void Pause() override;
  bool AtEnd() override;

 protected:
  TLibrarySound(TMediaManager& manager, const TOrvaSoundFamily& family) : manager_(manager), family_(family) {}
  TMediaManager& manager_;
  const TOrvaSoundFamily& family_;
  TOrvaHandle handle_ = 0;
  bool endReported_ = false;
};

// Windows Media audio; a new position makes its end reportable again.
class TWmpItem : public TLibrarySound<TDMediaItem> {
 public:
  // Reads the whole file into memory for the library, which keeps its own copy.
  TWmpItem(TMediaManager& manager, std::string_view fileName);
  ~TWmpItem() override;
  TWmpItem(const TWmpItem&) = delete;
  TWmpItem& operator=(const TWmpItem&) = delete;
};

// An Ogg or WAV sound: the base of the two ways of playing one.
class TCustomOggItem : public TDMediaItem {
 protected:
  TCustomOggItem() = default;
};

// Played and mixed by the companion library; its end report survives a new position.
class TOggItem : public TLibrarySound<TCustomOggItem> {
 public:
  TOggItem(TMediaManager& manager, std::string_view fileName);
  ~TOggItem() override;
  TOggItem(const TOggItem&) = delete;
  TOggItem& operator=(const TOggItem&) = delete;

 private:
  std::unique_ptr<TStream> stream_;
};

// Decoded PCM of an Ogg or WAV stream, read through the library's decoder. Its format is
// what the program's own mixer takes.
class TOggStream : public TStream {
 public:
  // "サウンドデータが不正です" when the decoder rejects the data.
  TOggStream(TStream* source, bool isOgg);
  ~TOggStream() override;
  TOggStream(const TOggStream&) = delete;
  TOggStream& operator=(const TOggStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  // Clamped to 0 .. the size.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t GetSize() override;

  TOrvaHandle Handle() const { return handle_; }
  const TWaveFormatEx& Format() const { return format_; }

 private:
  TOrvaHandle handle_ = 0;
  TWaveFormatEx format_;
};

// Decoded by the library, mixed by the program's own mixer.
class TOggWaveItem : public TCustomOggItem {
 public:
  TOggWaveItem(TOggManager& manager, std::string_view fileName);
  ~TOggWaveItem() override;
  TOggWaveItem(const TOggWaveItem&) = delete;
  TOggWaveItem& operator=(const TOggWaveItem&) = delete;

  bool GetAutoRepeat() override;
  void SetAutoRepeat(bool value) override;
  int32_t GetVol() override { return volume_; }
  // (max(v, -5000) + 5000) × 256 div 5000: -5000 and below silent, 0 full.
  void SetVol(int32_t value) override;
  int32_t GetPosition() override;
  // Lands on a whole frame within the sound.
  void SetPosition(int32_t ms) override;
  int32_t GetLen() override;
  // A looping sound that reached its end starts again here.
  bool IsEnd() override;
  bool IsPlaying() override;
  bool IsPaused() override { return paused_; }
  void Play() override;
  void Pause() override;
  bool AtEnd() override;

  TWavBuffer* Source() const { return source_; }

 private:
  TOggManager& manager_;
  std::unique_ptr<TStream> stream_;
  std::unique_ptr<TOggStream> decoder_;
  TWavBuffer* source_ = nullptr;
  bool paused_ = false;
  int32_t volume_ = 0;
};

// A movie played by the companion library.
class TLibraryVideoItem : public TVideoItem {
 public:
  // `surface`: drawn through its frame pictures (the negation of the movie's OVERLAY).
  TLibraryVideoItem(TMediaManager& manager, std::string_view fileName, bool surface);
  ~TLibraryVideoItem() override;
  TLibraryVideoItem(const TLibraryVideoItem&) = delete;
  TLibraryVideoItem& operator=(const TLibraryVideoItem&) = delete;

  bool GetAutoRepeat() override;
  void SetAutoRepeat(bool value) override;
  int32_t GetPan() override;
  int32_t GetVol() override;
  void SetPan(int32_t value) override;
  void SetVol(int32_t value) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t ms) override;
  int32_t GetLen() override;
  bool IsEnd() override;
  bool IsPlaying() override;
  bool IsPaused() override;
  void Play() override;
  void Pause() override;

  bool NeedPaint() override;
  // The current frame picture (32-bit); the movie object copies it while NeedPaint is true.
  const TVideoFrame* GetDC() override;
  int32_t GetSourceWidth() override;
  int32_t GetSourceHeight() override;
  // An overlay movie's window and source rectangles, kept for the presentation too.
  void SetRect(const TRect& window, const TRect& source) override;
  bool GetVisible() override;
  void SetVisible(bool value) override;

  // The name handed to the library.
  const std::string& LibraryFileName() const { return libraryName_; }
  // Drawn into a picture rather than shown as an overlay.
  bool Surface() const { return surface_; }
  const TRect& WindowRect() const { return window_; }
  const TRect& SourceRect() const { return source_; }

 private:
  TOrvaHandle handle_ = 0;
  std::unique_ptr<TStream> stream_;
  std::string libraryName_;
  bool surface_;
  TRect window_{}, source_{};
};

}  // namespace orva
