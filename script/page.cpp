#include "script/page.h"

#include <cstdio>

#include "core/app_control.h"
#include "core/encoding.h"
#include "core/file_manager.h"
#include "core/frame_clock.h"
#include "core/stream.h"
#include "platform/message_box.h"
#include "script/call_manager.h"
#include "script/component_commands.h"
#include "script/flip_command.h"
#include "script/flow_commands.h"
#include "script/media_commands.h"
#include "script/param_collection.h"
#include "script/save_commands.h"
#include "script/script_error.h"
#include "script/text_commands.h"
#include "script/variable_commands.h"
#include "script/wait_commands.h"

namespace orva {
namespace {

// The fewest bytes of a command: the code byte and the common record.
constexpr int64_t kMinCommandBytes = 1 + 10;

using TFactory = std::unique_ptr<TCommand> (*)(TPage&, TCommandCode);

template <class T>
std::unique_ptr<TCommand> Make(TPage& page, TCommandCode code) {
  return std::make_unique<T>(page, code);
}

// The class of each command code, in code order.
constexpr TFactory kFactory[CommandCount] = {
    Make<TComIf>,           Make<TComElseif>,      Make<TComElse>,          Make<TComLabel>,
    Make<TComJump>,         Make<TComCall>,        Make<TComExit>,          Make<TComWait>,
    Make<TComBoxNew>,       Make<TComImgNew>,      Make<TComMesNew>,        Make<TComTimer>,
    Make<TComMovie>,        Make<TComFlip>,        Make<TComCalc>,          Make<TComVarNew>,
    Make<TComVarDel>,       Make<TComGetProp>,     Make<TComSetProp>,       Make<TComObjDel>,
    Make<TComTextIns>,      Make<TComMovieStop>,   Make<TComClrHist>,       Make<TComCinema>,
    Make<TComCaption>,      Make<TComMenu>,        Make<TComMenuClose>,     Make<TComComment>,
    Make<TComTextClr>,      Make<TComCallHist>,    Make<TComBtnNew>,        Make<TComWhile>,
    Make<TComWhileInit>,    Make<TComWhileLoop>,   Make<TComBreak>,         Make<TComContinue>,
    Make<TComParticleNew>,  Make<TComFireNew>,     Make<TComGameSave>,      Make<TComGameLoad>,
    Make<TComPCReset>,      Make<TComReset>,       Make<TComSound>,         Make<TComEditNew>,
    Make<TComMemoNew>,      Make<TComTerminate>,   Make<TComDoEvent>,       Make<TComClrRead>,
    Make<TComMapImgNew>,    Make<TComWaveNew>,     Make<TComTileNew>,       Make<TComSliderNew>,
    Make<TComScrollbarNew>, Make<TComGaugeNew>,    Make<TComCGCaption>,     Make<TComMediaPlay>,
    Make<TComPrevMenuNew>,  Make<TComPropMotion>,  Make<TComEntryHist>,     Make<TComCabinetSave>,
    Make<TComCabinetLoad>,
};

void Trace(TCallMan& runner, const TPage& page, const TCommand& command) {
  char clock[16];
  std::snprintf(clock, sizeof clock, "%.8X", GameClock);
  OrvaLogWrite(std::string(clock) + " : " + page.Name() + "(" + std::to_string(command.Line()) + ")");
  runner.SetLastTraced(command.Serial());
}

}  // namespace

TPage::TPage(TParamCollection* store) : store_(store) {}

TPage::~TPage() {
  Clear();
  if (!store_) return;
  if (TParamCollectionItem* own = store_->Find("\x01" + name_)) store_->DeleteItem(*own);
}

void TPage::Clear() { commands_.Clear(); }

int TPage::IndexOfLabel(std::string_view label) const {
  for (int i = 0; i < commands_.Count(); ++i)
    if (commands_[i]->MatchesLabel(label)) return i;
  return -1;
}

bool TPage::HasProperty(int code, int property) const {
  if (code < 0 || code >= CommandCount || property < 0 || property >= kSetBytes * 8) return false;
  return (sets_[static_cast<size_t>(code)][static_cast<size_t>(property / 8)] >> (property % 8)) & 1;
}

std::unique_ptr<TCommand> TPage::CreateCommand(uint8_t codeByte) {
  const uint8_t code = codeByte & 0x7F;
  if (code >= CommandCount) RaiseScriptError("不正なコマンド");
  return kFactory[code](*this, static_cast<TCommandCode>(code));
}

void TPage::LoadFromFile(std::string_view name) {
  Clear();
  name_ = name;
  TMemoryStream bytes;
  if (!FileManager) throw Exception(std::string(name) + Sjis(":ファイルがありません"));
  FileManager->LoadToStream(bytes, name);
  LoadFromStream(bytes);
}

void TPage::LoadFromStream(TStream& stream) {
  Clear();
  version_ = ReadStreamInt(stream);
  if (version_ > MaxPageVersion) return;
  if (version_ < MinPageVersion) {
    QuitRequested = true;
    MessageBoxService().Show(SjisToUtf8(name_ + "\r\n" + Sjis("リビルドしてください")), "警告", TMsgButtons::OK,
                             TMsgIcon::Warning);
    PostMainWindowClose();
    return;
  }
  resultType_ = ReadStreamByte(stream);
  ReadPropertySets(stream);
  const int32_t count = ReadStreamCount(stream, kMinCommandBytes);
  for (int32_t i = 0; i < count; ++i) {
    std::unique_ptr<TCommand> command = CreateCommand(ReadStreamByte(stream));
    command->LoadFromStream(stream);
    commands_.Add(std::move(command));
  }
}

void TPage::ReadPropertySets(TStream& stream) {
  const int32_t count = ReadStreamInt(stream);
  const int32_t size = ReadStreamInt(stream);
  if (count < 0 || size < 0 || (size > 0 && count > stream.Remaining() / size))
    throw EReadError("Stream read error");
  for (TPropertySet& set : sets_) set.fill(0);
  if (size == 0) return;
  const int32_t kept = std::min<int32_t>(count, CommandCount);
  const int32_t read = std::min<int32_t>(size, kSetBytes);
  for (int32_t i = 0; i < kept; ++i) {
    stream.ReadBuffer(sets_[static_cast<size_t>(i)].data(), read);
    stream.Seek(size - read, TSeekOrigin::soCurrent);
  }
  stream.Seek(static_cast<int64_t>(count - kept) * size, TSeekOrigin::soCurrent);
}

bool TPage::StepCommand(TCallMan& runner, TPage*& page, bool& eventPoint, bool& prepared, int32_t& index) {
  if (!Contains(index)) {
    page = nullptr;
    return false;
  }
  TCommand& command = *commands_[index];
  const TPage* const pageBefore = page;
  const int32_t indexBefore = index;
  try {
    if (OrvaLogWrite && command.Serial() != runner.LastTraced()) Trace(runner, *this, command);
    if (!prepared) {
      if (command.GetDisabled()) {
        ++index;
        return false;
      }
      command.Prepare(runner);
      prepared = true;
    }
    runner.SetContinue(command.GetContinue());
    eventPoint = command.IsEventPoint();
    command.Step(runner, page, index);
  } catch (const std::exception&) {
    // Dropped. A command that had not moved on is prepared or stepped again next time; one
    // that had (it advances before it acts) leaves the next command to be prepared.
    if (page != pageBefore || index != indexBefore) prepared = false;
    return true;
  }
  if (page != pageBefore || index != indexBefore) prepared = false;
  return false;
}

}  // namespace orva
