#include "script/project_file.h"

#include "core/encoding.h"
#include "core/stream.h"
#include "script/conversions.h"

namespace orva {

namespace {

constexpr int32_t kWriteStatusVersion = 104;
constexpr int32_t kFramePacingVersion = 106;
constexpr int32_t kMediaExtensionsVersion = 109;

// A type byte and a name's length: the least a variable record takes.
constexpr int64_t kVariableRecordBytes = 5;

TProjectVariable ReadVariable(TStream& stream) {
  TProjectVariable v;
  v.Type = ReadStreamByte(stream);
  v.Name = ReadStreamString(stream);
  switch (v.Type) {
    case PT_INT: v.Value = ReadStreamInt(stream); break;
    case PT_FLOAT: {
      uint8_t bytes[10] = {};
      stream.Read(bytes, sizeof bytes);
      v.Value = FloatFromBytes(bytes);
      break;
    }
    case PT_BOOL: v.Value = ReadStreamBool(stream); break;
    case PT_STR: v.Value = ReadStreamString(stream); break;
    default: break;
  }
  return v;
}

}  // namespace

TProjectFile::TProjectFile()
    : Title(Sjis("情報")),
      DiscPrompt(Sjis("ディスク%dを入れてから[OK]をクリックしてください")),
      QuitText(Sjis("終了します")) {}

void TProjectFile::LoadFromStream(TStream& stream) {
  Version = ReadStreamInt(stream);
  if (Version > MaxPageVersion) return;
  Title = ReadStreamString(stream);
  ScreenWidth = ReadStreamInt(stream);
  ScreenHeight = ReadStreamInt(stream);
  FullScreenWidth = ReadStreamInt(stream);
  FullScreenHeight = ReadStreamInt(stream);
  StartPage = ReadStreamString(stream);
  RegistryKey = ReadStreamString(stream);
  ReadStreamInt(stream);  // not used
  if (Version >= kWriteStatusVersion) WriteStatus = ReadStreamBool(stream);
  FramePacing = false;
  if (Version >= kFramePacingVersion) FramePacing = ReadStreamBool(stream);
  MediaExtensions = ".wav.wma.ogg.mid";
  if (Version >= kMediaExtensionsVersion) MediaExtensions = ReadStreamString(stream);
  DiscPrompt = ReadStreamString(stream);
  QuitText = ReadStreamString(stream);
  Variables.clear();
  const int32_t count = ReadStreamCount(stream, kVariableRecordBytes);
  for (int32_t i = 0; i < count; ++i) Variables.push_back(ReadVariable(stream));
  Discs.LoadFromStream(stream);
}

}  // namespace orva
