#include "script/page.h"

#include <type_traits>

#include "core/app_control.h"
#include "core/encoding.h"
#include "core/file_manager.h"
#include "core/stream.h"
#include "platform/message_box.h"
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

struct TCommandClass {
  TFactory make;
  bool plain;  // see TCommand::NoteLoaded
};

// A class that keeps a member of the base names the base's member by its own name.
template <class T>
constexpr TCommandClass Class() {
  constexpr bool plain = std::is_same_v<decltype(&T::Prepare), decltype(&TCommand::Prepare)> &&
                         std::is_same_v<decltype(&T::IsEventPoint), decltype(&TCommand::IsEventPoint)> &&
                         std::is_same_v<decltype(&T::BlocksEvents), decltype(&TCommand::BlocksEvents)>;
  return {Make<T>, plain};
}

// The class of each command code, in code order.
constexpr TCommandClass kClasses[CommandCount] = {
    Class<TComIf>(), Class<TComElseif>(), Class<TComElse>(), Class<TComLabel>(),
    Class<TComJump>(), Class<TComCall>(), Class<TComExit>(), Class<TComWait>(),
    Class<TComBoxNew>(), Class<TComImgNew>(), Class<TComMesNew>(), Class<TComTimer>(),
    Class<TComMovie>(), Class<TComFlip>(), Class<TComCalc>(), Class<TComVarNew>(),
    Class<TComVarDel>(), Class<TComGetProp>(), Class<TComSetProp>(), Class<TComObjDel>(),
    Class<TComTextIns>(), Class<TComMovieStop>(), Class<TComClrHist>(), Class<TComCinema>(),
    Class<TComCaption>(), Class<TComMenu>(), Class<TComMenuClose>(), Class<TComComment>(),
    Class<TComTextClr>(), Class<TComCallHist>(), Class<TComBtnNew>(), Class<TComWhile>(),
    Class<TComWhileInit>(), Class<TComWhileLoop>(), Class<TComBreak>(), Class<TComContinue>(),
    Class<TComParticleNew>(), Class<TComFireNew>(), Class<TComGameSave>(), Class<TComGameLoad>(),
    Class<TComPCReset>(), Class<TComReset>(), Class<TComSound>(), Class<TComEditNew>(),
    Class<TComMemoNew>(), Class<TComTerminate>(), Class<TComDoEvent>(), Class<TComClrRead>(),
    Class<TComMapImgNew>(), Class<TComWaveNew>(), Class<TComTileNew>(), Class<TComSliderNew>(),
    Class<TComScrollbarNew>(), Class<TComGaugeNew>(), Class<TComCGCaption>(), Class<TComMediaPlay>(),
    Class<TComPrevMenuNew>(), Class<TComPropMotion>(), Class<TComEntryHist>(), Class<TComCabinetSave>(),
    Class<TComCabinetLoad>(),
};

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
  return kClasses[code].make(*this, static_cast<TCommandCode>(code));
}

void TPage::LoadFromFile(std::string_view name) {
  Clear();
  name_ = name;
  TMemoryStream bytes;
  if (!FileManager) throw Exception(std::string(name) + Sjis(":ファイルがありません"));
  FileManager->LoadToStream(bytes, name);
  ReadingGameFile(name, [&] { LoadFromStream(bytes); });
}

void TPage::LoadFromStream(TStream& stream) {
  Clear();
  version_ = ReadStreamInt(stream);
  if (version_ > MaxPageVersion) return;
  if (version_ < MinPageVersion) {
    QuitRequested = true;
    MessageBoxService().Show(SjisToUtf8(name_ + "\r\n" + Sjis(RebuildPrompt)), "警告", TMsgButtons::OK,
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
    command->NoteLoaded(kClasses[static_cast<int>(command->GetCommandType())].plain);
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

}  // namespace orva
