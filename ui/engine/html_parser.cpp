// HTML parser: a tokenizer that feeds a small tree builder directly.
#include "ui/engine/html_parser.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "ui/engine/html_entities.h"
#include "ui/engine/text.h"

namespace engine {

namespace {

bool IsAsciiAlpha(char16_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiAlnum(char16_t c) { return IsAsciiAlpha(c) || (c >= '0' && c <= '9'); }

bool IsOneOf(Atom tag, std::initializer_list<Atom> tags) {
  return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

bool IsVoidElement(Atom tag) {
  return IsOneOf(tag, {kAtomArea, kAtomBase, kAtomBr, kAtomCol, kAtomEmbed, kAtomHr, kAtomImg, kAtomInput,
                       kAtomLink, kAtomMeta, kAtomParam, kAtomSource, kAtomTrack, kAtomWbr});
}

bool IsHeadElement(Atom tag) {
  return IsOneOf(tag, {kAtomTitle, kAtomMeta, kAtomLink, kAtomStyle, kAtomBase, kAtomScript});
}

// Start tags that close an open <p>.
bool ClosesParagraph(Atom tag) {
  return IsOneOf(tag, {kAtomAddress, kAtomArticle, kAtomAside, kAtomBlockquote, kAtomCenter, kAtomDir,
                       kAtomDiv, kAtomDl, kAtomFieldset, kAtomFigure, kAtomFooter, kAtomForm, kAtomH1,
                       kAtomH2, kAtomH3, kAtomH4, kAtomH5, kAtomH6, kAtomHeader, kAtomHr, kAtomMenu,
                       kAtomNav, kAtomOl, kAtomP, kAtomPre, kAtomSection, kAtomTable, kAtomUl, kAtomLi,
                       kAtomDd, kAtomDt, kAtomMain});
}

bool IsHeading(Atom tag) { return IsOneOf(tag, {kAtomH1, kAtomH2, kAtomH3, kAtomH4, kAtomH5, kAtomH6}); }

bool IsTableSection(Atom tag) { return IsOneOf(tag, {kAtomTbody, kAtomThead, kAtomTfoot}); }

// An XHTML document (a file named .xht or .xhtml, or one that starts with
// an XML declaration): the text of its style elements is XML text.
bool IsXhtml(std::u16string_view source, const std::u16string& url) {
  auto endsWith = [&url](std::u16string_view suffix) {
    if (url.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
      char16_t c = url[url.size() - suffix.size() + i];
      if ((c >= 'A' && c <= 'Z' ? char16_t(c + 32) : c) != suffix[i]) return false;
    }
    return true;
  };
  size_t start = 0;
  while (start < source.size() && (source[start] == 0xFEFF || IsSpace(source[start]))) ++start;
  return endsWith(u".xht") || endsWith(u".xhtml") || source.substr(start, 5) == u"<?xml";
}

class TreeBuilder {
 public:
  TreeBuilder(std::u16string_view source, const std::u16string& url) : src_(source), xhtml_(IsXhtml(source, url)) {
    doc_ = std::make_unique<Document>();
    doc_->url = url;
    SetDocumentRoot(doc_.get(), CreateElementNode(kAtomHtml));
    open_.push_back(doc_->root);
  }

  std::unique_ptr<Document> Run() {
    while (pos_ < src_.size()) {
      if (src_[pos_] == '<' && ReadMarkup()) continue;
      ReadText();
    }
    FlushText();
    EnsureHead();
    EnsureBody();
    return std::move(doc_);
  }

 private:
  struct Token {
    Atom tag = kAtomNone;
    bool end = false;
    bool selfClosing = false;
    std::vector<std::pair<Atom, std::u16string>> attributes;
  };

  // --- tokenizer

  // At '<'. Returns false when the '<' is plain text.
  bool ReadMarkup() {
    size_t start = pos_;
    if (Matches(start + 1, u"!--")) {
      FlushText();
      SkipComment(start + 4);
      return true;
    }
    char16_t next = start + 1 < src_.size() ? src_[start + 1] : 0;
    if (next == '!' || next == '?') {
      FlushText();
      SkipPast(start + 2, '>');
      return true;
    }
    bool end = next == '/';
    size_t nameAt = start + (end ? 2 : 1);
    if (nameAt >= src_.size() || !IsAsciiAlpha(src_[nameAt])) {
      if (end && nameAt < src_.size()) {
        SkipPast(nameAt, '>');  // "</>" or "</ ...>": dropped
        return true;
      }
      return false;
    }
    FlushText();
    Token token;
    token.end = end;
    pos_ = nameAt;
    token.tag = InternAtom(ReadName());
    ReadAttributes(token);
    if (token.end) {
      HandleEndTag(token.tag);
    } else {
      HandleStartTag(token);
    }
    return true;
  }

  bool Matches(size_t at, std::u16string_view text) const {
    return src_.size() >= at + text.size() && src_.compare(at, text.size(), text) == 0;
  }

  void SkipComment(size_t from) {
    size_t i = from;
    while (i < src_.size()) {
      if (Matches(i, u"-->")) {
        pos_ = i + 3;
        return;
      }
      if (Matches(i, u"--!>")) {
        pos_ = i + 4;
        return;
      }
      if (i == from && Matches(i, u">")) {  // "<!-->"
        pos_ = i + 1;
        return;
      }
      ++i;
    }
    pos_ = src_.size();
  }

  void SkipPast(size_t from, char16_t c) {
    size_t at = src_.find(c, from);
    pos_ = at == std::u16string_view::npos ? src_.size() : at + 1;
  }

  std::string ReadName() {
    std::string name;
    while (pos_ < src_.size()) {
      char16_t c = src_[pos_];
      if (IsSpace(c) || c == '/' || c == '>' || c == '=' || (c == '<' && !name.empty())) break;
      if (c < 0x80) {
        name.push_back(AsciiLower(char(c)));
      } else {
        name += Utf16ToUtf8(std::u16string_view(&src_[pos_], 1));
      }
      ++pos_;
    }
    return name;
  }

  void SkipSpaces() {
    while (pos_ < src_.size() && IsSpace(src_[pos_])) ++pos_;
  }

  void ReadAttributes(Token& token) {
    while (pos_ < src_.size()) {
      SkipSpaces();
      if (pos_ >= src_.size()) return;
      char16_t c = src_[pos_];
      if (c == '>') {
        ++pos_;
        return;
      }
      if (c == '/') {
        ++pos_;
        if (pos_ < src_.size() && src_[pos_] == '>') {
          token.selfClosing = true;
          ++pos_;
          return;
        }
        continue;
      }
      if (c == '<') return;  // an unclosed tag: the next tag starts here
      std::string name = ReadName();
      if (name.empty()) {
        ++pos_;  // a stray '=' or the like
        continue;
      }
      std::u16string value;
      SkipSpaces();
      if (pos_ < src_.size() && src_[pos_] == '=') {
        ++pos_;
        SkipSpaces();
        value = ReadAttributeValue();
      }
      Atom atom = InternAtom(name);
      bool seen = std::any_of(token.attributes.begin(), token.attributes.end(),
                              [atom](const auto& a) { return a.first == atom; });
      if (!seen) token.attributes.emplace_back(atom, std::move(value));
    }
  }

  std::u16string ReadAttributeValue() {
    if (pos_ >= src_.size()) return std::u16string();
    char16_t quote = src_[pos_];
    size_t begin, end;
    if (quote == '"' || quote == '\'') {
      begin = pos_ + 1;
      size_t close = src_.find(quote, begin);
      end = close == std::u16string_view::npos ? src_.size() : close;
      pos_ = close == std::u16string_view::npos ? src_.size() : close + 1;
    } else {
      begin = pos_;
      while (pos_ < src_.size() && !IsSpace(src_[pos_]) && src_[pos_] != '>') ++pos_;
      end = pos_;
    }
    return DecodeCharacterReferences(src_.substr(begin, end - begin), true);
  }

  // Text up to the next '<' that starts markup (or the end).
  void ReadText() {
    size_t begin = pos_;
    size_t end = src_.find('<', pos_ + 1);
    if (end == std::u16string_view::npos) end = src_.size();
    pos_ = end;
    pendingText_ += DecodeCharacterReferences(src_.substr(begin, end - begin), false);
  }

  void FlushText() {
    if (pendingText_.empty()) return;
    std::u16string text;
    text.swap(pendingText_);
    AddText(std::move(text));
  }

  static void AppendCodePoint(std::u16string& out, uint32_t cp) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
  }

  // XML text: CDATA sections as they are, character references decoded
  // elsewhere (what a browser does with the style sheets of an XHTML page).
  static std::u16string XmlText(std::u16string_view raw) {
    static constexpr std::u16string_view kOpen = u"<![CDATA[", kClose = u"]]>";
    std::u16string out;
    size_t at = 0;
    while (at < raw.size()) {
      size_t open = raw.find(kOpen, at);
      out += DecodeCharacterReferences(raw.substr(at, open == std::u16string_view::npos ? raw.size() - at : open - at),
                                       false);
      if (open == std::u16string_view::npos) break;
      size_t begin = open + kOpen.size();
      size_t close = raw.find(kClose, begin);
      if (close == std::u16string_view::npos) close = raw.size();
      out += raw.substr(begin, close - begin);
      at = close + kClose.size();
    }
    return out;
  }

  static std::u16string DecodeCharacterReferences(std::u16string_view text, bool inAttribute) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
      char16_t c = text[i];
      if (c == 0) {
        out.push_back(0xFFFD);
        ++i;
        continue;
      }
      if (c != '&') {
        out.push_back(c);
        ++i;
        continue;
      }
      size_t consumed = 0;
      uint32_t cp = ReadCharacterReference(text.substr(i + 1), inAttribute, &consumed);
      if (cp == 0) {
        out.push_back('&');
        ++i;
        continue;
      }
      AppendCodePoint(out, cp);
      i += 1 + consumed;
    }
    return out;
  }

  // After '&'. Returns the code point and how many characters it used, or 0.
  static uint32_t ReadCharacterReference(std::u16string_view text, bool inAttribute, size_t* consumed) {
    if (!text.empty() && text[0] == '#') {
      size_t i = 1;
      bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
      if (hex) ++i;
      size_t digitsAt = i;
      uint64_t value = 0;
      while (i < text.size()) {
        char16_t c = text[i];
        int digit = (c >= '0' && c <= '9') ? c - '0'
                    : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (hex && c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                    : -1;
        if (digit < 0) break;
        if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + uint64_t(digit);
        ++i;
      }
      if (i == digitsAt) return 0;
      if (i < text.size() && text[i] == ';') ++i;
      *consumed = i;
      return FixNumericCharacter(value);
    }
    // Named: the longest known name that follows.
    std::string name;
    for (size_t i = 0; i < text.size() && i < kLongestCharacterName && IsAsciiAlnum(text[i]); ++i) {
      name.push_back(char(text[i]));
    }
    for (size_t length = name.size(); length > 0; --length) {
      uint32_t cp = LookUpNamedCharacter(std::string_view(name).substr(0, length));
      if (cp == 0) continue;
      bool semicolon = length < text.size() && text[length] == ';';
      if (!semicolon) {
        // Without ';' a reference in an attribute must not run into letters
        // or '=' (so "?a=1&copy=2" stays as written).
        char16_t after = length < text.size() ? text[length] : 0;
        if (inAttribute && (IsAsciiAlnum(after) || after == '=')) return 0;
      }
      *consumed = length + (semicolon ? 1 : 0);
      return cp;
    }
    return 0;
  }

  // The raw content of <script>, <style>, <title>, <textarea> up to its end tag.
  std::u16string_view ReadRawContent(Atom tag) {
    const std::string& name = AtomName(tag);
    size_t at = pos_;
    while (true) {
      at = src_.find(u"</", at);
      if (at == std::u16string_view::npos) {
        std::u16string_view content = src_.substr(pos_);
        pos_ = src_.size();
        return content;
      }
      std::u16string_view candidate = src_.substr(at + 2, name.size());
      size_t after = at + 2 + name.size();
      if (EqualsIgnoringAsciiCase(candidate, name) &&
          (after >= src_.size() || IsSpace(src_[after]) || src_[after] == '>' || src_[after] == '/')) {
        std::u16string_view content = src_.substr(pos_, at - pos_);
        SkipPast(after, '>');
        return content;
      }
      at += 2;
    }
  }

  // --- tree building

  Node* Current() const { return open_.back(); }

  void EnsureHead() {
    if (head_ == nullptr) {
      head_ = CreateElementNode(kAtomHead);
      InsertChild(doc_->root, head_, 0);
    }
  }

  void EnsureBody() {
    if (body_ != nullptr) return;
    EnsureHead();
    body_ = CreateElementNode(kAtomBody);
    AppendChild(doc_->root, body_);
    // Whatever was open in the head is closed by the body.
    open_.resize(1);
    open_.push_back(body_);
  }

  // Where content goes: inside the body (made up when needed).
  void EnsureInBody() {
    if (body_ == nullptr) EnsureBody();
    if (open_.size() == 1 || (open_.size() >= 2 && open_[1] == head_)) {
      open_.resize(1);
      open_.push_back(body_);
    }
  }

  void AddText(std::u16string text) {
    if (text.empty()) return;
    if (body_ == nullptr && IsAllSpace(text)) return;  // space before the body
    if (body_ != nullptr && open_.size() == 1) {
      if (IsAllSpace(text)) return;                      // space after </body>
    }
    EnsureInBody();
    Node* parent = Current();
    if (!parent->children.empty() && parent->children.back()->IsText()) {
      // Text on both sides of a dropped comment or script: one node.
      Node* last = parent->children.back();
      std::u16string joined(NodeText(last));
      joined += text;
      SetNodeText(last, joined);
      return;
    }
    AppendChild(parent, CreateTextNode(text));
  }

  static void MergeAttributes(Node* node, const Token& token) {
    for (const auto& [name, value] : token.attributes) {
      if (!node->attributes.Has(name)) node->attributes.Set(name, value);
    }
  }

  // Index in the open stack of the innermost `tag`, searching down to (not
  // past) any of `boundaries`; -1 when not found.
  int FindOpen(Atom tag, std::initializer_list<Atom> boundaries) const {
    for (int i = int(open_.size()) - 1; i >= 1; --i) {
      if (open_[size_t(i)]->tag == tag) return i;
      if (IsOneOf(open_[size_t(i)]->tag, boundaries)) return -1;
    }
    return -1;
  }

  void PopTo(int index) {
    // Never pops the html element, and never the body.
    size_t keep = size_t(std::max(index, 1));
    if (body_ != nullptr && keep < 2 && open_.size() >= 2 && open_[1] == body_) keep = 2;
    if (open_.size() > keep) open_.resize(keep);
  }

  void CloseIfOpen(Atom tag, std::initializer_list<Atom> boundaries) {
    int at = FindOpen(tag, boundaries);
    if (at >= 1) PopTo(at);
  }

  void CloseImpliedBy(Atom tag) {
    static const std::initializer_list<Atom> kParagraphScope = {kAtomTable, kAtomTd, kAtomTh, kAtomCaption,
                                                                kAtomButton, kAtomObject, kAtomHtml};
    if (ClosesParagraph(tag)) CloseIfOpen(kAtomP, kParagraphScope);
    if (tag == kAtomLi) CloseIfOpen(kAtomLi, {kAtomUl, kAtomOl, kAtomTable, kAtomTd, kAtomTh, kAtomMenu, kAtomDir});
    if (tag == kAtomDt || tag == kAtomDd) {
      CloseIfOpen(kAtomDt, {kAtomDl, kAtomTable, kAtomTd, kAtomTh});
      CloseIfOpen(kAtomDd, {kAtomDl, kAtomTable, kAtomTd, kAtomTh});
    }
    if (tag == kAtomOption || tag == kAtomOptgroup) {
      if (Current()->tag == kAtomOption) open_.pop_back();
      if (tag == kAtomOptgroup && Current()->tag == kAtomOptgroup) open_.pop_back();
    }
    if (IsHeading(tag) && IsHeading(Current()->tag)) open_.pop_back();
    if (tag == kAtomA) CloseIfOpen(kAtomA, {kAtomTable, kAtomTd, kAtomTh});
    // A column group holds only columns: the table's other parts close it.
    if (tag == kAtomTd || tag == kAtomTh || tag == kAtomTr || tag == kAtomCaption || tag == kAtomColgroup ||
        IsTableSection(tag)) {
      CloseIfOpen(kAtomColgroup, {kAtomTable});
    }
    if (tag == kAtomTd || tag == kAtomTh) {
      CloseIfOpen(kAtomTd, {kAtomTr, kAtomTable});
      CloseIfOpen(kAtomTh, {kAtomTr, kAtomTable});
    }
    if (tag == kAtomTr) {
      CloseIfOpen(kAtomTd, {kAtomTr, kAtomTable});
      CloseIfOpen(kAtomTh, {kAtomTr, kAtomTable});
      CloseIfOpen(kAtomTr, {kAtomTable});
    }
    if (IsTableSection(tag)) {
      CloseIfOpen(kAtomTd, {kAtomTable});
      CloseIfOpen(kAtomTh, {kAtomTable});
      CloseIfOpen(kAtomTr, {kAtomTable});
      for (Atom section : {kAtomTbody, kAtomThead, kAtomTfoot}) CloseIfOpen(section, {kAtomTable});
    }
  }

  void HandleStartTag(const Token& token) {
    Atom tag = token.tag;
    if (tag == kAtomHtml) {
      MergeAttributes(doc_->root, token);
      return;
    }
    if (tag == kAtomHead) {
      if (head_ == nullptr && body_ == nullptr) {
        EnsureHead();
        MergeAttributes(head_, token);
        open_.push_back(head_);
      }
      return;
    }
    if (tag == kAtomBody) {
      if (body_ == nullptr) EnsureBody();
      MergeAttributes(body_, token);
      EnsureInBody();
      return;
    }
    if (tag == kAtomFrameset) return;

    Node* parent;
    if (body_ == nullptr && IsHeadElement(tag)) {
      EnsureHead();
      parent = head_;
    } else {
      EnsureInBody();
      CloseImpliedBy(tag);
      parent = Current();
    }

    if (tag == kAtomScript) {
      ReadRawContent(tag);  // dropped whole
      return;
    }

    Node* element = CreateElementNode(tag);
    for (const auto& [name, value] : token.attributes) element->attributes.Set(name, value);
    AppendChild(parent, element);

    if (!token.selfClosing && (tag == kAtomStyle || tag == kAtomTitle || tag == kAtomTextarea)) {
      std::u16string_view raw = ReadRawContent(tag);
      std::u16string content = tag != kAtomStyle ? DecodeCharacterReferences(raw, false)
                               : xhtml_          ? XmlText(raw)
                                                 : std::u16string(raw);
      if (tag == kAtomTextarea && !content.empty() && content[0] == '\n') content.erase(0, 1);
      if (!content.empty()) AppendChild(element, CreateTextNode(content));
      return;
    }
    if (IsVoidElement(tag) || token.selfClosing) return;
    if (int(open_.size()) >= kMaxTreeDepth) return;  // deeper content continues as siblings
    open_.push_back(element);
    if (tag == kAtomPre && pos_ < src_.size() && src_[pos_] == '\n') ++pos_;
  }

  void HandleEndTag(Atom tag) {
    if (tag == kAtomHtml || tag == kAtomBody) return;
    if (tag == kAtomHead) {
      if (head_ != nullptr && body_ == nullptr) open_.resize(1);
      return;
    }
    if (tag == kAtomBr) {  // "</br>" reads as "<br>"
      Token token;
      token.tag = kAtomBr;
      HandleStartTag(token);
      return;
    }
    int at;
    if (tag == kAtomTd || tag == kAtomTh || tag == kAtomTr || IsTableSection(tag)) {
      at = FindOpen(tag, {kAtomTable});
    } else if (tag == kAtomTable) {
      at = FindOpen(tag, {kAtomHtml});
    } else {
      at = FindOpen(tag, {kAtomTable, kAtomTd, kAtomTh, kAtomCaption});
    }
    if (at >= 1 && open_[size_t(at)] != body_) PopTo(at);
  }

  std::u16string_view src_;
  bool xhtml_ = false;  // style text is XML text (IsXhtml)
  size_t pos_ = 0;
  std::unique_ptr<Document> doc_;
  std::vector<Node*> open_;
  Node* head_ = nullptr;
  Node* body_ = nullptr;
  std::u16string pendingText_;
};

}  // namespace

std::unique_ptr<Document> ParseHtml(std::u16string_view source, const std::u16string& url) {
  return TreeBuilder(source, url).Run();
}

}  // namespace engine
