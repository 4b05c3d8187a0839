#include "shell/media_items.h"

#include <algorithm>
#include <cmath>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/archive.h"
#include "core/file_manager.h"
#include "core/game_path.h"
#include "core/paths.h"
#include "core/range_stream.h"
#include "shell/dx_sound.h"
#include "shell/media_library.h"
#include "shell/media_managers.h"
#include "shell/media_system.h"
#include "shell/wav_out.h"

namespace orva {

namespace {

[[noreturn]] void RaiseMissing(std::string_view fileName) {
  throw Exception(std::string(fileName) + Sjis(":ファイルがありません"));
}

bool IsRealFileName(std::string_view name) { return (!name.empty() && name[0] == '\\') || (name.size() > 1 && name[1] == ':'); }

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

std::unique_ptr<TStream> OpenRealFile(std::string_view gamePath) {
  if (!GameFileExists(gamePath)) RaiseMissing(gamePath);
  return std::make_unique<TFileRangeStream>(gamePath, 0, 0);
}

}  // namespace

std::unique_ptr<TStream> OpenMediaStream(std::string_view fileName) {
  if (IsRealFileName(fileName)) return OpenRealFile(fileName);
  if (!FileManager) RaiseMissing(fileName);
  // A file held in memory has no range to open, and the range of one stored compressed holds
  // no sound: either is read whole.
  if (const TVrFile* entry = FileManager->FindEntry(fileName); entry && (entry->Data || !entry->Raw)) {
    auto copy = std::make_unique<TMemoryStream>();
    FileManager->LoadToStream(*copy, fileName);
    return copy;
  }
  return FileManager->OpenRangeStream(fileName);
}

bool IsOggFileName(std::string_view fileName) { return LowerAscii(ExtractFileExt(fileName)) == ".ogg"; }

void RequestDirectSound() {
  if (DirectSoundRequested) return;
  DirectSoundRequested = true;
  if (!MainDXSound) return;
  try {
    MainDXSound->Initialize();
  } catch (const Exception&) {
  }
  if (MainDXSound->DSound() && MainDXSound->DSound()->IDirectSound())
    DirectSoundObject = MainDXSound->DSound()->IDirectSound();
}

// ---- the library's sound families ----

namespace {
using E = TOrvaEntryPoints;
const TOrvaSoundFamily kWmpFamily{&E::orvaWmpPlay,        &E::orvaWmpPause,         &E::orvaWmpIsPlaying,
                                  &E::orvaWmpIsPaused,    &E::orvaWmpIsEnd,         &E::orvaWmpGetLen,
                                  &E::orvaWmpGetPosition, &E::orvaWmpGetVol,        &E::orvaWmpGetPan,
                                  &E::orvaWmpGetAutoRepeat, &E::orvaWmpSetPosition, &E::orvaWmpSetVol,
                                  &E::orvaWmpSetPan,      &E::orvaWmpSetAutoRepeat, true,
                                  false};
const TOrvaSoundFamily kOggFamily{&E::orvaOggPlay,        &E::orvaOggPause,         &E::orvaOggIsPlaying,
                                  &E::orvaOggIsPaused,    &E::orvaOggIsEnd,         &E::orvaOggGetLen,
                                  &E::orvaOggGetPosition, &E::orvaOggGetVol,        &E::orvaOggGetPan,
                                  &E::orvaOggGetAutoRepeat, &E::orvaOggSetPosition, &E::orvaOggSetVol,
                                  &E::orvaOggSetPan,      &E::orvaOggSetAutoRepeat, false,
                                  true};
}  // namespace

template <typename Base>
bool TLibrarySound<Base>::GetAutoRepeat() { return FromOrvaBool((OrvaLib().*family_.GetAutoRepeat)(handle_)); }
template <typename Base>
void TLibrarySound<Base>::SetAutoRepeat(bool value) { (OrvaLib().*family_.SetAutoRepeat)(handle_, OrvaBool(value)); }
template <typename Base>
int32_t TLibrarySound<Base>::GetPan() { return (OrvaLib().*family_.GetPan)(handle_); }
template <typename Base>
int32_t TLibrarySound<Base>::GetVol() { return (OrvaLib().*family_.GetVol)(handle_); }
template <typename Base>
void TLibrarySound<Base>::SetPan(int32_t value) { (OrvaLib().*family_.SetPan)(handle_, value); }
template <typename Base>
void TLibrarySound<Base>::SetVol(int32_t value) { (OrvaLib().*family_.SetVol)(handle_, value); }
template <typename Base>
int32_t TLibrarySound<Base>::GetPosition() { return (OrvaLib().*family_.GetPosition)(handle_); }
template <typename Base>
int32_t TLibrarySound<Base>::GetLen() { return (OrvaLib().*family_.GetLen)(handle_); }
template <typename Base>
bool TLibrarySound<Base>::IsPaused() { return FromOrvaBool((OrvaLib().*family_.IsPaused)(handle_)); }
template <typename Base>
void TLibrarySound<Base>::Pause() { (OrvaLib().*family_.Pause)(handle_); }
template <typename Base>
bool TLibrarySound<Base>::AtEnd() { return FromOrvaBool((OrvaLib().*family_.IsEnd)(handle_)); }

template <typename Base>
bool TLibrarySound<Base>::IsPlaying() {
  return FromOrvaBool((OrvaLib().*family_.IsPlaying)(handle_)) && !(family_.PlayingExcludesPaused && IsPaused());
}

template <typename Base>
void TLibrarySound<Base>::SetPosition(int32_t ms) {
  (OrvaLib().*family_.SetPosition)(handle_, std::max(ms, 0));
  if (family_.PositionRearmsEnd) endReported_ = false;
}

template <typename Base>
bool TLibrarySound<Base>::IsEnd() {
  if (endReported_ || !AtEnd()) return false;
  endReported_ = true;
  return true;
}

template <typename Base>
void TLibrarySound<Base>::Play() {
  if (!manager_.Enabled) {
    this->PauseMark = true;
    return;
  }
  (OrvaLib().*family_.Play)(handle_);
}

template class TLibrarySound<TDMediaItem>;
template class TLibrarySound<TCustomOggItem>;

// ---- TWmpItem ----

TWmpItem::TWmpItem(TMediaManager& manager, std::string_view fileName) : TLibrarySound(manager, kWmpFamily) {
  RequestDirectSound();
  if (!FileManager) RaiseMissing(fileName);
  TMemoryStream data;
  FileManager->LoadToStream(data, fileName);
  handle_ = OrvaLib().orvaWmpmanAdd(data.Memory(), static_cast<int32_t>(std::min<int64_t>(data.GetSize(), INT32_MAX)));
}

TWmpItem::~TWmpItem() { OrvaLib().orvaWmpmanDel(handle_); }

// ---- TOggItem ----

TOggItem::TOggItem(TMediaManager& manager, std::string_view fileName) : TLibrarySound(manager, kOggFamily) {
  RequestDirectSound();
  stream_ = OpenMediaStream(fileName);
  handle_ = OrvaLib().orvaOggmanAdd(stream_.get(), OrvaBool(IsOggFileName(fileName)));
}

TOggItem::~TOggItem() {
  OrvaLib().orvaOggmanDel(handle_);
  stream_.reset();
}

// ---- TOggStream ----

TOggStream::TOggStream(TStream* source, bool isOgg) {
  handle_ = OrvaLib().orvaOggStrmanAdd(source, OrvaBool(isOgg));
  if (!FromOrvaBool(OrvaLib().orvaOggStrGetFormat(handle_, &format_))) {
    OrvaLib().orvaOggStrmanDel(handle_);
    throw Exception(Sjis("サウンドデータが不正です"));
  }
}

TOggStream::~TOggStream() { OrvaLib().orvaOggStrmanDel(handle_); }

int64_t TOggStream::Read(void* buffer, int64_t count) {
  if (count < 1) return 0;
  return OrvaLib().orvaOggStrRead(handle_, buffer, static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX)));
}

int64_t TOggStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t size = GetSize();
  const int64_t position = origin == TSeekOrigin::soCurrent ? OrvaLib().orvaOggStrGetPos(handle_) : 0;
  const int64_t target = std::clamp<int64_t>(SeekTarget(offset, origin, position, size), 0, size);
  OrvaLib().orvaOggStrSetPos(handle_, static_cast<int32_t>(target));
  return target;
}

int64_t TOggStream::GetSize() { return OrvaLib().orvaOggStrGetSize(handle_); }

// ---- TOggWaveItem ----

TOggWaveItem::TOggWaveItem(TOggManager& manager, std::string_view fileName) : manager_(manager) {
  stream_ = OpenMediaStream(fileName);
  decoder_ = std::make_unique<TOggStream>(stream_.get(), IsOggFileName(fileName));
  source_ = manager_.WavOut().AddSource(decoder_->Format(), decoder_.get());
}

TOggWaveItem::~TOggWaveItem() {
  if (source_) manager_.WavOut().RemoveSource(source_);
  decoder_.reset();
  stream_.reset();
}

bool TOggWaveItem::GetAutoRepeat() { return source_ && source_->GetLoop(); }

void TOggWaveItem::SetAutoRepeat(bool value) {
  if (source_) source_->SetLoop(value);
}

void TOggWaveItem::SetVol(int32_t value) {
  volume_ = value;
  if (source_) source_->SetVolume((std::max(value, -5000) + 5000) * 256 / 5000);
}

int32_t TOggWaveItem::GetPosition() {
  if (!source_) return 0;
  const TWaveFormatEx& f = decoder_->Format();
  const int64_t byteRate = int64_t{f.wBitsPerSample} * f.nChannels * f.nSamplesPerSec / 8;
  if (byteRate <= 0) return 0;
  return static_cast<int32_t>(std::nearbyint(static_cast<double>(source_->GetPosition()) * 1000.0 / static_cast<double>(byteRate)));
}

void TOggWaveItem::SetPosition(int32_t ms) {
  if (!source_) return;
  // Computed in 64 bits and put on a frame's start, so that a position never splits a
  // frame and swaps the channels.
  const TWaveFormatEx& f = decoder_->Format();
  const double exact = static_cast<double>(ms) * f.wBitsPerSample * f.nChannels * f.nSamplesPerSec / 8000.0;
  int64_t bytes = static_cast<int64_t>(std::nearbyint(exact));
  const int64_t align = std::max<int64_t>(f.nBlockAlign, 1);
  bytes = bytes / align * align;
  source_->SetPosition(static_cast<int32_t>(std::clamp<int64_t>(bytes, 0, decoder_->GetSize())));
}

int32_t TOggWaveItem::GetLen() { return OrvaLib().orvaOggStrGetLen(decoder_->Handle()); }

bool TOggWaveItem::IsEnd() {
  if (!source_) return true;
  if (source_->GetLoop() && source_->IsEnd()) {
    source_->Play();
    return false;
  }
  return source_->IsEnd();
}

bool TOggWaveItem::AtEnd() { return !source_ || (!source_->GetLoop() && source_->IsEnd()); }

bool TOggWaveItem::IsPlaying() { return source_ && source_->Playing() && !source_->Stopped() && !source_->IsEnd(); }

void TOggWaveItem::Play() {
  // Like the library's kinds, it waits for the manager to be enabled again.
  if (!manager_.Enabled) {
    PauseMark = true;
    return;
  }
  if (!source_) return;
  source_->Play();
  paused_ = false;
}

void TOggWaveItem::Pause() {
  if (!source_) return;
  source_->Stop();
  paused_ = true;
}

// ---- TLibraryVideoItem ----

TLibraryVideoItem::TLibraryVideoItem(TMediaManager&, std::string_view fileName, bool surface) : surface_(surface) {
  if (IsRealFileName(fileName)) {
    stream_ = OpenRealFile(fileName);
    libraryName_ = std::string(fileName);
  } else if (std::string(".wmv.asf.").find(LowerAscii(ExtractFileExt(fileName)) + ".") != std::string::npos &&
             !ExtractFileExt(fileName).empty()) {
    // Windows Media video is played from a real file.
    if (!FileManager || !FileManager->FileExists(fileName)) RaiseMissing(fileName);
    libraryName_ = GamePath(FileManager->GetRealFileName(fileName));
    stream_ = OpenRealFile(libraryName_);
  } else {
    stream_ = OpenMediaStream(fileName);
    libraryName_ = FileManager->Directory() + std::string(fileName);
  }
  handle_ = OrvaLib().orvaVidmanAdd(libraryName_.c_str(), stream_.get(), OrvaBool(surface));
}

TLibraryVideoItem::~TLibraryVideoItem() {
  OrvaLib().orvaVidmanDel(handle_);
  stream_.reset();
}

bool TLibraryVideoItem::GetAutoRepeat() { return FromOrvaBool(OrvaLib().orvaVideoGetAutoRepeat(handle_)); }
void TLibraryVideoItem::SetAutoRepeat(bool value) { OrvaLib().orvaVideoSetAutoRepeat(handle_, OrvaBool(value)); }
int32_t TLibraryVideoItem::GetPan() { return OrvaLib().orvaVideoGetPan(handle_); }
int32_t TLibraryVideoItem::GetVol() { return OrvaLib().orvaVideoGetVol(handle_); }
void TLibraryVideoItem::SetPan(int32_t value) { OrvaLib().orvaVideoSetPan(handle_, value); }
void TLibraryVideoItem::SetVol(int32_t value) { OrvaLib().orvaVideoSetVol(handle_, value); }
int32_t TLibraryVideoItem::GetPosition() { return OrvaLib().orvaVideoGetPosition(handle_); }
void TLibraryVideoItem::SetPosition(int32_t ms) { OrvaLib().orvaVideoSetPosition(handle_, ms); }
int32_t TLibraryVideoItem::GetLen() { return OrvaLib().orvaVideoGetLen(handle_); }
bool TLibraryVideoItem::IsEnd() { return FromOrvaBool(OrvaLib().orvaVideoIsEnd(handle_)); }
bool TLibraryVideoItem::IsPlaying() { return FromOrvaBool(OrvaLib().orvaVideoIsPlaying(handle_)); }
bool TLibraryVideoItem::IsPaused() { return FromOrvaBool(OrvaLib().orvaVideoIsPaused(handle_)); }
void TLibraryVideoItem::Play() { OrvaLib().orvaVideoPlay(handle_); }
void TLibraryVideoItem::Pause() { OrvaLib().orvaVideoPause(handle_); }
bool TLibraryVideoItem::NeedPaint() { return FromOrvaBool(OrvaLib().orvaVideoNeedPaint(handle_)); }
const TVideoFrame* TLibraryVideoItem::GetDC() { return OrvaLib().orvaVideoGetDC(handle_); }
int32_t TLibraryVideoItem::GetSourceWidth() { return OrvaLib().orvaVideoGetSourceWidth(handle_); }
int32_t TLibraryVideoItem::GetSourceHeight() { return OrvaLib().orvaVideoGetSourceHeight(handle_); }
void TLibraryVideoItem::SetRect(const TRect& window, const TRect& source) {
  window_ = window;
  source_ = source;
  const TOrvaRect first{window.Left, window.Top, window.Right, window.Bottom};
  const TOrvaRect second{source.Left, source.Top, source.Right, source.Bottom};
  OrvaLib().orvaVideoSetRect(handle_, &first, &second);
}
bool TLibraryVideoItem::GetVisible() { return FromOrvaBool(OrvaLib().orvaVideoGetVisible(handle_)); }
void TLibraryVideoItem::SetVisible(bool value) { OrvaLib().orvaVideoSetVisible(handle_, OrvaBool(value)); }

}  // namespace orva
