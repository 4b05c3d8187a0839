#include "kit/text_records.h"

#include "core/stream.h"

namespace orva::kit {
namespace {

class Out {
 public:
  Out& Int(int32_t v) {
    WriteStreamInt(s_, v);
    return *this;
  }
  Out& Byte(uint8_t v) {
    WriteStreamByte(s_, v);
    return *this;
  }
  Out& Str(const std::string& v) {
    WriteStreamString(s_, v);
    return *this;
  }
  Out& Raw(const std::string& v) {
    s_.WriteBuffer(v.data(), static_cast<int64_t>(v.size()));
    return *this;
  }
  std::string Bytes() {
    std::string bytes(static_cast<size_t>(s_.GetSize()), '\0');
    s_.SetPosition(0);
    s_.ReadBuffer(bytes.data(), s_.GetSize());
    return bytes;
  }

 private:
  TMemoryStream s_;
};

void HistData(Out& out, int version, const HistDataRecord& record) {
  out.Int(static_cast<int32_t>(record.Entries.size()));
  for (const HistEntryRecord& e : record.Entries) {
    out.Str(e.Page).Int(e.Command).Int(e.First).Int(e.Last).Int(e.Height);
    if (version >= 124) out.Str(e.Snapshot);
  }
  out.Int(record.TotalHeight);
}

}  // namespace

std::string MesBoxFields(int version, const MesBoxRecord& b) {
  Out out;
  out.Int(b.TextLeft).Int(b.TextTop).Int(b.FontHeight).Str(b.FontName).Int(b.FontColor).Int(b.Height).Int(b.Width);
  out.Int(b.Quality).Int(b.LineSpace).Byte(b.Paging).Int(b.LinkColor).Int(b.HoverColor).Int(b.FadeTime);
  out.Int(b.BorderColor).Int(b.Alpha).Byte(b.WordPaused).Int(b.CaretX).Int(b.CaretY).Int(b.WordTextDelay).Byte(b.Notify);
  if (version >= 110) out.Int(b.ShadowColor);
  if (version >= 111) out.Int(b.BorderWidth).Int(b.ShadowWidth);
  // The message data's older-form entries are stored column by column.
  out.Int(static_cast<int32_t>(b.Old.size()));
  for (const OldEntryRecord& e : b.Old) out.Str(e.Page);
  for (const OldEntryRecord& e : b.Old) out.Int(e.Command);
  for (const OldEntryRecord& e : b.Old) out.Int(e.PageIndex);
  for (const OldEntryRecord& e : b.Old) out.Int(e.Width).Int(e.Height);
  if (version >= 113) HistData(out, version, b.Record);
  out.Byte(b.Stacking);
  if (version >= 113) out.Int(b.BacklogOffset);
  out.Str(b.Text).Int(b.PageIndex).Int(b.ScrollY).Int(b.MessageInt);
  for (const std::string& s : b.Strings) out.Str(s);
  out.Str(b.OnPlaying).Str(b.OnPlayStart).Str(b.OnPlayEnd).Str(b.OnLink).Str(b.OnNotify);
  out.Byte(b.Paused).Byte(b.TextPaused).Int(b.TextDelay).Byte(b.Kind).Str(b.PageName).Int(b.CommandIndex);
  if (version >= 104) out.Str(b.OnIdle);
  if (version >= 120) out.Byte(b.CaptureLink);
  out.Int(static_cast<int32_t>(b.PageStates.size())).Raw(b.PageStates);
  return out.Bytes();
}

std::string HistoryBytes(int version, const HistoryRecord& h) {
  Out out;
  if (version < 113) out.Str("ignored");
  out.Int(static_cast<int32_t>(h.Old.size()));
  if (version >= 113) {
    for (const OldEntryRecord& e : h.Old) out.Str(e.Page).Int(e.Command).Int(e.PageIndex).Int(e.Width).Int(e.Height);
  } else {
    for (const OldEntryRecord& e : h.Old) out.Str(e.Page);
    for (const OldEntryRecord& e : h.Old) out.Int(e.Command);
    for (const OldEntryRecord& e : h.Old) out.Int(e.PageIndex);
    for (const OldEntryRecord& e : h.Old) out.Int(e.Width).Int(e.Height);
  }
  out.Str(h.CurrentPage).Int(h.CurrentCommand).Int(h.PageIndex).Int(h.BoxWidth).Int(h.BoxHeight).Str(h.BoxName);
  if (version >= 113) {
    out.Int(h.MaxCount);
    for (int32_t v : h.Format) out.Int(v);
    out.Int(h.First).Int(h.Last).Int(static_cast<int32_t>(h.Records.size()));
    for (const HistDataRecord& r : h.Records) HistData(out, version, r);
  }
  if (version >= 124) out.Str(h.Snapshot);
  return out.Bytes();
}

std::string ReadMarksBytes(const std::vector<ReadMarkRecord>& items, const std::string& pendingPage,
                           int32_t pendingCommand, int32_t pendingIndex, const std::string& pendingBox) {
  Out out;
  out.Int(static_cast<int32_t>(items.size()));
  for (const ReadMarkRecord& item : items) {
    out.Str(item.Page).Int(static_cast<int32_t>(item.Commands.size()));
    for (int32_t v : item.Commands) out.Int(v);
    for (int32_t v : item.Pages) out.Int(v);
  }
  out.Str(pendingPage).Int(pendingCommand).Int(pendingIndex).Str(pendingBox);
  return out.Bytes();
}

}  // namespace orva::kit
