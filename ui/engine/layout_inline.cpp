// Inline formatting context (CSS 2.1 section 9.4.2): white-space processing
// (16.6), line breaking at spaces and around atomic inlines with long words
// broken where nothing else fits, line boxes shortened beside floats (9.5),
// line height and vertical alignment (10.8), text-align and text-indent
// (16.1, 16.2).
#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

#include "ui/engine/layout_internal.h"
#include "ui/engine/text.h"

namespace engine {

namespace {

// Whether white-space processing would leave the text as it is.
bool NeedsNoProcessing(std::u16string_view text, WhiteSpace mode) {
  if (mode == WhiteSpace::kPre) {
    for (char16_t c : text) {
      if (c == '\r' || c == '\t') return false;
    }
    return true;
  }
  bool space = false;
  for (char16_t c : text) {
    if (c == ' ') {
      if (space) return false;
      space = true;
    } else if (IsSpace(c)) {
      return false;
    } else {
      space = false;
    }
  }
  return true;
}

// Letter case for text-transform: Latin, Latin-1 and Cyrillic letters (the
// screens' languages); anything else is left as it is.
char16_t UpperCase(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x430 && c <= 0x44F)) {
    return char16_t(c - 0x20);
  }
  if (c >= 0x450 && c <= 0x45F) return char16_t(c - 0x50);
  return c;
}

char16_t LowerCase(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x410 && c <= 0x42F)) {
    return char16_t(c + 0x20);
  }
  if (c >= 0x400 && c <= 0x40F) return char16_t(c + 0x50);
  return c;
}

// capitalize: the first letter of every word (after a space or the start).
void Transform(std::u16string& text, TextTransform transform) {
  bool wordStart = true;
  for (char16_t& c : text) {
    switch (transform) {
      case TextTransform::kUppercase: c = UpperCase(c); break;
      case TextTransform::kLowercase: c = LowerCase(c); break;
      case TextTransform::kCapitalize:
        if (wordStart) c = UpperCase(c);
        break;
      case TextTransform::kNone: break;
    }
    wordStart = IsSpace(c);
  }
}

// White-space processing (CSS 2.1 section 16.6) of a text node's text.
void ProcessWhiteSpace(std::u16string_view source, WhiteSpace mode, std::u16string& out) {
  if (mode == WhiteSpace::kPre) {
    int column = 0;
    for (size_t i = 0; i < source.size(); ++i) {
      char16_t c = source[i];
      if (c == '\r') {
        if (i + 1 < source.size() && source[i + 1] == '\n') continue;
        c = '\n';
      }
      if (c == '\t') {
        do {
          out.push_back(' ');
          ++column;
        } while (column % 8 != 0);
        continue;
      }
      out.push_back(c);
      column = c == '\n' ? 0 : column + 1;
    }
    return;
  }
  bool space = false;
  for (char16_t c : source) {
    if (IsSpace(c)) {
      space = true;
      continue;
    }
    if (space) out.push_back(' ');
    space = false;
    out.push_back(c);
  }
  if (space) out.push_back(' ');
}

}  // namespace

int StyledTextWidth(LayoutContext& ctx, const ComputedStyle& style, const char16_t* text, size_t length) {
  int width = ctx.MeasureText(style.font, text, length);
  if (style.letterSpacing == 0 && style.wordSpacing == 0) return width;
  int characters = 0, spaces = 0;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] >= 0xDC00 && text[i] <= 0xDFFF && i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF) continue;
    ++characters;
    spaces += text[i] == ' ' ? 1 : 0;
  }
  return width + characters * style.letterSpacing + spaces * style.wordSpacing;
}

int StyledSpaceWidth(LayoutContext& ctx, const ComputedStyle& style) {
  return ctx.Font(style.font).spaceWidth + style.letterSpacing + style.wordSpacing;
}

void PrepareText(Box* textBox) {
  std::u16string_view source = SourceTextOf(textBox);
  TextTransform transform = textBox->style->textTransform;
  if (transform == TextTransform::kNone && NeedsNoProcessing(source, textBox->style->whiteSpace)) {
    if (textBox->extra != nullptr) textBox->extra->hasText = false;  // the node's own text serves
    return;
  }
  textBox->ExtraData().hasText = true;
  std::u16string& out = textBox->extra->text;
  out.clear();
  out.reserve(source.size());
  ProcessWhiteSpace(source, textBox->style->whiteSpace, out);
  if (transform != TextTransform::kNone) Transform(out, transform);
}

namespace {

struct Item {
  enum Kind : uint8_t { kText, kOpen, kClose, kAtomic, kBreak, kFloat, kPositioned };
  Kind kind;
  Box* box;
};

void CollectItems(Box* parent, std::vector<Item>* items) {
  for (Box* child = parent->firstChild; child != nullptr; child = child->nextSibling) {
    if (child->IsOutOfFlowPositioned()) {
      items->push_back({Item::kPositioned, child});
    } else if (child->IsFloating()) {
      items->push_back({Item::kFloat, child});
    } else if (child->type == BoxType::kInline) {
      items->push_back({Item::kOpen, child});
      CollectItems(child, items);
      items->push_back({Item::kClose, child});
    } else if (child->type == BoxType::kText) {
      PrepareText(child);
      items->push_back({Item::kText, child});
    } else if (child->type == BoxType::kLineBreak) {
      items->push_back({Item::kBreak, child});
    } else {
      items->push_back({Item::kAtomic, child});
    }
  }
}

int StartEdge(const Box* box) { return box->margin[kLeft] + box->BorderWidth(kLeft) + box->padding[kLeft]; }
int EndEdge(const Box* box) { return box->margin[kRight] + box->BorderWidth(kRight) + box->padding[kRight]; }

class LineBuilder {
 public:
  LineBuilder(LayoutState& state, Box* container, FloatContext* floats, int bfcX, int bfcY, int containingHeight)
      : state_(state),
        ctx_(state.context),
        container_(container),
        floats_(floats),
        bfcX_(bfcX),
        bfcY_(bfcY),
        containingHeight_(containingHeight) {
    contentLeft_ = container->ContentLeft();
    contentTop_ = container->ContentTop();
    width_ = container->width;
    const ComputedStyle& s = *container->style;
    rootMetrics_ = ctx_.Font(s.font).metrics;
    rootLineHeight_ = UsedLineHeight(ctx_, s);
    indent_ = ResolveLength(s.textIndent, width_);
  }

  int Run() {
    std::vector<Item> items;
    CollectItems(container_, &items);
    StartLine();
    for (const Item& item : items) {
      switch (item.kind) {
        case Item::kText: AddText(item.box); break;
        case Item::kOpen: OpenInline(item.box); break;
        case Item::kClose: CloseInline(item.box); break;
        case Item::kAtomic: AddAtomic(item.box); break;
        case Item::kBreak:
          CommitRun(true);
          hasContent_ = true;
          EndLine();
          break;
        case Item::kFloat: AddFloat(item.box); break;
        case Item::kPositioned: AddPositioned(item.box); break;
      }
    }
    CommitRun(false);
    EndLine();
    int height = lineTop_;
    if (lines_.empty()) {
      container_->inlines.reset();
    } else {
      container_->inlines = InlineContent::Make(lines_, fragments_);
    }
    // Floats deferred past the last line still take their place.
    return height;
  }

 private:
  // An operation waiting for the next break opportunity.
  struct Op {
    enum Kind : uint8_t { kText, kOpen, kClose, kAtomic } kind;
    Box* box;
    uint32_t start, length;
    int width;
    bool space;  // a single collapsible space
  };

  // --- the pending run (content between break opportunities)

  int RunWidthWithoutTrailingSpace() const {
    int w = runWidth_;
    for (auto it = run_.rbegin(); it != run_.rend(); ++it) {
      if (it->kind == Op::kText && it->space) {
        w -= it->width;
        continue;
      }
      if (it->kind == Op::kClose || it->kind == Op::kOpen) continue;
      break;
    }
    return w;
  }

  int Available() const { return lineRight_ - lineLeft_ - (firstLine_ ? indent_ : 0); }

  bool Narrowed() const { return lineLeft_ > 0 || lineRight_ < width_; }

  // Puts the pending run on this line, or on the next when it does not fit
  // and a break may come before it. `opportunityAfter`: whether a line may
  // break after the run.
  void CommitRun(bool opportunityAfter) {
    if (run_.empty()) {
      runBreakable_ = runBreakable_ || opportunityAfter;
      return;
    }
    int width = RunWidthWithoutTrailingSpace();
    if (hasContent_ && x_ + width > Available() && runBreakable_) EndLine(true);
    // Nothing fits beside the floats: go below them (CSS 2.1 section 9.5).
    while (!hasContent_ && x_ + width > Available() && Narrowed() && floats_ != nullptr) {
      int next = floats_->NextBottomBelow(bfcY_ + contentTop_ + lineTop_, bfcX_ + contentLeft_,
                                          bfcX_ + contentLeft_ + width_);
      if (next == INT_MAX) break;
      lineTop_ = next - bfcY_ - contentTop_;
      ComputeBand();
    }
    // A word wider than the line stays whole and sticks out, as in browsers.
    for (const Op& op : run_) Apply(op);
    run_.clear();
    runWidth_ = 0;
    runBreakable_ = opportunityAfter;
  }

  void Push(const Op& op) {
    run_.push_back(op);
    runWidth_ += op.width;
  }

  // --- items

  void AddText(Box* box) {
    std::u16string_view text = TextOf(box);
    const ComputedStyle& s = *box->style;
    bool pre = s.whiteSpace == WhiteSpace::kPre;
    bool wrap = s.whiteSpace == WhiteSpace::kNormal;
    size_t i = 0;
    while (i < text.size()) {
      char16_t c = text[i];
      if (pre && c == '\n') {
        CommitRun(true);
        hasContent_ = true;
        EndLine();
        ++i;
        continue;
      }
      if (!pre && c == ' ') {
        if (!lastWasSpace_) {
          Push(Op{Op::kText, box, uint32_t(i), 1, StyledSpaceWidth(ctx_, s), true});
          if (wrap) CommitRun(true);
          lastWasSpace_ = true;
        }
        ++i;
        continue;
      }
      size_t j = i;
      if (pre) {
        while (j < text.size() && text[j] != '\n') ++j;
      } else {
        while (j < text.size() && text[j] != ' ') ++j;
      }
      int w = StyledTextWidth(ctx_, s, text.data() + i, j - i);
      Push(Op{Op::kText, box, uint32_t(i), uint32_t(j - i), w, false});
      lastWasSpace_ = false;
      i = j;
    }
  }

  void OpenInline(Box* box) {
    ResolvePaddingAndMargins(box, width_);
    ApplyRelativeOffset(box, width_, containingHeight_);
    Push(Op{Op::kOpen, box, 0, 0, StartEdge(box), false});
  }

  void CloseInline(Box* box) { Push(Op{Op::kClose, box, 0, 0, EndEdge(box), false}); }

  // Lines may break before and after an image or inline block.
  void AddAtomic(Box* box) {
    bool wrap = container_->style->whiteSpace == WhiteSpace::kNormal;
    CommitRun(wrap);
    LayoutShrinkToFit(state_, box, width_, containingHeight_, width_);
    int w = box->BorderBoxWidth() + box->margin[kLeft] + box->margin[kRight];
    Push(Op{Op::kAtomic, box, 0, 0, w, false});
    CommitRun(wrap);
    lastWasSpace_ = false;
  }

  void AddFloat(Box* box) {
    CommitRun(false);
    LayoutShrinkToFit(state_, box, width_, containingHeight_, width_);
    int w = box->BorderBoxWidth() + box->margin[kLeft] + box->margin[kRight];
    if (!hasContent_ || x_ + w <= Available()) {
      PlaceFloat(box, container_, floats_, bfcX_, bfcY_, contentTop_ + lineTop_, containingHeight_);
      MoveWithInlineAncestors(box);
      ComputeBand();
    } else {
      deferredFloats_.push_back(box);
    }
  }

  // A float inside relatively positioned inline boxes moves with them, as
  // their text does; where it takes room stays.
  void MoveWithInlineAncestors(Box* box) {
    for (const Box* b = box->parent; b != nullptr && b != container_; b = b->parent) {
      AddRelativeOffset(box, Point{b->relX, b->relY});
    }
  }

  void AddPositioned(Box* box) {
    CommitRun(false);
    ResolvePaddingAndMargins(box, width_);
    if (box->style->inlineOrigin) {
      NotePositioned(state_, box, container_, Point{contentLeft_ + lineLeft_ + x_, contentTop_ + lineTop_});
    } else if (hasContent_ || x_ > 0) {
      // A block-level box starts where a block in its place would: below a
      // line that has content, at the start of the container's content.
      deferredPositioned_.push_back(box);
    } else {
      NotePositioned(state_, box, container_, Point{contentLeft_, contentTop_ + lineTop_});
    }
  }

  // --- the current line

  void ComputeBand() {
    lineLeft_ = 0;
    lineRight_ = width_;
    if (floats_ == nullptr || floats_->Empty()) return;
    int left, right;
    int minX = bfcX_ + contentLeft_;
    floats_->FreeSpan(bfcY_ + contentTop_ + lineTop_, rootLineHeight_, minX, minX + width_, &left, &right);
    lineLeft_ = left - minX;
    lineRight_ = right - minX;
  }

  void StartLine() {
    ComputeBand();
    x_ = 0;
    hasContent_ = false;
    lastWasSpace_ = true;
    lineFirstFragment_ = uint32_t(fragments_.size());
    // Inline boxes still open continue on this line.
    for (OpenBox& open : open_) {
      LineFragment f;
      f.kind = LineFragment::kInlineBox;
      f.box = open.box;
      f.x = x_;
      open.fragment = uint32_t(fragments_.size());
      fragments_.push_back(f);
    }
  }

  void Apply(const Op& op) {
    switch (op.kind) {
      case Op::kText: {
        if (op.space && !hasContent_) return;  // a space at the start of a line goes
        LineFragment* last = LastTextFragment(true);
        if (last != nullptr && last->box == op.box && last->textStart + last->textLength == op.start &&
            op.box->style->wordSpacing == 0) {
          last->textLength += op.length;
          last->width += op.width;
        } else {
          LineFragment f;
          f.kind = LineFragment::kText;
          f.box = op.box;
          f.x = x_;
          f.width = op.width;
          f.textStart = op.start;
          f.textLength = op.length;
          fragments_.push_back(f);
        }
        x_ += op.width;
        if (!op.space) hasContent_ = true;
        break;
      }
      case Op::kOpen: {
        x_ += op.box->margin[kLeft];
        LineFragment f;
        f.kind = LineFragment::kInlineBox;
        f.box = op.box;
        f.firstOfBox = op.box->HasEdge(kLeft);
        f.x = x_;
        open_.push_back(OpenBox{op.box, uint32_t(fragments_.size())});
        fragments_.push_back(f);
        x_ += op.box->BorderWidth(kLeft) + op.box->padding[kLeft];
        if (op.width > 0) hasContent_ = true;
        break;
      }
      case Op::kClose: {
        x_ += op.box->BorderWidth(kRight) + op.box->padding[kRight];
        for (size_t i = open_.size(); i-- > 0;) {
          if (open_[i].box != op.box) continue;
          LineFragment& f = fragments_[open_[i].fragment];
          f.width = x_ - f.x;
          f.lastOfBox = op.box->HasEdge(kRight);
          open_.erase(open_.begin() + std::ptrdiff_t(i));
          break;
        }
        x_ += op.box->margin[kRight];
        if (op.width > 0) hasContent_ = true;
        break;
      }
      case Op::kAtomic: {
        LineFragment f;
        f.kind = LineFragment::kAtomic;
        f.box = op.box;
        f.x = x_ + op.box->margin[kLeft];
        f.width = op.box->BorderBoxWidth();
        f.height = op.box->BorderBoxHeight();
        fragments_.push_back(f);
        x_ += op.width;
        hasContent_ = true;
        break;
      }
    }
  }

  // The last text fragment of the line; with `adjacent`, only when nothing
  // came after it.
  LineFragment* LastTextFragment(bool adjacent = false) {
    for (size_t i = fragments_.size(); i-- > lineFirstFragment_;) {
      LineFragment& f = fragments_[i];
      if (f.kind == LineFragment::kText) return &f;
      if (adjacent) return nullptr;
    }
    return nullptr;
  }

  void TrimTrailingSpace() {
    for (size_t i = fragments_.size(); i-- > lineFirstFragment_;) {
      LineFragment& f = fragments_[i];
      if (f.kind == LineFragment::kAtomic) return;
      if (f.kind != LineFragment::kText) continue;
      if (f.box->style->whiteSpace == WhiteSpace::kPre) return;
      std::u16string_view text = TextOf(f.box);
      while (f.textLength > 0 && text[f.textStart + f.textLength - 1] == ' ') {
        int w = StyledSpaceWidth(ctx_, *f.box->style);
        f.textLength--;
        f.width -= w;
        x_ -= w;
        // The inline boxes around the space lose it too.
        for (size_t k = lineFirstFragment_; k < fragments_.size(); ++k) {
          LineFragment& g = fragments_[k];
          if (g.kind != LineFragment::kInlineBox) continue;
          bool around = false;
          for (const Box* b = f.box->parent; b != nullptr && b != container_; b = b->parent) around = around || b == g.box;
          if (around) g.width = std::max(0, g.width - w);
        }
      }
      if (f.textLength > 0) return;
    }
  }

  struct Metrics {
    int ascent, descent, halfLeadingAbove, halfLeadingBelow;
  };

  Metrics MetricsOf(const ComputedStyle& s) {
    const FontMetrics& m = ctx_.Font(s.font).metrics;
    int leading = UsedLineHeight(ctx_, s) - (m.ascent + m.descent);
    // The half-leading goes above and below; an odd pixel goes below.
    int above = leading >= 0 ? leading / 2 : -((-leading + 1) / 2);
    return Metrics{m.ascent, m.descent, above, leading - above};
  }

  // How far a box's baseline sits below its parent's (CSS 2.1 10.8.1).
  int BaselineShift(const ComputedStyle& s, const ComputedStyle& parent, int ascent, int descent) {
    const Metrics p = MetricsOf(parent);
    int parentSize = parent.font.size;
    switch (s.verticalAlign) {
      case VerticalAlign::kSub: return parentSize / 5;
      case VerticalAlign::kSuper: return -parentSize / 3;
      case VerticalAlign::kTextTop: return -p.ascent + ascent;
      case VerticalAlign::kTextBottom: return p.descent - descent;
      case VerticalAlign::kMiddle: return (ascent - descent) / 2 - parentSize / 4;
      case VerticalAlign::kLength: return -ResolveLength(s.verticalAlignLength, UsedLineHeight(ctx_, s));
      default: return 0;
    }
  }

  // `wrapped`: the line ends because the next content did not fit (not at a
  // forced break or the end of the block), so text-align: justify applies.
  void EndLine(bool wrapped = false) {
    TrimTrailingSpace();
    // Inline boxes open at the end of the line end here for this line.
    for (OpenBox& open : open_) {
      LineFragment& f = fragments_[open.fragment];
      f.width = x_ - f.x;
    }
    // Runs left empty by the trimming go.
    auto& fragments = fragments_;
    fragments.erase(std::remove_if(fragments.begin() + lineFirstFragment_, fragments.end(),
                                   [](const LineFragment& f) {
                                     return f.kind == LineFragment::kText && f.textLength == 0;
                                   }),
                    fragments.end());
    uint32_t first = lineFirstFragment_;
    uint32_t count = uint32_t(fragments_.size()) - first;
    if (!hasContent_) {
      fragments_.resize(first);
    } else {
      if (wrapped && container_->style->textAlign == TextAlign::kJustify) count = Justify(first, count);
      FinishLine(first, count);
    }
    firstLine_ = firstLine_ && !hasContent_;
    for (Box* f : deferredFloats_) {
      PlaceFloat(f, container_, floats_, bfcX_, bfcY_, contentTop_ + lineTop_, containingHeight_);
      MoveWithInlineAncestors(f);
    }
    deferredFloats_.clear();
    for (Box* p : deferredPositioned_) NotePositioned(state_, p, container_, Point{contentLeft_, contentTop_ + lineTop_});
    deferredPositioned_.clear();
    StartLine();
  }

  // text-align: justify (CSS 2.1 section 16.2): the room a wrapped line
  // leaves goes to its spaces, so that it reaches both edges. Text fragments
  // are cut after each space so that every word can move; inline boxes widen
  // by what the spaces inside them gained. Returns the line's new fragment
  // count.
  uint32_t Justify(uint32_t first, uint32_t count) {
    int room = Available() - x_;
    if (room <= 0) return count;
    auto stretches = [](const LineFragment& f) {
      return f.kind == LineFragment::kText && f.box->style->whiteSpace != WhiteSpace::kPre;
    };
    int spaces = 0;
    for (uint32_t k = first; k < first + count; ++k) {
      const LineFragment& f = fragments_[k];
      if (!stretches(f)) continue;
      std::u16string_view text = TextOf(f.box).substr(f.textStart, f.textLength);
      spaces += int(std::count(text.begin(), text.end(), u' '));
    }
    if (spaces == 0) return count;
    // Where each stretched space ends (in the line as laid out) and how far
    // everything from there on moves.
    std::vector<std::pair<int, int>>& moves = justifyMoves_;
    moves.clear();
    std::vector<LineFragment>& pieces = justifyPieces_;
    pieces.clear();
    int added = 0, seen = 0;
    for (uint32_t k = first; k < first + count; ++k) {
      const LineFragment& f = fragments_[k];
      if (!stretches(f)) {
        pieces.push_back(f);
        continue;
      }
      std::u16string_view text = TextOf(f.box);
      const ComputedStyle& style = *f.box->style;
      int spaceWidth = StyledSpaceWidth(ctx_, style);
      uint32_t at = f.textStart, end = f.textStart + f.textLength;
      int x = f.x;
      while (at < end) {
        uint32_t wordEnd = at;
        while (wordEnd < end && text[wordEnd] != ' ') ++wordEnd;
        bool space = wordEnd < end;
        LineFragment piece = f;
        piece.x = x;
        piece.textStart = at;
        piece.textLength = wordEnd - at + (space ? 1 : 0);
        piece.width = (wordEnd > at ? StyledTextWidth(ctx_, style, text.data() + at, wordEnd - at) : 0) +
                      (space ? spaceWidth : 0);
        pieces.push_back(piece);
        x += piece.width;
        if (space) {
          added += room / spaces + (seen < room % spaces ? 1 : 0);
          ++seen;
          moves.emplace_back(x, added);
        }
        at = wordEnd + (space ? 1 : 0);
      }
    }
    // The shift of a point: what the spaces ending at or before it gained.
    auto moved = [&moves](int x) {
      auto after = std::upper_bound(moves.begin(), moves.end(), std::make_pair(x, INT_MAX));
      return x + (after == moves.begin() ? 0 : std::prev(after)->second);
    };
    for (LineFragment& f : pieces) {
      int right = moved(f.x + f.width);
      f.x = moved(f.x);
      if (f.kind == LineFragment::kInlineBox) f.width = right - f.x;
    }
    fragments_.resize(first);
    fragments_.insert(fragments_.end(), pieces.begin(), pieces.end());
    x_ += room;
    return uint32_t(pieces.size());
  }

  // Vertical alignment, line height (CSS 2.1 10.8) and text-align.
  void FinishLine(uint32_t first, uint32_t count) {
    const ComputedStyle& root = *container_->style;
    Metrics rm = MetricsOf(root);
    int top = -(rm.ascent + rm.halfLeadingAbove);
    int bottom = rm.descent + rm.halfLeadingBelow;
    // Shifts of the inline boxes on the line, nested as they open.
    std::vector<OpenShift>& stack = stack_;
    std::vector<int>& shifts = shifts_;
    std::vector<int>& topAligned = topAligned_;  // fragment indexes
    std::vector<int>& bottomAligned = bottomAligned_;
    stack.clear();
    shifts.assign(count, 0);
    topAligned.clear();
    bottomAligned.clear();
    auto parentStyle = [&]() -> const ComputedStyle& { return stack.empty() ? root : *stack.back().box->style; };
    auto parentShift = [&]() { return stack.empty() ? 0 : stack.back().shift; };
    for (uint32_t k = 0; k < count; ++k) {
      LineFragment& f = fragments_[first + k];
      // Pop inline boxes that are not ancestors of this fragment.
      while (!stack.empty()) {
        const Box* b = f.box->parent;
        bool inside = false;
        for (; b != nullptr && b != container_; b = b->parent) inside = inside || b == stack.back().box;
        if (inside) break;
        stack.pop_back();
      }
      if (f.kind == LineFragment::kInlineBox) {
        Metrics m = MetricsOf(*f.box->style);
        VerticalAlign va = f.box->style->verticalAlign;
        int shift = parentShift() + BaselineShift(*f.box->style, parentStyle(), m.ascent, m.descent);
        shifts[k] = shift;
        stack.push_back(OpenShift{f.box, shift});
        if (va == VerticalAlign::kTop || va == VerticalAlign::kBottom) {
          (va == VerticalAlign::kTop ? topAligned : bottomAligned).push_back(int(k));
          continue;
        }
        top = std::min(top, shift - m.ascent - m.halfLeadingAbove);
        bottom = std::max(bottom, shift + m.descent + m.halfLeadingBelow);
      } else if (f.kind == LineFragment::kText) {
        shifts[k] = parentShift();
      } else {
        Box* b = f.box;
        int h = b->BorderBoxHeight() + b->margin[kTop] + b->margin[kBottom];
        int baseline = h;  // bottom margin edge
        if (b->type == BoxType::kInlineBlock && !b->style->ClipsContent()) {
          int last = LastBaseline(b);
          if (last >= 0) baseline = b->margin[kTop] + last;
        } else if (b->type == BoxType::kTable) {
          int first = TableBaseline(b);  // an inline table sits on its first row's baseline
          if (first >= 0) baseline = b->margin[kTop] + first;
        }
        VerticalAlign va = b->style->verticalAlign;
        int shift = parentShift();
        if (va == VerticalAlign::kMiddle) {
          shift += baseline - h / 2 - parentStyle().font.size / 4;
        } else if (va == VerticalAlign::kTextTop) {
          shift += -MetricsOf(parentStyle()).ascent + baseline;  // top at the parent's ascent
        } else if (va == VerticalAlign::kTextBottom) {
          shift += MetricsOf(parentStyle()).descent - (h - baseline);  // bottom at its descent
        } else if (va != VerticalAlign::kTop && va != VerticalAlign::kBottom) {
          shift += BaselineShift(*b->style, parentStyle(), 0, 0);
        }
        shifts[k] = shift;
        f.baseline = baseline;  // kept here until positions are set
        if (va == VerticalAlign::kTop || va == VerticalAlign::kBottom) {
          (va == VerticalAlign::kTop ? topAligned : bottomAligned).push_back(int(k));
          continue;
        }
        top = std::min(top, shift - baseline);
        bottom = std::max(bottom, shift - baseline + h);
      }
    }
    // Boxes aligned to the line's top or bottom may make it taller.
    auto extentOf = [&](int k) {
      const LineFragment& f = fragments_[first + uint32_t(k)];
      if (f.kind == LineFragment::kAtomic) {
        return f.box->BorderBoxHeight() + f.box->margin[kTop] + f.box->margin[kBottom];
      }
      Metrics m = MetricsOf(*f.box->style);
      return m.ascent + m.descent + m.halfLeadingAbove + m.halfLeadingBelow;
    };
    for (int k : topAligned) bottom = std::max(bottom, top + extentOf(k));
    for (int k : bottomAligned) top = std::min(top, bottom - extentOf(k));
    for (int k : topAligned) {
      LineFragment& f = fragments_[first + uint32_t(k)];
      if (f.kind == LineFragment::kAtomic) {
        shifts[size_t(k)] = top + f.baseline;
      } else {
        Metrics m = MetricsOf(*f.box->style);
        shifts[size_t(k)] = top + m.ascent + m.halfLeadingAbove;
      }
    }
    for (int k : bottomAligned) {
      LineFragment& f = fragments_[first + uint32_t(k)];
      if (f.kind == LineFragment::kAtomic) {
        shifts[size_t(k)] = bottom - extentOf(k) + f.baseline;
      } else {
        Metrics m = MetricsOf(*f.box->style);
        shifts[size_t(k)] = bottom - m.descent - m.halfLeadingBelow;
      }
    }
    // Text inside a top- or bottom-aligned inline box moves with it.
    stack.clear();

    LineBox line;
    line.y = contentTop_ + lineTop_;
    line.height = bottom - top;
    line.baseline = line.y - top;
    line.firstFragment = first;
    line.fragmentCount = count;

    int lineWidth = Available();
    int offset = 0;
    TextAlign align = root.textAlign;
    // In rtl the start is on the right, also for a justified block's lines
    // that are not spread.
    if (align == TextAlign::kRight || (root.rtl && (align == TextAlign::kStart || align == TextAlign::kJustify))) {
      offset = std::max(0, lineWidth - x_);
    }
    if (align == TextAlign::kCenter) offset = std::max(0, (lineWidth - x_) / 2);
    // A line too long for its box starts at its start edge and sticks out at
    // the end: to the left in rtl.
    if (x_ > lineWidth) offset = root.rtl ? lineWidth - x_ : 0;
    int left = contentLeft_ + lineLeft_ + (firstLine_ ? indent_ : 0) + offset;

    // Text inherits the shift of the inline box it sits in, which may have
    // been aligned to the line's top or bottom just now.
    std::vector<std::pair<const Box*, int>>& boxShift = boxShift_;
    boxShift.clear();
    for (uint32_t k = 0; k < count; ++k) {
      LineFragment& f = fragments_[first + k];
      if (f.kind == LineFragment::kInlineBox) boxShift.emplace_back(f.box, shifts[k]);
      if (f.kind == LineFragment::kText) {
        for (auto it = boxShift.rbegin(); it != boxShift.rend(); ++it) {
          if (it->first == f.box->parent) {
            shifts[k] = it->second;
            break;
          }
        }
      }
    }

    for (uint32_t k = 0; k < count; ++k) {
      LineFragment& f = fragments_[first + k];
      int baseline = line.baseline + shifts[k];
      // Relatively positioned inline boxes move with what is inside them.
      int dx = 0, dy = 0;
      for (const Box* b = f.kind == LineFragment::kInlineBox ? f.box : f.box->parent; b != nullptr && b != container_;
           b = b->parent) {
        dx += b->relX;
        dy += b->relY;
      }
      baseline += dy;
      f.x += left + dx;
      switch (f.kind) {
        case LineFragment::kText: {
          const FontMetrics& m = ctx_.Font(f.box->style->font).metrics;
          f.y = baseline - m.ascent;
          f.height = m.ascent + m.descent;
          f.baseline = baseline;
          break;
        }
        case LineFragment::kInlineBox: {
          const FontMetrics& m = ctx_.Font(f.box->style->font).metrics;
          f.y = baseline - m.ascent - f.box->padding[kTop] - f.box->BorderWidth(kTop);
          f.height = m.ascent + m.descent + f.box->padding[kTop] + f.box->padding[kBottom] +
                     f.box->BorderWidth(kTop) + f.box->BorderWidth(kBottom);
          f.baseline = baseline;
          break;
        }
        case LineFragment::kAtomic: {
          Box* b = f.box;
          b->x = f.x;
          b->y = baseline - f.baseline + b->margin[kTop];
          f.y = b->y;
          f.baseline = baseline;
          ApplyRelativeOffset(b, width_, containingHeight_);
          break;
        }
      }
    }
    lines_.push_back(line);
    lineTop_ += line.height;
  }

  struct OpenBox {
    Box* box;
    uint32_t fragment;  // its fragment on the current line
  };
  struct OpenShift {
    const Box* box;
    int shift;
  };
  // Scratch of FinishLine, kept across lines.
  std::vector<OpenShift> stack_;
  std::vector<int> shifts_, topAligned_, bottomAligned_;
  std::vector<std::pair<const Box*, int>> boxShift_;
  // Scratch of Justify.
  std::vector<std::pair<int, int>> justifyMoves_;
  std::vector<LineFragment> justifyPieces_;

  LayoutState& state_;
  LayoutContext& ctx_;
  Box* container_;
  FloatContext* floats_;
  int bfcX_, bfcY_;
  int containingHeight_;
  std::vector<LineBox> lines_;
  std::vector<LineFragment> fragments_;
  int contentLeft_ = 0, contentTop_ = 0, width_ = 0;
  FontMetrics rootMetrics_;
  int rootLineHeight_ = 0;
  int indent_ = 0;

  std::vector<Op> run_;
  int runWidth_ = 0;
  bool runBreakable_ = false;  // a line may break before the pending run
  std::vector<OpenBox> open_;
  std::vector<Box*> deferredFloats_;
  std::vector<Box*> deferredPositioned_;  // block-level, placed below the current line

  int lineTop_ = 0;  // content coordinates
  int lineLeft_ = 0, lineRight_ = 0;
  int x_ = 0;        // pen, from the line's left edge
  bool hasContent_ = false;
  bool lastWasSpace_ = true;
  bool firstLine_ = true;
  uint32_t lineFirstFragment_ = 0;
};

}  // namespace

int LayoutInlineContent(LayoutState& state, Box* container, FloatContext* floats, int bfcX, int bfcY,
                        int containingHeight) {
  return LineBuilder(state, container, floats, bfcX, bfcY, containingHeight).Run();
}

void InlineIntrinsicWidths(LayoutState& state, Box* container, int* minWidth, int* maxWidth) {
  LayoutContext& ctx = state.context;
  std::vector<Item> items;
  CollectItems(container, &items);
  int run = 0, line = 0, maxRun = 0, maxLine = 0;
  // Spaces at the end of a line are removed (CSS 2.1 16.6.1): the width of
  // those since the last word does not count if the line ends there.
  int trailing = 0;
  bool lastSpace = true;
  auto opportunity = [&]() {
    maxRun = std::max(maxRun, run);
    run = 0;
  };
  auto lineEnd = [&]() {
    opportunity();
    maxLine = std::max(maxLine, line - trailing);
    line = 0;
    trailing = 0;
    lastSpace = true;
  };
  line = container->style->textIndent.IsFixed() ? ResolveLength(container->style->textIndent, 0) : 0;
  for (const Item& item : items) {
    Box* box = item.box;
    switch (item.kind) {
      case Item::kText: {
        const ComputedStyle& s = *box->style;
        std::u16string_view text = TextOf(box);
        bool pre = s.whiteSpace == WhiteSpace::kPre;
        bool wrap = s.whiteSpace == WhiteSpace::kNormal;
        int space = StyledSpaceWidth(ctx, s);
        size_t i = 0;
        while (i < text.size()) {
          if (pre && text[i] == '\n') {
            lineEnd();
            ++i;
            continue;
          }
          if (!pre && text[i] == ' ') {
            if (!lastSpace) {
              line += space;
              trailing += space;
              if (wrap) {
                opportunity();
              } else {
                run += space;
              }
            }
            lastSpace = true;
            ++i;
            continue;
          }
          size_t j = i;
          while (j < text.size() && text[j] != (pre ? '\n' : ' ')) ++j;
          int w = StyledTextWidth(ctx, s, text.data() + i, j - i);
          run += w;
          line += w;
          trailing = 0;
          lastSpace = false;
          i = j;
        }
        break;
      }
      case Item::kOpen:
      case Item::kClose: {
        // Fixed margins, borders and padding (percentages refer to the width being found).
        int side = item.kind == Item::kOpen ? kLeft : kRight;
        if (!box->HasEdge(side)) break;
        const ComputedStyle& bs = *box->style;
        int w = box->BorderWidth(side);
        if (bs.margin[side].IsFixed()) w += ResolveLength(bs.margin[side], 0);
        if (bs.padding[side].IsFixed()) w += std::max(0, ResolveLength(bs.padding[side], 0));
        run += w;
        line += w;
        break;
      }
      case Item::kAtomic:
      case Item::kFloat: {
        int minW, maxW;
        IntrinsicWidths(state, box, &minW, &maxW);
        opportunity();
        maxRun = std::max(maxRun, minW);
        if (item.kind == Item::kFloat) {
          maxLine = std::max(maxLine, maxW);
        } else {
          line += maxW;
          trailing = 0;
          lastSpace = false;
        }
        break;
      }
      case Item::kBreak:
        lineEnd();
        break;
      case Item::kPositioned:
        break;
    }
  }
  lineEnd();
  *minWidth = maxRun;
  *maxWidth = std::max(maxLine, maxRun);
}

}  // namespace engine
