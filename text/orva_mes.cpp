#include "text/orva_mes.h"

#include "core/exceptions.h"
#include "core/rect.h"
#include "core/stream.h"
#include "core/string_lists.h"
#include "graphics/custom_dibx.h"
#include "scene/base_list.h"
#include "text/glyph_page.h"
#include "text/history.h"
#include "text/stream_read.h"
#include "text/text_globals.h"

namespace orva {

TOrvaMes::TOrvaMes(TOrvaBaseList* owner) : TOrvaControl(owner) {
  word_.Quality = 3;
  word_.Paging = true;
  word_.OnEvent = [this](TWzWord&, const std::string& name) { NotifyEvent(name); };
}

TOrvaMes::~TOrvaMes() { FreePages(); }

TWdPage* TOrvaMes::CurrentPage() const {
  return pageIndex_ >= 0 && size_t(pageIndex_) < pages_.size() ? pages_[size_t(pageIndex_)].get() : nullptr;
}

bool TOrvaMes::CurrentPlace(TReadPlace& place) const {
  if (Kind != kTextCommand || PageName.empty() || !CurrentPage()) return false;
  place = {PageName, CommandIndex, pageIndex_};
  return true;
}

void TOrvaMes::FreePages() { pages_.clear(); }

void TOrvaMes::CommitHistory() {
  if (TOrvaNewHistory* history = GetHistory()) history->Commit(GetName());
}

void TOrvaMes::RecordCurrentPage() {
  TWdPage* page = CurrentPage();
  if (Kind != kTextCommand || PageName.empty() || !page) return;
  page->SnapshotVars();
  TWdGlyph* first = page->FirstStored();
  TWdGlyph* last = page->LastStored();
  if (TOrvaNewHistory* history = GetHistory())
    history->BeginRecord(*this, PageName, page->VarSnapshot, pageIndex_, last ? word_.StoredIndexOf(last) : -1,
                         first ? word_.StoredIndexOf(first) : 0, CommandIndex);
  if (TOrvaReadList* marks = GetReadMarks()) marks->SetPending(GetName(), PageName, pageIndex_, CommandIndex);
}

// ---- Text and pages ----

std::string TOrvaMes::GetText() {
  TWdPage* page = CurrentPage();
  return page ? page->GetPlainText() : std::string();
}

void TOrvaMes::SetText(std::string_view text) {
  Invalidate();
  // A box that shows markup keeps no command or backlog range to rebuild from.
  mesData_.Record().Clear();
  mesData_.ClearOld();
  text_ = text;
  CommitHistory();
  BacklogOffset = 0;
  FreePages();
  word_.SetText(SplitLines(text));
  word_.ExpandVars(0, -1);
  word_.Paginate(pages_, 0, -1);
  pageIndex_ = 0;
  scrollY_ = 0;
  if (!pages_.empty()) {
    pageChanged_ = restart_ = true;
    FirePlayStart();
  }
}

void TOrvaMes::RebuildFromCommand(bool fire) {
  Invalidate();
  text_.clear();
  CommitHistory();
  RecordCurrentPage();
  FreePages();
  pageIndex_ = -1;
  mesData_.Rebuild(word_, pages_, Stacking, BacklogOffset);
  if (!pages_.empty()) {
    if (fire) FirePlayStart();
    pageChanged_ = restart_ = true;
  }
}

void TOrvaMes::LeavePage() {
  CommitHistory();
  pageIndex_ = -1;
}

void TOrvaMes::SetIndex(int32_t index) {
  if (index < 0 || index >= GetCount() || index == pageIndex_) return;
  if (CurrentPage()) CommitHistory();
  pageIndex_ = index;
  scrollY_ = 0;
  TWdPage* page = CurrentPage();
  page->ScrollOffset = 0;
  FirePlayStart();
  RecordCurrentPage();
  page->Start();
  pageChanged_ = restart_ = true;
  Invalidate();
}

void TOrvaMes::FirePlayStart() {
  if (onPlayStart_.empty()) return;
  const TOrvaReadList* marks = GetReadMarks();
  const bool read = Kind == kTextCommand && marks && marks->IsRead(PageName, CommandIndex, pageIndex_);
  TArrayString args;
  args.Add(read ? "1" : "0");
  QueueEvent(PR_ONPLAYSTART, onPlayStart_, &args);
  playStartDelay_ = 1;
}

bool TOrvaMes::GetPlaying() {
  TWdPage* page = CurrentPage();
  return int64_t{pageIndex_} + 1 < GetCount() || (page && page->IsPlaying());
}

uint8_t TOrvaMes::GetPlayState() {
  TWdPage* page = CurrentPage();
  return page && page->IsPlaying() ? 0 : 2;
}

void TOrvaMes::NotifyEvent(const std::string& name) {
  if (onNotify_.empty()) return;
  TArrayString args;
  for (const std::string& line : SplitLines(name)) args.Add(line);
  QueueEvent(PR_ONNOTIFY, onNotify_, &args);
}

// ---- Properties ----

void TOrvaMes::MarkPageChanged() {
  if (CurrentPage()) pageChanged_ = true;
}

void TOrvaMes::SetStyle(int32_t& field, int32_t value) {
  if (value == field) return;
  Invalidate();
  field = value;
  MarkPageChanged();
  Invalidate();
}

void TOrvaMes::SetColour(int32_t& field, int32_t value) {
  if (value == field) return;
  field = value;
  MarkPageChanged();
  Invalidate();
}

void TOrvaMes::SetFontHeight(int32_t value) { SetStyle(word_.FontHeight, value); }
void TOrvaMes::SetFontBorder(int32_t value) { SetStyle(word_.BorderWidth, value); }
void TOrvaMes::SetFontShadow(int32_t value) { SetStyle(word_.ShadowWidth, value); }
void TOrvaMes::SetLineSpace(int32_t value) { SetStyle(word_.LineSpace, value); }

void TOrvaMes::SetFontName(std::string_view value) {
  word_.FontName = value;
  if (CurrentPage()) {
    MarkPageChanged();
    Invalidate();
  }
}

void TOrvaMes::SetAntialias(bool value) {
  const int32_t quality = value ? 3 : 0;
  if (quality == word_.Quality) return;
  word_.Quality = quality;
  MarkPageChanged();
  Invalidate();
}

void TOrvaMes::SetAlpha(int32_t value) {
  word_.Alpha = value;
  Invalidate();
}

void TOrvaMes::SetTextDelay(int32_t value) {
  textDelay_ = value;
  word_.TextDelay = value;
}

void TOrvaMes::UpdatePause(bool wasPaused) {
  word_.Paused = paused_ || textPaused_;
  if (wasPaused && !word_.Paused)
    if (TWdPage* page = CurrentPage()) page->Resume();
}

void TOrvaMes::SetPaused(bool value) {
  if (value == paused_) return;
  const bool was = word_.Paused;
  paused_ = value;
  UpdatePause(was);
}

void TOrvaMes::SetTextPaused(bool value) {
  if (value == textPaused_) return;
  const bool was = word_.Paused;
  textPaused_ = value;
  UpdatePause(was);
}

void TOrvaMes::SetScrollY(int32_t value) {
  if (value == scrollY_) return;
  scrollY_ = value;
  if (TWdPage* page = CurrentPage()) {
    page->ScrollOffset = value;
    page->Resume();
  }
  Invalidate();
}

void TOrvaMes::SetWidth(int32_t value) {
  if (value == GetWidth()) return;
  Invalidate();
  TOrvaControl::SetWidth(value);
  word_.Width = value;
  Invalidate();
}

void TOrvaMes::SetHeight(int32_t value) {
  if (value == GetHeight()) return;
  Invalidate();
  TOrvaControl::SetHeight(value);
  word_.Height = value;
  Invalidate();
}

void TOrvaMes::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  TOrvaControl::SetBounds(left, top, width, height);
  word_.Width = GetWidth();
  word_.Height = GetHeight();
}

void TOrvaMes::SetOnNotify(std::string_view v) {
  onNotify_ = v;
  word_.Notify = !onNotify_.empty();
}

// ---- Frame, drawing and mouse ----

void TOrvaMes::PlaceTextArea() {
  word_.TextLeft = GetScreenLeft();
  word_.TextTop = GetScreenTop();
}

void TOrvaMes::HandDirtyRects() {
  TOrvaBase* layer = GetBase();
  if (!layer || !IsEffectivelyVisible()) return;
  for (const TRect& r : word_.DirtyRects) layer->AddDirtyRect(r);
}

bool TOrvaMes::Idle() {
  // A film may move the box; the end of the page, not of the film, is its ONPLAYEND.
  if (TOrvaMotion* motion = GetMotion()) motion->Step();
  if (playStartDelay_ >= 1) {
    --playStartDelay_;
    return false;
  }
  // The script's ONPLAYSTART handler runs before the page is revealed.
  if (HasEvent(PR_ONPLAYSTART)) return false;
  PlaceTextArea();
  TWdPage* page = CurrentPage();
  if (pageChanged_) {
    if (page) page->Render(restart_);
    pageChanged_ = restart_ = false;
  }
  if (page) {
    bool finished = false;
    std::string frameText;
    page->Step(finished, frameText);
    if (!frameText.empty() && !onPlaying_.empty()) {
      TArrayString args;
      args.Add(frameText);
      QueueEvent(PR_ONPLAYING, onPlaying_, &args);
    }
    if (finished) {
      TReadPlace place;
      if (TOrvaReadList* marks = GetReadMarks()) marks->Commit(GetName(), CurrentPlace(place) ? &place : nullptr);
      if (!onPlayEnd_.empty()) QueueEvent(PR_ONPLAYEND, onPlayEnd_);
    }
  }
  HandDirtyRects();
  return false;
}

void TOrvaMes::Paint() {
  TWdPage* page = CurrentPage();
  TCustomDIBX* target = GetTargetSurface();
  if (page && target && GetBase() && IsEffectivelyVisible()) {
    word_.Target = target;
    PlaceTextArea();
    word_.PaintRect = target->GetClipRect();
    page->Paint();
  }
  TOrvaControl::Paint();
}

TOrvaObject* TOrvaMes::HitTest(TPoint point, TIgnoreMouseSet accepted) {
  if (!IsEffectivelyVisible() || !PointInRect(point, GetClientRect())) return nullptr;
  const std::vector<TOrvaControl*>& children = Children();
  for (size_t i = children.size(); i-- > 0;)
    if (TOrvaObject* hit = children[i]->HitTest(point, accepted)) return hit;
  if (!(accepted & IgnoreMouseBit(GetIgnoreMouse()))) return nullptr;
  if (!captureLink_) return this;
  // Only links catch the mouse; elsewhere it goes through to what lies below.
  TWdPage* page = CurrentPage();
  if (!page) return nullptr;
  PlaceTextArea();
  TWdGlyph* glyph = page->HitTest(point.X, point.Y);
  return glyph && !glyph->GetLink().empty() ? this : nullptr;
}

void TOrvaMes::Hover(bool none) {
  TWdPage* page = CurrentPage();
  TOrvaBase* layer = GetBase();
  PlaceTextArea();
  word_.ClearDirtyRects();
  const TPoint mouse = layer->GetMousePos();
  if (none || paused_ || page->IsPlaying())
    page->SetHoverAt(-1, -1);
  else
    page->SetHoverAt(mouse.X, mouse.Y);
  HandDirtyRects();
  word_.ClearDirtyRects();
}

void TOrvaMes::MouseMove() {
  if (IsEffectivelyVisible() && GetBase() && CurrentPage())
    Hover(false);
  else
    TOrvaControl::MouseMove();
}

void TOrvaMes::MouseOut(TOrvaObject* next) {
  if (IsEffectivelyVisible() && GetBase() && CurrentPage())
    Hover(true);
  else
    TOrvaControl::MouseOut(next);
}

void TOrvaMes::LButtonDown() {
  TWdPage* page = CurrentPage();
  if (!onLink_.empty() && page && page->HoverGlyph && !HasEvent(PR_ONLINK)) {
    TArrayString args;
    args.Add(page->HoverText());
    for (const std::string& line : SplitLines(page->HoverGlyph->GetLink())) args.Add(line);
    QueueEvent(PR_ONLINK, onLink_, &args);
    // The click goes no further.
    if (TOrvaBase* layer = GetBase()) layer->LeftClick = false;
    return;
  }
  TOrvaControl::LButtonDown();
}

void TOrvaMes::ReleaseSurfaces() { word_.ReleaseSurfaces(); }

void TOrvaMes::RecreateSurfaces() {
  TOrvaControl::RecreateSurfaces();
  word_.RecreateSurfaces();
  if (TWdPage* page = CurrentPage()) page->Render(false);
}

// ---- Stored form ----

void TOrvaMes::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  word_.SaveSettings(stream);
  // The values shown on every page, so that a load shows the same; a backlog view keeps
  // the values each of its entries was shown with.
  TOrvaHistData& record = mesData_.Record();
  if (Kind != kBacklogView && record.Count() > 0 && !pages_.empty()) {
    std::vector<std::string> values;
    for (const auto& page : pages_) page->CollectVarValues(values);
    std::string snapshot;
    for (const std::string& line : values) snapshot += line + "\r\n";
    for (int i = 0; i < record.Count(); ++i) record.Entry(i).Snapshot = snapshot;
  }
  mesData_.SaveToStream(stream);
  WriteStreamBool(stream, Stacking);
  WriteStreamInt(stream, BacklogOffset);
  WriteStreamString(stream, text_);
  WriteStreamInt(stream, pageIndex_);
  WriteStreamInt(stream, scrollY_);
  WriteStreamInt(stream, MessageInt);
  for (const std::string& s : MessageStrings) WriteStreamString(stream, s);
  for (const std::string* s : {&onPlaying_, &onPlayStart_, &onPlayEnd_, &onLink_, &onNotify_}) WriteStreamString(stream, *s);
  WriteStreamBool(stream, paused_);
  WriteStreamBool(stream, textPaused_);
  WriteStreamInt(stream, textDelay_);
  WriteStreamByte(stream, Kind);
  WriteStreamString(stream, PageName);
  WriteStreamInt(stream, CommandIndex);
  WriteStreamString(stream, onIdle_);
  WriteStreamBool(stream, captureLink_);
  TMemoryStream states;
  for (const auto& page : pages_) page->SaveState(states);
  WriteStreamInt(stream, static_cast<int32_t>(states.GetSize()));
  states.SetPosition(0);
  CopyBytes(stream, states, states.GetSize());
}

void TOrvaMes::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  word_.LoadSettings(stream, version);
  mesData_.LoadFromStream(stream, version);
  Stacking = ReadByte(stream) != 0;
  if (version >= 113) BacklogOffset = ReadInt(stream);
  std::string text = ReadString(stream);
  if (mesData_.IsEmpty()) {
    try {
      SetText(text);
    } catch (const Exception&) {
      // Markup that failed when it was assigned fails again: the box stays empty, as it was.
    }
  } else {
    RebuildFromCommand(false);
    text_ = std::move(text);
  }
  pageIndex_ = ReadInt(stream);
  scrollY_ = ReadInt(stream);
  MessageInt = ReadInt(stream);
  for (std::string& s : MessageStrings) s = ReadString(stream);
  for (std::string* s : {&onPlaying_, &onPlayStart_, &onPlayEnd_, &onLink_, &onNotify_}) *s = ReadString(stream);
  paused_ = ReadByte(stream) != 0;
  textPaused_ = ReadByte(stream) != 0;
  textDelay_ = ReadInt(stream);
  Kind = ReadByte(stream);
  PageName = ReadString(stream);
  CommandIndex = ReadInt(stream);
  if (TWdPage* page = CurrentPage()) {
    page->Start();
    page->Render(false);
  }
  if (version >= 104) onIdle_ = ReadString(stream);
  if (version >= 120) captureLink_ = ReadByte(stream) != 0;
  TMemoryStream states;
  CopyBytes(states, stream, ReadCount(stream, 1));
  states.SetPosition(0);
  try {
    for (const auto& page : pages_) page->LoadState(states);
  } catch (const Exception&) {
    // The pages from the first short record on keep their start.
  }
  pageChanged_ = restart_ = false;
  // The page shown is armed as if it had just been shown.
  TReadPlace place;
  if (CurrentPlace(place))
    if (TOrvaReadList* marks = GetReadMarks()) marks->SetPending(GetName(), place.PageName, place.PageIndex, place.CommandIndex);
}

}  // namespace orva
