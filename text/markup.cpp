#include "text/markup.h"

#include <algorithm>
#include <array>
#include <memory>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/number_text.h"
#include "core/sjis.h"
#include "scene/base_list.h"
#include "script/param_collection.h"
#include "text/glyph_char.h"
#include "text/glyph_img.h"
#include "text/glyph_var.h"
#include "text/word.h"

namespace orva {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Upper(x) == Upper(y); });
}

bool StartsNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

constexpr std::array<std::string_view, 27> kTagNames = {
    "A",   "/A",     "B",      "/B",     "FONT", "/FONT", "I",     "/I",    "S",    "/S",    "U",    "/U",   "NOBR", "/NOBR",
    "RUBY", "/RUBY", "DIV",    "/DIV",   "INDENT", "UNDENT", "BR", "CLEAR", "EVENT", "WAIT", "/WAIT", "VAR", "IMG",
};

struct TAlignName {
  std::string_view Name;
  uint8_t Code;
};
constexpr TAlignName kAlignNames[] = {{"LEFT", 1}, {"RIGHT", 2}, {"CENTER", 3}, {"TOP", 4}, {"BOTTOM", 5}};

// Blocks whose content is no text: their openers and closers.
constexpr std::string_view kSkipOpeners[] = {"<!--", "<SCRIPT", "<STYLE"};
constexpr std::string_view kSkipClosers[] = {"-->", "</SCRIPT>", "</STYLE>"};

bool IsSkipOpener(std::string_view token) {
  return std::any_of(std::begin(kSkipOpeners), std::end(kSkipOpeners), [&](auto o) { return StartsNoCase(token, o); });
}

// The whitespace-trimmed view (spaces and control characters, as the trim of the system).
std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && static_cast<uint8_t>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<uint8_t>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

// ---- Tokenizer ----

class TTokenizer {
 public:
  explicit TTokenizer(std::string source) : src_(std::move(source)) {}

  std::vector<std::string> Run() {
    const size_t n = src_.size();
    size_t i = 0;
    while (i < n) i = Handle(i);
    Emit();
    return std::move(tokens_);
  }

 private:
  bool Raw() const { return pre_ || textArea_; }
  bool EndsWithSpace() const { return !token_.empty() && token_.back() == ' '; }
  void Emit() {
    if (!token_.empty()) tokens_.push_back(std::move(token_));
    token_.clear();
  }
  // The matched text of one of the set at i, empty when none matches.
  std::string_view Match(size_t i, const std::string_view (&set)[3]) const {
    const std::string_view rest = std::string_view(src_).substr(i);
    for (std::string_view s : set)
      if (StartsNoCase(rest, s)) return rest.substr(0, s.size());
    return {};
  }

  size_t Handle(size_t i) {
    const char c = src_[i];
    // A double-byte character is one character: its trail byte never escapes or closes.
    if (IsLeadByte(c) && i + 1 < src_.size()) {
      token_.append(src_, i, 2);
      return i + 2;
    }
    if (quote_) {
      if (c == '"') quote_ = false;
      if (c != '\r' && c != '\n' && c != '\t') token_ += c;
      return i + 1;
    }
    if (std::string_view open = Match(i, kSkipOpeners); !open.empty()) {
      if (skip_ == 0) Emit();
      token_ += open;
      ++skip_;
      return i + open.size();
    }
    if (std::string_view close = Match(i, kSkipClosers); !close.empty()) {
      skip_ = std::max(0, skip_ - 1);
      token_ += close;
      if (skip_ == 0) Emit();
      return i + close.size();
    }
    if (skip_ > 0) {
      token_ += c;
      if (c == '\r') token_ += '\n';
      return i + 1;
    }
    switch (c) {
      case '<':
        if (depth_ == 0) Emit();
        token_ += '<';
        ++depth_;
        return i + 1;
      case '>':
        if (depth_ >= 1) return CloseBracket(i);
        break;
      case '\\':
        if (i + 1 < src_.size()) {
          const char next = src_[i + 1];
          if (std::string_view("\\{}%<>").find(next) != std::string_view::npos) {
            token_ += next;
            return i + 2;
          }
          return i + 1;  // the backslash is dropped
        }
        break;
      case '\r':
        if (depth_ == 0 && Raw()) {
          Emit();
          if (pre_) tokens_.emplace_back("<BR>");
        } else if (!(token_.empty() || i == 0 || EndsWithSpace())) {
          token_ += ' ';
        }
        return i + 1;
      case '\x14':
        if (Raw() || !EndsWithSpace()) token_ += ' ';
        return i + 1;
      case '\t':
        if (Raw()) token_.append(8, ' ');
        return i + 1;
      case '"':
        quote_ = true;
        token_ += c;
        return i + 1;
      case ' ':
        if (!token_.empty() && i != 0 && EndsWithSpace()) return i + 1;
        break;
    }
    token_ += c;
    return i + 1;
  }

  size_t CloseBracket(size_t i) {
    --depth_;
    if (depth_ > 0 || token_.empty()) return i + 1;  // an inner bracket's '>' is dropped
    token_ += '>';
    const std::string token = token_;
    Emit();
    size_t next = i + 1;
    const bool skipReturn = next < src_.size() && src_[next] == '\r';
    if (StartsNoCase(token, "<PRE") && !textArea_) {
      if (skipReturn) ++next;
      pre_ = true;
    } else if (StartsNoCase(token, "</PRE") && !textArea_) {
      DropBreakBefore();
      pre_ = false;
    } else if (StartsNoCase(token, "<TEXTAREA") && !pre_) {
      if (skipReturn) ++next;
      textArea_ = true;
    } else if (StartsNoCase(token, "</TEXTAREA") && !pre_) {
      DropBreakBefore();
      textArea_ = false;
    }
    return next;
  }

  // The line break just before a closing PRE or TEXTAREA tag adds no line.
  void DropBreakBefore() {
    if (tokens_.size() >= 2 && EqualsNoCase(tokens_[tokens_.size() - 2], "<BR>"))
      tokens_.erase(tokens_.end() - 2);
  }

  std::string src_;
  std::vector<std::string> tokens_;
  std::string token_;
  int depth_ = 0;
  bool quote_ = false;
  int skip_ = 0;
  bool pre_ = false;
  bool textArea_ = false;
};

// ---- Interpreter ----

template <class T>
class TStack {
 public:
  explicit TStack(T fallback) : fallback_(std::move(fallback)) {}
  void Push(T value) { items_.push_back(std::move(value)); }
  void Pop() {
    if (!items_.empty()) items_.pop_back();
  }
  const T& Top() const { return items_.empty() ? fallback_ : items_.back(); }

 private:
  T fallback_;
  std::vector<T> items_;
};

// The interpreter's state: the style stacks and flags in force.
struct TTagValList {
  explicit TTagValList(int32_t textDelay) : Wait(textDelay) {}
  TStack<int32_t> Size{0}, Color{-1}, BorderColor{-1}, ShadowColor{-1};
  TStack<std::string> FontName{std::string()};
  uint8_t Style = 0;
  bool NoBr = false;
  std::string Ruby;
  TStack<uint8_t> Align{kAlignLeft};
  std::string Link;
  TStack<int32_t> Wait;
  TStack<int32_t> Border{-1}, Shadow{-1};

  TDecorateValues Decoration() const {
    TDecorateValues v;
    v.Color = Color.Top();
    v.BorderColor = BorderColor.Top();
    v.ShadowColor = ShadowColor.Top();
    v.Size = Size.Top();
    v.Style = Style;
    v.FontName = FontName.Top();
    v.NoBr = NoBr;
    v.Ruby = Ruby;
    v.BorderWidth = Border.Top();
    v.ShadowWidth = Shadow.Top();
    return v;
  }
};

// @TextDelay as the store holds it; the program's default without a store.
int32_t CurrentTextDelay() {
  const TParamCollection* vars = GetSceneVariables();
  return vars ? vars->GlobalTextDelay : DefaultTextDelay;
}

class TInterpreter {
 public:
  explicit TInterpreter(TWzWord& word) : word_(word), v_(CurrentTextDelay()) {}

  void Run(const std::vector<std::string>& tokens) {
    for (const std::string& token : tokens) {
      tag_.Parse(token);
      Apply(tag_.Kind());
    }
  }

 private:
  template <class G>
  G* Add() {
    auto glyph = std::make_unique<G>(&word_);
    G* raw = glyph.get();
    word_.AddGlyph(std::move(glyph));
    return raw;
  }

  void AddText(std::string_view text) {
    const TDecorateValues style = v_.Decoration();
    for (size_t i = 0; i < text.size(); ++i) {
      uint16_t code = static_cast<uint8_t>(text[i]);
      if (IsLeadByte(text[i]) && i + 1 < text.size()) code = static_cast<uint16_t>(code << 8 | static_cast<uint8_t>(text[++i]));
      auto glyph = std::make_unique<TWdChar>(&word_, false);
      glyph->ChangeDecoration(style);
      glyph->SetCharCode(code);
      glyph->SetLink(v_.Link);
      glyph->SetWait(v_.Wait.Top());
      word_.AddGlyph(std::move(glyph));
    }
  }

  void PushFont() {
    v_.Size.Push(tag_.ParseInt("SIZE", v_.Size.Top()));
    v_.Color.Push(tag_.ParseColor("COLOR", v_.Color.Top()));
    v_.BorderColor.Push(tag_.ParseColor("BCOLOR", v_.BorderColor.Top()));
    v_.ShadowColor.Push(tag_.ParseColor("SCOLOR", v_.ShadowColor.Top()));
    v_.FontName.Push(tag_.GetAttr("NAME", v_.FontName.Top()));
    // BORDER and SHADOW without a value mean 1; a negative width is none.
    const auto width = [&](std::string_view name, int32_t current) {
      return tag_.HasAttr(name) ? std::max(0, tag_.ParseInt(name, 1)) : current;
    };
    v_.Border.Push(width("BORDER", v_.Border.Top()));
    v_.Shadow.Push(width("SHADOW", v_.Shadow.Top()));
  }

  void PopFont() {
    v_.Size.Pop();
    v_.Color.Pop();
    v_.BorderColor.Pop();
    v_.ShadowColor.Pop();
    v_.FontName.Pop();
    v_.Border.Pop();
    v_.Shadow.Pop();
  }

  void Apply(int kind) {
    switch (kind) {
      case kTagText: AddText(tag_.Text()); break;
      case kTagA: {
        const std::string href = tag_.GetAttr("HREF");
        if (href.empty()) throw Exception(Sjis("<A>タグにHREF値がありません"));
        v_.Link = UnescapeText(href);
        break;
      }
      case kTagEndA: v_.Link.clear(); break;
      case kTagB: v_.Style |= 1; break;
      case kTagEndB: v_.Style &= ~1; break;
      case kTagFont: PushFont(); break;
      case kTagEndFont: PopFont(); break;
      case kTagI: v_.Style |= 2; break;
      case kTagEndI: v_.Style &= ~2; break;
      case kTagS: v_.Style |= 8; break;
      case kTagEndS: v_.Style &= ~8; break;
      case kTagU: v_.Style |= 4; break;
      case kTagEndU: v_.Style &= ~4; break;
      case kTagNoBr: v_.NoBr = true; break;
      case kTagEndNoBr: v_.NoBr = false; break;
      case kTagRuby: v_.Ruby = tag_.GetAttr("VALUE"); break;
      case kTagEndRuby: v_.Ruby.clear(); break;
      case kTagDiv:
        v_.Align.Push(tag_.ParseAlign({kAlignLeft, kAlignRight, kAlignCenter}, kAlignLeft));
        Add<TWdOpeAlign>()->SetAlign(v_.Align.Top());
        break;
      case kTagEndDiv:
        v_.Align.Pop();
        Add<TWdOpeAlign>()->SetAlign(v_.Align.Top());
        break;
      case kTagIndent: Add<TWdOpeIndent>(); break;
      case kTagUndent: Add<TWdOpeUndent>(); break;
      case kTagBr: Add<TWdOpeReturn>()->SetClear(tag_.HasAttr("CLEAR")); break;
      case kTagClear: Add<TWdOpeReturn>()->SetClear(true); break;
      case kTagEvent: {
        TWdOpeEvent* event = Add<TWdOpeEvent>();
        event->SetName(UnescapeText(tag_.GetAttr("VALUE")));
        event->SetEnd(tag_.HasAttr("END"));
        break;
      }
      case kTagWait: v_.Wait.Push(tag_.ParseInt("VALUE", v_.Wait.Top())); break;
      case kTagEndWait: v_.Wait.Pop(); break;
      case kTagVar: {
        const std::string name = tag_.GetAttr("NAME");
        if (name.empty()) break;
        auto glyph = std::make_unique<TWdOpeVar>(&word_, false);
        glyph->ChangeDecoration(v_.Decoration());
        glyph->SetName(name);
        glyph->SetLink(v_.Link);
        glyph->SetWait(v_.Wait.Top());
        word_.AddGlyph(std::move(glyph));
        break;
      }
      case kTagImg: {
        const std::string source = tag_.GetAttr("SRC");
        if (source.empty()) break;
        TWdImg* image = Add<TWdImg>();
        image->SetName(source);
        image->SetAlign(tag_.ParseAlign({kImgCenter, kImgTop, kImgBottom}, kImgBottom));
        image->SetLink(v_.Link);
        image->SetWait(v_.Wait.Top());
        break;
      }
      default: break;  // PRE, TEXTAREA and the like act in the tokenizer only
    }
  }

  TWzWord& word_;
  TTagValList v_;
  TTag tag_;
};

}  // namespace

// ---- TTag ----

void TTag::Parse(std::string_view token) {
  items_.assign(1, std::string(token));
  if (token.size() < 2 || token.front() != '<' || token.back() != '>' || IsSkipOpener(token)) return;
  std::string_view rest = Trimmed(token.substr(1, token.size() - 2));
  bool first = true;
  while (!rest.empty()) {
    size_t end = rest.find_first_of(" =");
    if (end == std::string_view::npos) end = rest.size();
    std::string item(rest.substr(0, end));
    rest.remove_prefix(end);
    if (rest.size() > 1 && rest.front() != ' ') {
      rest.remove_prefix(1);  // '='
      const char quote = rest.front();
      size_t close = std::string_view::npos;
      if (quote == '"' || quote == '\'') close = rest.find(quote, 1);
      item += '\r';
      if (close != std::string_view::npos) {
        item += rest.substr(1, close - 1);
        rest.remove_prefix(close + 1);
      } else {
        // Unquoted, or a quote that does not close: to the next space.
        const size_t from = quote == '"' || quote == '\'' ? 1 : 0;
        size_t space = rest.find(' ', from);
        if (space == std::string_view::npos) space = rest.size();
        item += rest.substr(from, space - from);
        rest.remove_prefix(space);
      }
    } else if (rest == "=") {
      rest = {};
    }
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (first) {
      // The name alone stands for the tag; what a value it had is dropped.
      items_[0] = "<" + item.substr(0, item.find('\r')) + ">";
      first = false;
    } else if (!item.empty()) {
      items_.push_back(std::move(item));
    }
  }
  if (first) items_[0] = "<>";
}

int TTag::Kind() const {
  const std::string& text = Text();
  if (text.size() < 3 || text.front() != '<' || text.back() != '>') return kTagText;
  const std::string_view name = std::string_view(text).substr(1, text.size() - 2);
  for (size_t i = 0; i < kTagNames.size(); ++i)
    if (EqualsNoCase(name, kTagNames[i])) return kTagA + static_cast<int>(i);
  return kTagUnknown;
}

int TTag::IndexOfAttr(std::string_view name) const {
  for (size_t i = 1; i < items_.size(); ++i) {
    const std::string_view item = items_[i];
    if (EqualsNoCase(item.substr(0, item.find('\r')), name)) return static_cast<int>(i) - 1;
  }
  return -1;
}

std::string TTag::GetAttr(std::string_view name, std::string_view fallback) const {
  const int index = IndexOfAttr(name);
  if (index < 0) return std::string(fallback);
  const std::string& item = items_[size_t(index) + 1];
  const size_t cr = item.find('\r');
  return cr == std::string::npos ? std::string() : item.substr(cr + 1);
}

int32_t TTag::ParseInt(std::string_view name, int32_t current) const {
  int32_t value = current;
  return TryTextToInt(GetAttr(name), value) ? value : current;
}

int32_t TTag::ParseColor(std::string_view name, int32_t current) const {
  const std::string value = GetAttr(name);
  if (value.size() < 2 || value[0] != '#') return current;
  const std::string_view digits = std::string_view(value).substr(1, 6);
  uint32_t rgb = 0;
  for (char c : digits) {
    const char u = Upper(c);
    const int d = u >= '0' && u <= '9' ? u - '0' : u >= 'A' && u <= 'F' ? u - 'A' + 10 : -1;
    if (d < 0) return current;
    rgb = rgb << 4 | static_cast<uint32_t>(d);
  }
  return static_cast<int32_t>((rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF));
}

uint8_t TTag::ParseAlign(std::initializer_list<uint8_t> allowed, uint8_t fallback) const {
  const std::string value = GetAttr("ALIGN");
  for (const TAlignName& a : kAlignNames)
    if (EqualsNoCase(value, a.Name) && std::find(allowed.begin(), allowed.end(), a.Code) != allowed.end())
      return a.Code;
  return fallback;
}

// ---- Tokenizer and the word's markup ----

std::vector<std::string> TokenizeMarkup(const std::vector<std::string>& lines) {
  std::string source;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) source += '\r';
    source += lines[i];
  }
  return TTokenizer(std::move(source)).Run();
}

void TWzWord::SetText(const std::vector<std::string>& lines) {
  Clear();
  TInterpreter(*this).Run(TokenizeMarkup(lines));
}

}  // namespace orva
