#include "core/install_set.h"

#include "core/big_stream.h"
#include "core/game_path.h"
#include "core/sjis.h"
#include "core/stream.h"

namespace orva {
namespace {

int64_t ReadValue(TStream& stream, int version) {
  // Before version 100 a value is 4 bytes, the low half of the 8.
  return version >= 100 ? ReadStreamInt64(stream) : static_cast<int64_t>(static_cast<uint32_t>(ReadStreamInt(stream)));
}

void WriteList(TStream& stream, const std::vector<std::string>& list) {
  WriteStreamInt(stream, static_cast<int32_t>(list.size()));
  for (const std::string& s : list) WriteStreamString(stream, s);
}

}  // namespace

void TOrvaInstallSet::LoadFromFile(std::string_view gamePath) {
  TFileStream file(OsPath(gamePath), TFileStream::fmOpenRead);
  LoadFromStream(file);
}

void TOrvaInstallSet::LoadFromStream(TStream& stream) {
  const int version = ReadVersionTag(stream, "is");
  DiscNumber = ReadStreamInt(stream);
  ReadStreamString(stream, GameIdentity);
  ReadStreamString(stream, Text2);
  ReadStreamString(stream, Text3);
  ReadStreamString(stream, Text4);
  FlagA = ReadStreamByte(stream);
  ReadStreamString(stream, Text5);
  FlagB = ReadStreamByte(stream);
  const int32_t rows = ReadStreamCount(stream, version >= 100 ? 32 : 16);
  ReadStreamString(stream, Text6);
  NumberA = ReadStreamInt(stream);
  FlagC = ReadStreamByte(stream);
  FlagD = ReadStreamByte(stream);
  ReadStreamString(stream, Text7);
  ReadStreamString(stream, Text8);
  Values.assign(static_cast<size_t>(rows), {});
  for (auto& row : Values)
    for (int64_t& value : row) value = ReadValue(stream, version);
  for (int64_t& value : FourValues) value = ReadValue(stream, version);
  FlagE = ReadStreamByte(stream);
  FlagF = version >= 101 ? ReadStreamByte(stream) : 0;
  FileList.clear();
  if (version >= 102) {
    for (int32_t n = ReadStreamCount(stream, 4); n > 0; --n) {
      std::string s = ReadStreamString(stream);
      if (!s.empty()) FileList.push_back(std::move(s));
    }
  }
  Installed = version >= 103 ? ReadStreamByte(stream) : 0;
  FlagG = version >= 104 ? ReadStreamByte(stream) : 0;
  FlagH = version >= 105 ? ReadStreamByte(stream) : 0;
  SecondList.clear();
  if (version >= 106)
    for (int32_t n = ReadStreamCount(stream, 4); n > 0; --n) SecondList.push_back(ReadStreamString(stream));
  Text9 = version >= 107 ? ReadStreamString(stream) : std::string();
}

void TOrvaInstallSet::SaveToFile(std::string_view gamePath) const {
  TWzBigFileStream file(gamePath, TWzBigFileStream::fmCreate);
  SaveToStream(file);
  file.Commit();
}

void TOrvaInstallSet::SaveToStream(TStream& stream) const {
  WriteVersionTag(stream, "is", kVersion);
  WriteStreamInt(stream, DiscNumber);
  for (const std::string* s : {&GameIdentity, &Text2, &Text3, &Text4}) WriteStreamString(stream, *s);
  WriteStreamByte(stream, FlagA);
  WriteStreamString(stream, Text5);
  WriteStreamByte(stream, FlagB);
  WriteStreamInt(stream, static_cast<int32_t>(Values.size()));
  WriteStreamString(stream, Text6);
  WriteStreamInt(stream, NumberA);
  WriteStreamByte(stream, FlagC);
  WriteStreamByte(stream, FlagD);
  WriteStreamString(stream, Text7);
  WriteStreamString(stream, Text8);
  for (const auto& row : Values)
    for (int64_t value : row) WriteStreamInt64(stream, value);
  for (int64_t value : FourValues) WriteStreamInt64(stream, value);
  WriteStreamByte(stream, FlagE);
  WriteStreamByte(stream, FlagF);
  WriteList(stream, FileList);
  WriteStreamByte(stream, Installed);
  WriteStreamByte(stream, FlagG);
  WriteStreamByte(stream, FlagH);
  WriteList(stream, SecondList);
  WriteStreamString(stream, Text9);
}

int TOrvaInstallSet::IndexOfText(std::string_view text) const {
  for (size_t i = 0; i < FileList.size(); ++i)
    if (SameTextAscii(FileList[i], text)) return static_cast<int>(i);
  return -1;
}

int TOrvaInstallSet::IndexOfTextOrAdd(std::string_view text) {
  int index = IndexOfText(text);
  if (index >= 0) return index;
  FileList.emplace_back(text);
  return static_cast<int>(FileList.size()) - 1;
}

}  // namespace orva
