// CSS parser: rules, selectors and declaration blocks over the token stream.
#include "ui/engine/css_parser.h"

#include <algorithm>

#include "ui/engine/css_tokenizer.h"
#include "ui/engine/css_values.h"
#include "ui/engine/text.h"

namespace engine {

namespace {

using TokenIt = const CssToken*;

bool IsOpen(CssTokenType t) {
  return t == CssTokenType::kLeftBrace || t == CssTokenType::kLeftParen || t == CssTokenType::kLeftBracket ||
         t == CssTokenType::kFunction;
}
bool IsClose(CssTokenType t) {
  return t == CssTokenType::kRightBrace || t == CssTokenType::kRightParen || t == CssTokenType::kRightBracket;
}

// Past the block or function that opens at `it` (or the end).
TokenIt SkipBlock(TokenIt it, TokenIt end) {
  int depth = 0;
  for (; it < end; ++it) {
    if (IsOpen(it->type)) {
      ++depth;
    } else if (IsClose(it->type)) {
      if (--depth <= 0) return it + 1;
    }
  }
  return end;
}

// The next token at nesting depth 0 of `type` in [it, end), or end.
TokenIt FindAtTopLevel(TokenIt it, TokenIt end, CssTokenType type) {
  while (it < end) {
    if (it->type == type) return it;
    if (IsOpen(it->type)) {
      it = SkipBlock(it, end);
      continue;
    }
    ++it;
  }
  return end;
}

// --- selectors

class SelectorParser {
 public:
  SelectorParser(TokenIt begin, TokenIt end) : it_(begin), end_(end) {}

  bool ParseList(std::vector<Selector>* out) {
    while (true) {
      SkipSpace();
      Selector selector;
      if (!ParseComplex(&selector)) return false;
      out->push_back(std::move(selector));
      SkipSpace();
      if (it_ >= end_) return true;
      if (it_->type != CssTokenType::kComma) return false;
      ++it_;
    }
  }

 private:
  void SkipSpace() {
    while (it_ < end_ && it_->type == CssTokenType::kWhitespace) ++it_;
  }

  bool ParseComplex(Selector* selector) {
    pseudo_ = &selector->pseudo;
    CompoundSelector compound;
    if (!ParseCompound(&compound)) return false;
    selector->compounds.push_back(std::move(compound));
    while (true) {
      bool sawSpace = it_ < end_ && it_->type == CssTokenType::kWhitespace;
      SkipSpace();
      if (it_ >= end_ || it_->type == CssTokenType::kComma) break;
      Combinator combinator = Combinator::kDescendant;
      if (it_->type == CssTokenType::kDelim && it_->delim == '>') {
        combinator = Combinator::kChild;
        ++it_;
        SkipSpace();
      } else if (it_->type == CssTokenType::kDelim && (it_->delim == '+' || it_->delim == '~')) {
        combinator = it_->delim == '+' ? Combinator::kNextSibling : Combinator::kSubsequentSibling;
        ++it_;
        SkipSpace();
      } else if (!sawSpace) {
        return false;
      }
      CompoundSelector next;
      if (!ParseCompound(&next)) return false;
      selector->combinators.push_back(combinator);
      selector->compounds.push_back(std::move(next));
    }
    uint32_t ids = 0, classes = 0, types = selector->pseudo != PseudoElement::kNone ? 1 : 0;
    for (const CompoundSelector& c : selector->compounds) {
      if (c.tag != kAtomNone) ++types;
      for (const SelectorCondition& cond : c.conditions) {
        if (cond.kind == SelectorCondition::kId) {
          ++ids;
        } else {
          ++classes;
        }
      }
    }
    selector->specificity = (std::min(ids, 255u) << 16) | (std::min(classes, 255u) << 8) | std::min(types, 255u);
    return true;
  }

  bool ParseCompound(CompoundSelector* compound) {
    bool any = false;
    if (it_ < end_ && it_->type == CssTokenType::kIdent) {
      compound->tag = InternAtom(AsciiLowered(it_->text));
      ++it_;
      any = true;
    } else if (it_ < end_ && it_->type == CssTokenType::kDelim && it_->delim == '*') {
      ++it_;
      any = true;
    }
    while (it_ < end_) {
      const CssToken& t = *it_;
      SelectorCondition cond;
      if (t.type == CssTokenType::kHash) {
        if (!t.hashIsId) return false;
        cond.kind = SelectorCondition::kId;
        cond.value = Utf8ToUtf16(t.text);
        ++it_;
      } else if (t.type == CssTokenType::kDelim && t.delim == '.') {
        ++it_;
        if (it_ >= end_ || it_->type != CssTokenType::kIdent) return false;
        cond.kind = SelectorCondition::kClass;
        cond.value = Utf8ToUtf16(it_->text);
        ++it_;
      } else if (t.type == CssTokenType::kLeftBracket) {
        if (!ParseAttribute(&cond)) return false;
      } else if (t.type == CssTokenType::kColon) {
        ++it_;
        bool doubleColon = it_ < end_ && it_->type == CssTokenType::kColon;
        if (doubleColon) ++it_;
        if (it_ >= end_ || it_->type != CssTokenType::kIdent) return false;  // functions
        std::string name = AsciiLowered(it_->text);
        ++it_;
        if (name == "before" || name == "after") {
          // A pseudo-element ends the selector: nothing may follow it but
          // white space and a comma.
          *pseudo_ = name == "before" ? PseudoElement::kBefore : PseudoElement::kAfter;
          SkipSpace();
          return it_ >= end_ || it_->type == CssTokenType::kComma;
        }
        if (doubleColon) return false;
        if (name == "hover") cond.kind = SelectorCondition::kHover;
        else if (name == "active") cond.kind = SelectorCondition::kActive;
        else if (name == "focus") cond.kind = SelectorCondition::kFocus;
        else if (name == "first-child") cond.kind = SelectorCondition::kFirstChild;
        else if (name == "last-child") cond.kind = SelectorCondition::kLastChild;
        else if (name == "link") cond.kind = SelectorCondition::kLink;
        else if (name == "visited") cond.kind = SelectorCondition::kVisited;
        else return false;
      } else {
        break;
      }
      compound->conditions.push_back(std::move(cond));
      any = true;
    }
    return any;
  }

  // At '['.
  bool ParseAttribute(SelectorCondition* cond) {
    ++it_;
    SkipSpace();
    if (it_ >= end_ || it_->type != CssTokenType::kIdent) return false;
    cond->attribute = InternAtom(AsciiLowered(it_->text));
    cond->kind = SelectorCondition::kAttributeExists;
    ++it_;
    SkipSpace();
    if (it_ < end_ && it_->type == CssTokenType::kRightBracket) {
      ++it_;
      return true;
    }
    if (it_ >= end_ || it_->type != CssTokenType::kDelim) return false;
    char op = it_->delim;
    ++it_;
    if (op == '~' || op == '|') {
      if (it_ >= end_ || it_->type != CssTokenType::kDelim || it_->delim != '=') return false;
      ++it_;
      cond->kind = op == '~' ? SelectorCondition::kAttributeIncludes : SelectorCondition::kAttributeDashMatch;
    } else if (op == '=') {
      cond->kind = SelectorCondition::kAttributeEquals;
    } else {
      return false;
    }
    SkipSpace();
    if (it_ >= end_ || (it_->type != CssTokenType::kIdent && it_->type != CssTokenType::kString)) return false;
    cond->value = Utf8ToUtf16(it_->text);
    ++it_;
    SkipSpace();
    if (it_ >= end_ || it_->type != CssTokenType::kRightBracket) return false;
    ++it_;
    return true;
  }

  TokenIt it_;
  TokenIt end_;
  PseudoElement* pseudo_ = nullptr;  // of the selector being parsed
};

// --- declarations

// One "name: value [!important]" in [begin, end).
void ParseDeclaration(TokenIt begin, TokenIt end, std::vector<Declaration>* out) {
  while (begin < end && begin->type == CssTokenType::kWhitespace) ++begin;
  if (begin >= end || begin->type != CssTokenType::kIdent) return;
  std::string name = AsciiLowered(begin->text);
  ++begin;
  while (begin < end && begin->type == CssTokenType::kWhitespace) ++begin;
  if (begin >= end || begin->type != CssTokenType::kColon) return;
  ++begin;
  // "!important" at the end.
  TokenIt valueEnd = end;
  while (valueEnd > begin && valueEnd[-1].type == CssTokenType::kWhitespace) --valueEnd;
  bool important = false;
  if (valueEnd > begin && valueEnd[-1].type == CssTokenType::kIdent &&
      EqualsIgnoringAsciiCase(valueEnd[-1].text, "important")) {
    TokenIt bang = valueEnd - 1;
    while (bang > begin && bang[-1].type == CssTokenType::kWhitespace) --bang;
    if (bang > begin && bang[-1].type == CssTokenType::kDelim && bang[-1].delim == '!') {
      important = true;
      valueEnd = bang - 1;
    }
  }
  ParsePropertyValue(name, begin, valueEnd, important, out);
}

void ParseDeclarations(TokenIt begin, TokenIt end, std::vector<Declaration>* out) {
  while (begin < end) {
    TokenIt semicolon = FindAtTopLevel(begin, end, CssTokenType::kSemicolon);
    ParseDeclaration(begin, semicolon, out);
    begin = semicolon < end ? semicolon + 1 : end;
  }
}

// --- rules

bool MediaListApplies(TokenIt begin, TokenIt end) {
  bool any = false;
  for (TokenIt t = begin; t < end; ++t) {
    if (t->type != CssTokenType::kIdent) continue;
    any = true;
    if (EqualsIgnoringAsciiCase(t->text, "all") || EqualsIgnoringAsciiCase(t->text, "screen")) return true;
  }
  return !any;
}

void ParseRules(TokenIt it, TokenIt end, StyleSheet* sheet, int depth) {
  while (it < end) {
    CssTokenType type = it->type;
    if (type == CssTokenType::kWhitespace || type == CssTokenType::kCdo || type == CssTokenType::kCdc ||
        type == CssTokenType::kSemicolon || type == CssTokenType::kRightBrace) {
      ++it;
      continue;
    }
    if (type == CssTokenType::kAtKeyword) {
      // An at-rule ends at ';' or after its block, whichever comes first.
      TokenIt t = it + 1;
      while (t < end && t->type != CssTokenType::kSemicolon && t->type != CssTokenType::kLeftBrace) {
        t = IsOpen(t->type) ? SkipBlock(t, end) : t + 1;
      }
      if (t < end && t->type == CssTokenType::kLeftBrace) {
        TokenIt blockEnd = SkipBlock(t, end);
        if (it->text == "media" && depth == 0 && MediaListApplies(it + 1, t)) {
          TokenIt inner = blockEnd;
          if (inner > t + 1 && inner[-1].type == CssTokenType::kRightBrace) --inner;
          ParseRules(t + 1, inner, sheet, depth + 1);
        }
        it = blockEnd;
      } else {
        it = t < end ? t + 1 : end;
      }
      continue;
    }
    // A qualified rule: selectors up to '{', declarations up to the matching '}'.
    TokenIt brace = it;
    while (brace < end && brace->type != CssTokenType::kLeftBrace) {
      brace = IsOpen(brace->type) ? SkipBlock(brace, end) : brace + 1;
    }
    if (brace >= end) return;  // a selector without a block: dropped with the rest
    TokenIt blockEnd = SkipBlock(brace, end);
    TokenIt declarationsEnd = blockEnd;
    if (declarationsEnd > brace + 1 && declarationsEnd[-1].type == CssTokenType::kRightBrace) --declarationsEnd;
    StyleRule rule;
    if (SelectorParser(it, brace).ParseList(&rule.selectors)) {
      ParseDeclarations(brace + 1, declarationsEnd, &rule.declarations);
      if (!rule.declarations.empty()) sheet->rules.push_back(std::move(rule));
    }
    it = blockEnd;
  }
}

}  // namespace

StyleSheet ParseStyleSheet(std::string_view text) {
  std::vector<CssToken> tokens = TokenizeCss(text);
  StyleSheet sheet;
  ParseRules(tokens.data(), tokens.data() + tokens.size(), &sheet, 0);
  return sheet;
}

std::vector<Declaration> ParseDeclarationList(std::string_view text) {
  std::vector<CssToken> tokens = TokenizeCss(text);
  std::vector<Declaration> out;
  ParseDeclarations(tokens.data(), tokens.data() + tokens.size(), &out);
  return out;
}

bool ParseSingleProperty(std::string_view name, std::string_view value, std::vector<Declaration>* out) {
  std::vector<CssToken> tokens = TokenizeCss(value);
  return ParsePropertyValue(AsciiLowered(name), tokens.data(), tokens.data() + tokens.size(), false, out);
}

bool ParseSelectorList(std::string_view text, std::vector<Selector>* out) {
  std::vector<CssToken> tokens = TokenizeCss(text);
  TokenIt begin = tokens.data(), end = tokens.data() + tokens.size();
  while (end > begin && end[-1].type == CssTokenType::kWhitespace) --end;
  return SelectorParser(begin, end).ParseList(out);
}

}  // namespace engine
