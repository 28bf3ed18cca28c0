// CSS tokenizer.
#include "ui/engine/css_tokenizer.h"

#include "ui/engine/text.h"

namespace engine {

namespace {

bool IsNameStart(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
unsigned HexValue(char c) { return IsDigit(c) ? unsigned(c - '0') : unsigned(AsciiLower(c) - 'a' + 10); }

class Tokenizer {
 public:
  explicit Tokenizer(std::string_view text) : s_(text) {}

  std::vector<CssToken> Run() {
    std::vector<CssToken> out;
    while (pos_ < s_.size()) {
      if (At("/*")) {
        size_t end = s_.find("*/", pos_ + 2);
        pos_ = end == std::string_view::npos ? s_.size() : end + 2;
        continue;
      }
      out.push_back(Next());
    }
    return out;
  }

 private:
  bool At(std::string_view text) const { return s_.substr(pos_, text.size()) == text; }
  char Peek(size_t ahead = 0) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }

  bool StartsEscape(size_t at) const { return at + 1 < s_.size() && s_[at] == '\\' && s_[at + 1] != '\n'; }

  bool StartsIdentifier(size_t at) const {
    char c = at < s_.size() ? s_[at] : '\0';
    if (c == '-') {
      char d = at + 1 < s_.size() ? s_[at + 1] : '\0';
      return IsNameStart(static_cast<unsigned char>(d)) || d == '-' || StartsEscape(at + 1);
    }
    return IsNameStart(static_cast<unsigned char>(c)) || StartsEscape(at);
  }

  bool StartsNumber(size_t at) const {
    char c = at < s_.size() ? s_[at] : '\0';
    char d = at + 1 < s_.size() ? s_[at + 1] : '\0';
    char e = at + 2 < s_.size() ? s_[at + 2] : '\0';
    if (IsDigit(c)) return true;
    if (c == '.') return IsDigit(d);
    if (c == '+' || c == '-') return IsDigit(d) || (d == '.' && IsDigit(e));
    return false;
  }

  // After a backslash: the escaped character as UTF-8.
  std::string ReadEscape() {
    ++pos_;  // '\'
    if (pos_ >= s_.size()) return "\xEF\xBF\xBD";
    if (IsHex(s_[pos_])) {
      unsigned long cp = 0;
      int digits = 0;
      while (pos_ < s_.size() && digits < 6 && IsHex(s_[pos_])) {
        cp = cp * 16 + HexValue(s_[pos_]);
        ++pos_;
        ++digits;
      }
      if (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
      if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
      char16_t units[2];
      size_t n = 1;
      if (cp >= 0x10000) {
        units[0] = char16_t(0xD800 + ((cp - 0x10000) >> 10));
        units[1] = char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        n = 2;
      } else {
        units[0] = char16_t(cp);
      }
      return Utf16ToUtf8(std::u16string_view(units, n));
    }
    return std::string(1, s_[pos_++]);
  }

  std::string ReadName() {
    std::string name;
    while (pos_ < s_.size()) {
      unsigned char c = static_cast<unsigned char>(s_[pos_]);
      if (IsNameChar(c)) {
        name.push_back(char(c));
        ++pos_;
      } else if (StartsEscape(pos_)) {
        name += ReadEscape();
      } else {
        break;
      }
    }
    return name;
  }

  double ReadNumber(bool* integer) {
    size_t begin = pos_;
    *integer = true;
    if (Peek() == '+' || Peek() == '-') ++pos_;
    while (IsDigit(Peek())) ++pos_;
    if (Peek() == '.' && IsDigit(Peek(1))) {
      *integer = false;
      ++pos_;
      while (IsDigit(Peek())) ++pos_;
    }
    // Exponents are not CSS 2.1; "1e3" reads as 1 with unit "e3".
    size_t used = 0;
    return ReadDecimal(s_.substr(begin, pos_ - begin), &used);
  }

  CssToken ReadString(char quote) {
    CssToken token;
    token.type = CssTokenType::kString;
    ++pos_;
    while (pos_ < s_.size()) {
      char c = s_[pos_];
      if (c == quote) {
        ++pos_;
        return token;
      }
      if (c == '\n') {  // an unclosed string ends at the line
        token.type = CssTokenType::kBadString;
        return token;
      }
      if (c == '\\') {
        if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\n') {
          pos_ += 2;
          continue;
        }
        token.text += ReadEscape();
        continue;
      }
      token.text.push_back(c);
      ++pos_;
    }
    return token;
  }

  CssToken ReadUrl() {
    CssToken token;
    token.type = CssTokenType::kUrl;
    while (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
    if (Peek() == '"' || Peek() == '\'') {
      CssToken str = ReadString(Peek());
      token.text = str.text;
      while (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
      if (Peek() == ')') {
        ++pos_;
      } else {
        token.type = CssTokenType::kBadUrl;
        SkipBadUrl();
      }
      return token;
    }
    while (pos_ < s_.size()) {
      char c = s_[pos_];
      if (c == ')') {
        ++pos_;
        return token;
      }
      if (IsSpace(c)) {
        while (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
        if (Peek() == ')') {
          ++pos_;
          return token;
        }
        token.type = CssTokenType::kBadUrl;
        SkipBadUrl();
        return token;
      }
      if (c == '\\') {
        token.text += ReadEscape();
        continue;
      }
      if (c == '"' || c == '\'' || c == '(') {
        token.type = CssTokenType::kBadUrl;
        SkipBadUrl();
        return token;
      }
      token.text.push_back(c);
      ++pos_;
    }
    return token;
  }

  void SkipBadUrl() {
    while (pos_ < s_.size() && s_[pos_] != ')') ++pos_;
    if (pos_ < s_.size()) ++pos_;
  }

  CssToken Next() {
    CssToken token;
    char c = s_[pos_];
    if (IsSpace(c)) {
      while (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
      token.type = CssTokenType::kWhitespace;
      return token;
    }
    if (c == '"' || c == '\'') return ReadString(c);
    if (StartsNumber(pos_)) {
      token.number = ReadNumber(&token.integer);
      if (Peek() == '%') {
        ++pos_;
        token.type = CssTokenType::kPercentage;
      } else if (StartsIdentifier(pos_)) {
        token.type = CssTokenType::kDimension;
        token.text = AsciiLowered(ReadName());
      } else {
        token.type = CssTokenType::kNumber;
      }
      return token;
    }
    if (StartsIdentifier(pos_)) {
      token.text = ReadName();
      if (Peek() == '(') {
        ++pos_;
        if (EqualsIgnoringAsciiCase(token.text, "url")) return ReadUrl();
        token.type = CssTokenType::kFunction;
        token.text = AsciiLowered(token.text);
        return token;
      }
      token.type = CssTokenType::kIdent;
      return token;
    }
    if (c == '#' && pos_ + 1 < s_.size() &&
        (IsNameChar(static_cast<unsigned char>(s_[pos_ + 1])) || StartsEscape(pos_ + 1))) {
      ++pos_;
      token.hashIsId = StartsIdentifier(pos_);
      token.type = CssTokenType::kHash;
      token.text = ReadName();
      return token;
    }
    if (c == '@' && StartsIdentifier(pos_ + 1)) {
      ++pos_;
      token.type = CssTokenType::kAtKeyword;
      token.text = AsciiLowered(ReadName());
      return token;
    }
    if (At("<!--")) {
      pos_ += 4;
      token.type = CssTokenType::kCdo;
      return token;
    }
    if (At("-->")) {
      pos_ += 3;
      token.type = CssTokenType::kCdc;
      return token;
    }
    ++pos_;
    switch (c) {
      case ':': token.type = CssTokenType::kColon; break;
      case ';': token.type = CssTokenType::kSemicolon; break;
      case ',': token.type = CssTokenType::kComma; break;
      case '{': token.type = CssTokenType::kLeftBrace; break;
      case '}': token.type = CssTokenType::kRightBrace; break;
      case '(': token.type = CssTokenType::kLeftParen; break;
      case ')': token.type = CssTokenType::kRightParen; break;
      case '[': token.type = CssTokenType::kLeftBracket; break;
      case ']': token.type = CssTokenType::kRightBracket; break;
      case '\\':  // an escape that is not one (before a newline): a delimiter
      default:
        token.type = CssTokenType::kDelim;
        token.delim = c;
        break;
    }
    return token;
  }

  std::string_view s_;
  size_t pos_ = 0;
};

}  // namespace

std::vector<CssToken> TokenizeCss(std::string_view text) { return Tokenizer(text).Run(); }

}  // namespace engine
