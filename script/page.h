#pragma once
// A compiled page: one scene script as the authoring tool compiled it ("osb" file), with
// the result type of its @Result, one property set per command code and its commands, made
// by the factory from their records.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/lists.h"
#include "script/command.h"

namespace orva {

class TParamCollection;
class TStream;

using TComList = TObjList<TCommand>;

// Page file versions read; older ones must be compiled again, newer ones hold no commands.
constexpr int32_t MinPageVersion = 103;
// What a page of an older version asks of the game's maker (UTF-8).
constexpr const char RebuildPrompt[] = "リビルドしてください";

class TPage {
 public:
  // A property set: bit p (bit p mod 8 of byte p div 8) set means that the object-creating
  // commands of its code carry an expression for property p.
  static constexpr int kSetBytes = 21;
  using TPropertySet = std::array<uint8_t, kSetBytes>;

  // A new page: version 104, result type PT_INT, no commands. With a store, destroying the
  // page frees the variable named 0x01 followed by the page name.
  explicit TPage(TParamCollection* store = nullptr);
  ~TPage();
  TPage(const TPage&) = delete;
  TPage& operator=(const TPage&) = delete;

  // Replaces the content by the page file of that name, read through the file manager.
  // A missing file raises "%s:ファイルがありません"; a version below 103 asks the player to
  // rebuild, requests the quit and closes the main window (the page stays empty); a bad
  // command code raises "不正なコマンド".
  void LoadFromFile(std::string_view name);
  // The same from the bytes of a page file, the name already given.
  void LoadFromStream(TStream& stream);
  void SetName(std::string_view name) { name_ = name; }

  const std::string& Name() const { return name_; }
  uint8_t ResultType() const { return resultType_; }
  int32_t Version() const { return version_; }
  int Count() const { return commands_.Count(); }
  TCommand& GetCommand(int index) const { return *commands_[index]; }
  bool Contains(int32_t index) const { return index >= 0 && index < commands_.Count(); }
  // First command answering the label, -1 when none.
  int IndexOfLabel(std::string_view label) const;
  int IndexOfCommand(const TCommand* command) const { return commands_.IndexOf(command); }
  const TPropertySet& PropertySet(int code) const { return sets_.at(static_cast<size_t>(code)); }
  bool HasProperty(int code, int property) const;

  // A command of the code byte's low 7 bits with this page as owner; "不正なコマンド" for
  // codes 61 to 127.
  std::unique_ptr<TCommand> CreateCommand(uint8_t codeByte);

 private:
  void Clear();
  void ReadPropertySets(TStream& stream);

  uint8_t resultType_ = PT_INT;
  TComList commands_;
  std::string name_;
  std::array<TPropertySet, CommandCount> sets_{};
  int32_t version_ = PageVersion;
  TParamCollection* store_;
};

}  // namespace orva
