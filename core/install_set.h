#pragma once
// "install.dat", the record the maker's installer leaves: which disc a file lies on, the
// game's identity, whether the data was installed to the disk, and the files the game
// created since. The player reads every field and writes them all back unchanged.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

class TStream;

class TOrvaInstallSet {
 public:
  static constexpr int kVersion = 107;

  int32_t DiscNumber = 0;  // 0-based index of the disc this file lies on
  std::string GameIdentity;
  std::string Text2, Text3, Text4;
  uint8_t FlagA = 0;
  std::string Text5;
  uint8_t FlagB = 0;
  std::string Text6;
  int32_t NumberA = 0;
  uint8_t FlagC = 0, FlagD = 0;
  std::string Text7, Text8;
  // One row per record, one value of each of the four arrays per row.
  std::vector<std::array<int64_t, 4>> Values;
  std::array<int64_t, 4> FourValues{};
  uint8_t FlagE = 0, FlagF = 0;
  std::vector<std::string> FileList;  // files the game created after installation
  uint8_t Installed = 0;              // the game data is on the hard disk
  uint8_t FlagG = 0, FlagH = 0;
  std::vector<std::string> SecondList;
  std::string Text9;

  // Raises EFOpenError when the file cannot be opened.
  void LoadFromFile(std::string_view gamePath);
  // Fields of later versions keep their defaults. Counts beyond the bytes left raise EReadError.
  void LoadFromStream(TStream& stream);
  // Replaces the file only once the new record is safely on the disk.
  void SaveToFile(std::string_view gamePath) const;
  void SaveToStream(TStream& stream) const;

  // Index in the file list, ignoring ASCII case; -1 when absent.
  int IndexOfText(std::string_view text) const;
  // That index, or the index of the text appended when absent.
  int IndexOfTextOrAdd(std::string_view text);
};

}  // namespace orva
