// CSS tokenizer (CSS 2.1 core syntax, section 4.1.1), used by the style sheet
// and value parsers. Comments vanish; escapes are resolved; url(...) comes out
// as one token.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace engine {

enum class CssTokenType : unsigned char {
  kIdent, kFunction, kAtKeyword, kHash, kString, kUrl, kNumber, kPercentage, kDimension,
  kWhitespace, kColon, kSemicolon, kComma, kLeftBrace, kRightBrace, kLeftParen, kRightParen,
  kLeftBracket, kRightBracket, kDelim, kCdo, kCdc, kBadString, kBadUrl,
};

struct CssToken {
  CssTokenType type = CssTokenType::kDelim;
  std::string text;    // identifier, function name (without '('), string, url, unit, hash name
  double number = 0;   // number, percentage, dimension
  bool integer = false;
  char delim = 0;      // kDelim
  bool hashIsId = false;  // a hash that is a valid identifier (usable as #id)
};

std::vector<CssToken> TokenizeCss(std::string_view text);

}  // namespace engine
