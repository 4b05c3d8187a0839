#pragma once
// TOrvaMes (LT_MES): the message box. A control that shows laid-out text page by page: markup
// assigned to TEXT (kind 0), a text command of a script page (kind 1, rebuilt through the
// layout cache from its page name and command index), or a range of the backlog (kind 2).
// Each frame it reveals the current page and queues ONPLAYSTART, ONPLAYING, ONNOTIFY,
// ONPLAYEND and ONLINK; scripts turn pages through INDEX and wait on COUNT. A page of a
// recorded command enters the backlog when the box leaves it and the read marks when it has
// been revealed to the end.

#include <cstdint>
#include <string>
#include <string_view>

#include "scene/orva_control.h"
#include "text/mes_data.h"
#include "text/read_marks.h"
#include "text/word.h"

namespace orva {

class TWdPage;

class TOrvaMes : public TOrvaControl {
 public:
  enum : uint8_t { kPlainText = 0, kTextCommand = 1, kBacklogView = 2 };

  explicit TOrvaMes(TOrvaBaseList* owner);
  ~TOrvaMes() override;

  uint8_t GetCompoType() override { return LT_MES; }

  // ---- Text and pages ----
  // The plain text of the current page as far as it is revealed; empty without a page.
  std::string GetText() override;
  // Markup: the box shows it from its first page; an empty text empties the box.
  void SetText(std::string_view text) override;
  void AddText(std::string_view text) override { SetText(text); }
  void SetTextSource(uint8_t kind) override { Kind = kind; }
  int32_t GetIndex() override { return pageIndex_; }
  // Shows page i: nothing outside 0 .. COUNT − 1 or for the page shown.
  void SetIndex(int32_t index) override;
  int32_t GetCount() override { return static_cast<int32_t>(pages_.size()); }
  bool GetPlaying() override;
  uint8_t GetPlayState() override;
  // Lays the text out again from the message data; fire: queue ONPLAYSTART.
  void RebuildFromCommand(bool fire);
  // The box leaves the page it shows (its backlog record is committed) before it is given
  // another command to show.
  void LeavePage();
  void FirePlayStart();

  // ---- Properties ----
  int32_t GetFontHeight() override { return word_.FontHeight; }
  void SetFontHeight(int32_t value) override;
  int32_t GetFontBorder() override { return word_.BorderWidth; }
  void SetFontBorder(int32_t value) override;
  int32_t GetFontShadow() override { return word_.ShadowWidth; }
  void SetFontShadow(int32_t value) override;
  std::string GetFontName() override { return word_.FontName; }
  void SetFontName(std::string_view value) override;
  int32_t GetLineSpace() override { return word_.LineSpace; }
  void SetLineSpace(int32_t value) override;
  int32_t GetFontColor() override { return word_.FontColor; }
  void SetFontColor(int32_t value) override { SetColour(word_.FontColor, value); }
  int32_t GetFontLinkColor() override { return word_.LinkColor; }
  void SetFontLinkColor(int32_t value) override { SetColour(word_.LinkColor, value); }
  int32_t GetFontHoverColor() override { return word_.HoverColor; }
  void SetFontHoverColor(int32_t value) override { SetColour(word_.HoverColor, value); }
  int32_t GetFontBorderColor() override { return word_.BorderColor; }
  void SetFontBorderColor(int32_t value) override { SetColour(word_.BorderColor, value); }
  int32_t GetFontShadowColor() override { return word_.ShadowColor; }
  void SetFontShadowColor(int32_t value) override { SetColour(word_.ShadowColor, value); }
  bool GetAntialias() override { return word_.Quality > 0; }
  void SetAntialias(bool value) override;
  int32_t GetAlpha() override { return word_.Alpha; }
  void SetAlpha(int32_t value) override;
  int32_t GetDelay() override { return word_.FadeTime; }
  void SetDelay(int32_t value) override { word_.SetFadeTime(value > 0 ? value : 0); }
  int32_t GetTextDelay() override { return textDelay_; }
  void SetTextDelay(int32_t value) override;
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override;
  bool GetTextPaused() override { return textPaused_; }
  void SetTextPaused(bool value) override;
  int32_t GetScrollY() override { return scrollY_; }
  void SetScrollY(int32_t value) override;
  TPoint GetCaretPos() override { return word_.Caret; }
  int32_t GetCaretHeight() override { return word_.CaretHeight; }
  bool GetCaptureLink() override { return captureLink_; }
  void SetCaptureLink(bool value) override { captureLink_ = value; }
  void SetWidth(int32_t value) override;
  void SetHeight(int32_t value) override;
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
  std::string GetOnPlaying() override { return onPlaying_; }
  void SetOnPlaying(std::string_view v) override { onPlaying_ = v; }
  std::string GetOnPlayStart() override { return onPlayStart_; }
  void SetOnPlayStart(std::string_view v) override { onPlayStart_ = v; }
  std::string GetOnPlayEnd() override { return onPlayEnd_; }
  void SetOnPlayEnd(std::string_view v) override { onPlayEnd_ = v; }
  std::string GetOnLink() override { return onLink_; }
  void SetOnLink(std::string_view v) override { onLink_ = v; }
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view v) override { onIdle_ = v; }
  std::string GetOnNotify() override { return onNotify_; }
  void SetOnNotify(std::string_view v) override;

  // ---- Frame, drawing and mouse ----
  bool Idle() override;
  void Paint() override;
  TOrvaObject* HitTest(TPoint point, TIgnoreMouseSet accepted) override;
  void LButtonDown() override;
  void MouseMove() override;
  void MouseOut(TOrvaObject* next) override;
  void ReleaseSurfaces() override;
  void RecreateSurfaces() override;

  // ---- Stored form: the control's, then the box's ----
  void SaveToStream(TStream& stream) override;
  // Counts beyond the bytes left raise EReadError.
  void LoadFromStream(TStream& stream, int version) override;

  // ---- What the text commands and the backlog set ----
  uint8_t Kind = kPlainText;
  int32_t CommandIndex = 0;
  std::string PageName;
  // CallHist's option: entries of the older form stack by their rows, not their box height.
  bool Stacking = false;
  // How far above the box's top the first backlog entry starts (0 or negative).
  int32_t BacklogOffset = 0;
  // A stored value without a property, and three stored texts.
  int32_t MessageInt = 0;
  std::string MessageStrings[3];
  TOrvaNewMesData& MesData() { return mesData_; }
  TWzWord& Word() { return word_; }
  const TWdPageList& Pages() const { return pages_; }
  TWdPage* CurrentPage() const;
  bool GetPaging() const { return word_.Paging; }
  void SetPaging(bool value) { word_.Paging = value; }
  // The page of a recorded text command shown now; false for none.
  bool CurrentPlace(TReadPlace& place) const;

 private:
  void NotifyEvent(const std::string& name);
  void FreePages();
  // Invalidate, store, invalidate, and the page drawn again before its next step.
  void SetStyle(int32_t& field, int32_t value);
  void SetColour(int32_t& field, int32_t value);
  void MarkPageChanged();
  // Backlog record and read mark of the current page of a recorded command.
  void RecordCurrentPage();
  void CommitHistory();
  // The text area at the box's place in its layer.
  void PlaceTextArea();
  void HandDirtyRects();
  void UpdatePause(bool wasPaused);
  void Hover(bool none);

  TWzWord word_;
  TWdPageList pages_;
  int32_t pageIndex_ = 0;
  int32_t scrollY_ = 0;
  std::string onPlaying_, onPlayStart_, onPlayEnd_, onLink_, onNotify_, onIdle_;
  bool paused_ = false, textPaused_ = false;
  int32_t textDelay_ = 0;
  TOrvaNewMesData mesData_;
  std::string text_;
  int32_t playStartDelay_ = 0;
  bool pageChanged_ = false, restart_ = false;
  bool captureLink_ = false;
};

}  // namespace orva
