// The file and path functions: game files tested for and read through the file manager, and
// file names taken apart. The path delimiters "\" and ":" count only as single-byte
// characters, so the trail byte 0x5C of a double-byte character never cuts a name.

#include <limits>
#include <string>
#include <vector>

#include "core/data_tables.h"
#include "core/file_manager.h"
#include "core/paths.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "script/builtin_call.h"
#include "script/param_collection.h"
#include "script/script_error.h"
#include "script/sys_func_man.h"

namespace orva {
namespace {

void FileExists(TBuiltinCall& c) {
  const std::string name = c.Text(0);
  c.Dest.SetAsBoolean(IsGameRelativeName(name) && FileManager && FileManager->FileExists(name));
}

// The lines of a text file; a zero byte ends the text.
std::vector<std::string> ReadLines(std::string_view name) {
  TMemoryStream file;
  FileManager->LoadToStream(file, name);
  const std::string_view text = file.View();
  return SplitTsvLines(text.substr(0, text.find('\0')));
}

void LoadTextFile(TBuiltinCall& c) {
  const std::string name = c.Text(1);
  if (!FileManager || !c.Functions.FileAvailable(name)) {
    c.Dest.SetAsBoolean(false);
    return;
  }
  const std::vector<std::string> lines = ReadLines(name);
  if (lines.empty()) {
    c.Dest.SetAsBoolean(false);
    return;
  }
  if (lines.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    RaiseScriptError("配列の添字が不正です");
  TCustomParam& a = c.Arg(0);
  const int32_t sizes[] = {static_cast<int32_t>(lines.size())};
  a.SetDims(sizes);
  for (size_t i = 0; i < lines.size(); ++i) a.SetStrItem(static_cast<int32_t>(i), lines[i]);
  c.Dest.SetAsBoolean(true);
}

void ExtractFilePathOf(TBuiltinCall& c) { c.Dest.SetAsString(ExtractFilePath(c.Text(0))); }

void ExtractFileNameOf(TBuiltinCall& c) { c.Dest.SetAsString(ExtractFileName(c.Text(0))); }

void ExtractFileExtOf(TBuiltinCall& c) { c.Dest.SetAsString(ExtractFileExt(c.Text(0))); }

void IsPathDelimiterAt(TBuiltinCall& c) { c.Dest.SetAsBoolean(IsPathDelimiter(c.Text(0), c.Int(1))); }

void AddBackSlashTo(TBuiltinCall& c) { c.Dest.SetAsString(AddBackSlash(c.Text(0))); }

void ChangeFileExtOf(TBuiltinCall& c) { c.Dest.SetAsString(ChangeFileExt(c.Text(0), c.Text(1))); }

void IsDelimiterAt(TBuiltinCall& c) {
  const std::string delimiters = c.Text(0), s = c.Text(1);
  const int32_t i = c.Int(2);
  bool result = false;
  if (i >= 1 && i <= static_cast<int64_t>(s.size())) {
    const char byte = s[static_cast<size_t>(i - 1)];
    const bool singleByte = !IsLeadByte(byte) && !IsTrailByte(s, i);
    result = singleByte && delimiters.find(byte) != std::string::npos;
  }
  c.Dest.SetAsBoolean(result);
}

}  // namespace

void AddFileFunctions(TBuiltinTable& t) {
  t[bfFileExists] = FileExists;
  t[bfLoadTextFile] = LoadTextFile;
  t[bfExtractFilePath] = ExtractFilePathOf;
  t[bfExtractFileName] = ExtractFileNameOf;
  t[bfExtractFileExt] = ExtractFileExtOf;
  t[bfIsPathDelimiter] = IsPathDelimiterAt;
  t[bfAddBackSlash] = AddBackSlashTo;
  t[bfChangeFileExt] = ChangeFileExtOf;
  t[bfIsDelimiter] = IsDelimiterAt;
}

}  // namespace orva
