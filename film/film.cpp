#include "film/film.h"

#include <algorithm>
#include <numeric>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/file_manager.h"
#include "core/number_text.h"
#include "core/paths.h"
#include "core/stream.h"
#include "core/vocabulary.h"
#include "film/effect_tracks.h"
#include "film/picture_tracks.h"
#include "film/rect_tracks.h"
#include "film/sound_track.h"
#include "film/wipe_track.h"
#include "scene/base_list.h"
#include "scene/geometry.h"

namespace orva {

namespace {

constexpr std::string_view kMotionTag = "OrvaMotion";
constexpr size_t kTagBytes = 13;
// A track record takes at least its type byte and the common record.
constexpr int64_t kMinTrackBytes = 28;

}  // namespace

TFilm::TFilm() { SetEnabled(true); }

TFilm::~TFilm() { Clear(); }

void TFilm::Clear() {
  CurrentWipeTrack = nullptr;
  wipes_.clear();
  // A track's destruction may still read the film (its page, its host): one at a time.
  while (!tracks_.empty()) tracks_.pop_back();
  LoopStart = 0;
  Origin = {};
  RelativePosition = false;
  Length = 0;
}

void TFilm::LoadFromFile(std::string_view name) {
  if (!FileManager) throw Exception(std::string(name) + Sjis(":ファイルがありません"));
  TMemoryStream stream;
  FileManager->LoadToStream(stream, name);
  LoadFromStream(stream, name);
}

std::vector<std::string> TFilm::ImageTrackFiles() {
  std::vector<std::string> names;
  for (const auto& track : tracks_)
    if (track->GetTrackType() == ttImage) names.push_back(track->GetFileName());
  return names;
}

void TFilm::LoadFromStream(TStream& stream, std::string_view name) {
  try {
    Parse(stream, name);
  } catch (...) {
    Clear();
    throw;
  }
}

void TFilm::Parse(TStream& stream, std::string_view name) {
  Clear();
  const std::string baseDir = ExtractFilePath(name);
  char tag[kTagBytes] = {};
  const int64_t got = stream.Read(tag, kTagBytes);
  const std::string_view head(tag, std::min<size_t>(static_cast<size_t>(std::max<int64_t>(got, 0)), 10));
  if (head != FilmTag && head != kMotionTag) return;
  const std::string digits(tag + 10, 3);
  int32_t version = 0;
  if (!TryTextToInt(digits, version)) throw EConvertError("'" + digits + "' is not a valid integer value");

  TFilmReader reader(stream);
  Width = reader.Int();
  Height = reader.Int();
  Color = reader.Int();
  if (version >= 102) RelativePosition = reader.Bool();
  if (version >= 104) Origin = reader.Point();
  if (version >= 106) {
    LoopStart = reader.Int();
    if (version < 107) LoopStart = WrapAdd(LoopStart, LoopStart);
  }
  const int32_t count = ReadStreamCount(stream, kMinTrackBytes);
  tracks_.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t type = reader.Byte();
    std::unique_ptr<TCustomFrameList> track = CreateTrack(type);
    if (!track) throw EReadError("film: no track of type " + std::to_string(type & 127));
    track->Load(reader, baseDir, version);
    tracks_.push_back(std::move(track));
  }
  LinkParents();
  for (const auto& track : tracks_) track->AfterLoad();
  ComputeStarts();
  for (const auto& track : tracks_) {
    Length = std::max(Length, WrapAdd(track->AbsoluteStart(), track->Length));
    if (track->GetTrackType() == ttWipe) wipes_.push_back(static_cast<TWipeFrameList*>(track.get()));
  }
}

void TFilm::LinkParents() {
  // Union-find over the tracks linked so far: a track without a parent yet is the root of
  // its tree, so a parent in the same tree would close a cycle.
  const size_t n = tracks_.size();
  std::vector<size_t> set(n);
  std::iota(set.begin(), set.end(), size_t{0});
  const auto find = [&set](size_t i) {
    while (set[i] != i) i = set[i] = set[set[i]];
    return i;
  };
  for (size_t i = 0; i < n; ++i) {
    TCustomFrameList& track = *tracks_[i];
    const int32_t p = track.ParentIndex;
    if (p < 0 || static_cast<size_t>(p) >= n) continue;
    const size_t parentSet = find(static_cast<size_t>(p)), ownSet = find(i);
    if (parentSet == ownSet) continue;
    track.Parent = tracks_[static_cast<size_t>(p)].get();
    set[ownSet] = parentSet;
  }
  for (const auto& track : tracks_)
    if (track->Parent && !track->Parent->child_) track->Parent->child_ = track.get();
}

void TFilm::ComputeStarts() {
  // Parents first, without recursion, so that a long chain costs no stack.
  for (const auto& track : tracks_) track->startKnown_ = false;
  std::vector<TCustomFrameList*> chain;
  for (const auto& track : tracks_) {
    chain.clear();
    for (TCustomFrameList* t = track.get(); t && !t->startKnown_; t = t->Parent) chain.push_back(t);
    for (size_t k = chain.size(); k-- > 0;) {
      TCustomFrameList* t = chain[k];
      t->absoluteStart_ = t->Parent ? WrapAdd(t->Parent->absoluteStart_, t->Parent->Length) : t->Start;
      t->startKnown_ = true;
    }
  }
}

std::unique_ptr<TCustomFrameList> TFilm::CreateTrack(int type) {
  switch (type & 127) {
    case ttImage:
      return std::make_unique<TImageFrameList>(*this);
    case ttLabel:
      return std::make_unique<TLabelFrameList>(*this);
    case ttBox:
      return std::make_unique<TBoxFrameList>(*this);
    case ttWipe:
      return std::make_unique<TWipeFrameList>(*this);
    case ttSound:
      return std::make_unique<TSoundFrameList>(*this);
    case ttTile:
      return std::make_unique<TTileFrameList>(*this);
    case ttParticle:
      return std::make_unique<TParticleFrameList>(*this);
    case ttFire:
      return std::make_unique<TFireFrameList>(*this);
    default:
      return nullptr;
  }
}

TCustomFrameList* TFilm::GetTrack(int index) const {
  return index >= 0 && index < TrackCount() ? tracks_[static_cast<size_t>(index)].get() : nullptr;
}

TCustomFrameList* TFilm::FirstRootTrack() const {
  for (const auto& track : tracks_)
    if (track->AbsoluteStart() == 0) return track.get();
  return nullptr;
}

TWipeFrameList* TFilm::ActiveWipeTrackAt(int32_t tick, int& parity) const {
  parity = 0;
  TWipeFrameList* active = nullptr;
  for (TWipeFrameList* wipe : wipes_) {
    const int64_t start = wipe->AbsoluteStart(), end = start + wipe->Length;
    if (start <= tick && tick < end)
      active = wipe;
    else if (end - 1 <= tick)
      parity ^= 1;
  }
  return active;
}

int TFilm::PageParityAt(int32_t tick) const {
  int parity = 0;
  for (TWipeFrameList* wipe : wipes_)
    if (int64_t{wipe->AbsoluteStart()} + wipe->Length - 1 <= tick) parity ^= 1;
  return parity;
}

void TFilm::SetTime(int32_t tick) {
  for (const auto& track : tracks_) track->UpdateAt(tick);
  if (!ObjectMotion && !HostObject && Owner) {
    int parity = 0;
    TWipeFrameList* wipe = ActiveWipeTrackAt(tick, parity);
    if (wipe) {
      // Numbers without a transition change the page at once, as the flip command does.
      const int type = wipe->WipeType < WipeTypeCount ? int{wipe->WipeType} : int{WP_NONE};
      TCustomWipe* created = Owner->SetActiveBase(parity, type, wipe->Length, WrapSub(tick, wipe->AbsoluteStart()),
                                                  wipe != CurrentWipeTrack, wipe->Reverse);
      if (created) {
        created->SetParam(0, wipe->Param0);
        created->SetParam(1, wipe->Param1);
        created->SetMaskName(wipe->MaskName);
        created->Prepare();
      }
    } else {
      Owner->SetActiveBase(parity, WP_NONE, 0, 0, CurrentWipeTrack != nullptr, false);
    }
    // The tracks may have changed priorities and parents.
    Owner->ActiveLayer()->SortChildren();
    CurrentWipeTrack = wipe;
  }
  CurrentTick = tick;
}

void TFilm::Start() {
  if (!ObjectMotion && !HostObject) {
    // The owner scene makes its surfaces at this size.
    if (Width < 0 || Width > MaxFilmSize || Height < 0 || Height > MaxFilmSize) {
      const std::string size = std::to_string(Width) + " x " + std::to_string(Height);
      Clear();
      throw EReadError("film: size " + size);
    }
    SetSize({Width, Height});
    SetColor(Color);
  }
  for (const auto& track : tracks_)
    if (track->GetTrackType() == ttSound) static_cast<TSoundFrameList*>(track.get())->EnsureSound();
}

bool TFilm::UsesPageFlip() {
  return std::any_of(tracks_.begin(), tracks_.end(),
                     [](const auto& t) { return t->GetTrackType() == ttWipe || t->OtherPage; });
}

void TFilm::SetPaused(bool flag) {
  if (flag == Paused) return;
  Paused = flag;
  for (const auto& track : tracks_) track->SetPaused(flag);
}

void TFilm::SetEnabled(bool flag) {
  Enabled = flag;
  if (flag) return;
  for (const auto& track : tracks_)
    if (track->GetTrackType() == ttSound)
      if (TOrvaObject* sound = track->GetObject()) sound->SetPaused(true);
}

void TFilm::SetSize(TPoint size) {
  Width = size.X;
  Height = size.Y;
  if (!Owner) return;
  Owner->SetWidth(Width);
  Owner->SetHeight(Height);
}

void TFilm::SetColor(int32_t color) {
  Color = color;
  if (Owner) Owner->SetColor(Color);
}

void RegisterFilms() {
  SetFilmFactory([] { return std::make_unique<TFilm>(); });
}

}  // namespace orva
