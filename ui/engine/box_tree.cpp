// Box tree construction: principal boxes, anonymous blocks, table fix-ups.
#include "ui/engine/box_tree.h"

#include <algorithm>
#include <memory>
#include <new>

#include "ui/engine/cascade.h"
#include "ui/engine/pool.h"
#include "ui/engine/text.h"
#include "ui/engine/url.h"

namespace engine {

Box::~Box() {
  Box* child = firstChild;
  while (child != nullptr) {
    Box* next = child->nextSibling;
    delete child;
    child = next;
  }
  // A continuation is never its node's box (and may outlive the node until
  // its container is rebuilt).
  if (node != nullptr && !Is(kBoxContinuation) && node->box == this) node->box = nullptr;
}

std::unique_ptr<InlineContent> InlineContent::Make(const std::vector<LineBox>& lines,
                                                   const std::vector<LineFragment>& fragments) {
  InlineContent probe(lines.size(), fragments.size());
  size_t bytes = probe.FragmentsOffset() + fragments.size() * sizeof(LineFragment);
  void* memory = ::operator new(bytes);
  std::unique_ptr<InlineContent> content(new (memory) InlineContent(lines.size(), fragments.size()));
  std::uninitialized_copy(lines.begin(), lines.end(), content->LineData());
  std::uninitialized_copy(fragments.begin(), fragments.end(), content->FragmentData());
  return content;
}

const Node* ElementOfBox(const Box* box) {
  if (box->node != nullptr) return box->node->IsElement() ? box->node : box->node->parent;
  if (!box->Is(kBoxGenerated)) return nullptr;
  for (const Box* b = box->parent; b != nullptr; b = b->parent) {
    if (b->node != nullptr) return b->node;
  }
  return nullptr;
}

std::u16string ImageAddress(const Box* box) {
  if (box->node == nullptr) return std::u16string();
  const char16_t* src = box->node->attributes.Find(kAtomSrc);
  if (src == nullptr) return std::u16string();
  Document* document = DocumentOf(box->node);
  return ResolveAddress(document != nullptr ? document->url : std::u16string(), src);
}

Rect Box::Overflow() const {
  Rect r = BorderBoxRect();
  // A saturated side reaches as far as anything can.
  auto out = [](int16_t v) { return v == kFarOverflow ? 1 << 28 : int(v); };
  return Rect{r.x - out(overflowOut[kLeft]), r.y - out(overflowOut[kTop]),
              r.width + out(overflowOut[kLeft]) + out(overflowOut[kRight]),
              r.height + out(overflowOut[kTop]) + out(overflowOut[kBottom])};
}

void Box::SetOverflow(const Rect& area) {
  Rect r = BorderBoxRect();
  auto clamp = [](int v) { return int16_t(std::max(0, std::min(int(kFarOverflow), v))); };
  overflowOut[kLeft] = clamp(r.x - area.x);
  overflowOut[kTop] = clamp(r.y - area.y);
  overflowOut[kRight] = clamp(area.Right() - r.Right());
  overflowOut[kBottom] = clamp(area.Bottom() - r.Bottom());
}

void Box::SetScrollHeight(int value) {
  if (extra == nullptr && value == height + padding[kTop] + padding[kBottom]) return;
  ExtraData().scrollHeight = value;
}

Box::Extra& Box::ExtraData() {
  if (extra == nullptr) extra = std::make_unique<Extra>();
  return *extra;
}

namespace {

FixedPool<sizeof(Box)>& BoxPool() {
  static FixedPool<sizeof(Box)> pool;
  return pool;
}

}  // namespace

void* Box::operator new(size_t size) {
  (void)size;
  return BoxPool().Allocate();
}

void Box::operator delete(void* p) { BoxPool().Release(p); }

Box* Box::LastChild() const {
  Box* last = firstChild;
  while (last != nullptr && last->nextSibling != nullptr) last = last->nextSibling;
  return last;
}

void MarkNeedsLayout(Box* box) {
  if (box == nullptr) return;
  box->flags |= kBoxNeedsLayout;
  box->flags &= uint16_t(~kBoxIntrinsicValid);
  for (Box* b = box->parent; b != nullptr; b = b->parent) {
    b->flags &= uint16_t(~kBoxIntrinsicValid);
    if (b->Is(kBoxChildNeedsLayout)) {
      // Ancestors are marked already; their intrinsic widths may still be cached.
      for (Box* a = b->parent; a != nullptr && a->Is(kBoxIntrinsicValid); a = a->parent) {
        a->flags &= uint16_t(~kBoxIntrinsicValid);
      }
      break;
    }
    b->flags |= kBoxChildNeedsLayout;
  }
}

void ForgetBoxesOf(Node* node) {
  // (Recursive: trees are at most kMaxTreeDepth deep.)
  if (node->box != nullptr) {
    node->box->node = nullptr;
    node->box = nullptr;
  }
  for (Node* child : node->children) ForgetBoxesOf(child);
}

namespace {

bool IsCollapsibleSpace(const Box* box) {
  return box->type == BoxType::kText && box->node != nullptr && box->style->whiteSpace != WhiteSpace::kPre &&
         IsAllSpace(NodeText(box->node));
}

bool IsInFlowBlockLevel(const Box* box) {
  if (box->IsOutOfFlow()) return false;
  return box->type == BoxType::kBlock || (box->type == BoxType::kTable && !box->IsInlineTable()) ||
         (box->IsReplaced() && box->Is(kBoxBlockLevel));
}

void LinkChildren(Box* parent, const std::vector<Box*>& kids) {
  Box* previous = nullptr;
  for (Box* kid : kids) {
    kid->parent = parent;
    kid->nextSibling = nullptr;
    if (previous == nullptr) {
      parent->firstChild = kid;
    } else {
      previous->nextSibling = kid;
    }
    previous = kid;
  }
  if (previous == nullptr) parent->firstChild = nullptr;
}

class BoxBuilder {
 public:
  explicit BoxBuilder(StyleContext& context) : context_(context) {}

  // A new box for `node` and its subtree, or null when it is not displayed.
  Box* BuildFor(Node* node) {
    // Built fresh: nothing left for the box phase here, but children whose
    // boxes are taken again may still have work below them.
    node->dirty &= kDirtyDescendant;
    const ComputedStyle* style = node->style;
    if (style == nullptr) return nullptr;
    Box* box = new Box;
    box->node = node;
    box->style = style;
    if (node->IsText()) {
      box->type = BoxType::kText;
      node->box = box;
      return box;
    }
    if (!ChooseType(node, style, box)) {
      delete box;
      return nullptr;
    }
    node->box = box;
    AssembleChildren(box, CollectChildren(node));
    return box;
  }

  // Rebuilds the children of node->box. False when node->box is an inline
  // box that is split around blocks, or now holds blocks: its block
  // container must rebuild it.
  bool Rebuild(Node* node) {
    Box* box = node->box;
    if (IsSplit(box)) return false;
    std::vector<Box*> salvage = Dismantle(box);
    // The boxes of deeper descendants (what a split inline child held) go:
    // the child is built afresh. Only the node's own children's boxes may be
    // taken again, so that nothing the building below deletes is among them.
    salvage.erase(std::remove_if(salvage.begin(), salvage.end(),
                                 [node](Box* old) {
                                   if (old->node != nullptr && old->node->parent == node) return false;
                                   delete old;
                                   return true;
                                 }),
                  salvage.end());
    for (Box* old : salvage) old->flags &= uint16_t(~kBoxScratch);
    std::vector<Box*> kids = CollectChildren(node);  // marks what it takes again
    // Whatever was not taken again goes.
    for (Box* old : salvage) {
      if (!old->Is(kBoxScratch)) {
        delete old;
      } else {
        old->flags &= uint16_t(~kBoxScratch);
      }
    }
    AssembleChildren(box, std::move(kids));
    if (IsSplit(box)) {
      std::vector<Box*> back = Dismantle(box);
      for (Box* b : back) delete b;
      return false;
    }
    return true;
  }

  static bool IsSplit(const Box* box) {
    return box->type == BoxType::kInline && (box->Is(kBoxHasBlocks) || box->Is(kBoxContinued));
  }

  bool ChooseType(Node* node, const ComputedStyle* style, Box* box) {
    Display display = style->display;
    if (display == Display::kNone) return false;
    bool blockLevel = display != Display::kInline && display != Display::kInlineBlock;
    if (node->tag == kAtomImg || node->tag == kAtomProgress) {
      box->type = node->tag == kAtomImg ? BoxType::kImage : BoxType::kProgress;
      if (blockLevel) box->flags |= kBoxBlockLevel;
      return true;
    }
    if (node->tag == kAtomBr && display == Display::kInline) {
      box->type = BoxType::kLineBreak;
      return true;
    }
    switch (display) {
      case Display::kListItem: box->flags |= kBoxListItem; box->type = BoxType::kBlock; break;
      case Display::kBlock:
      case Display::kTableCaption: box->type = BoxType::kBlock; break;
      case Display::kInline: box->type = BoxType::kInline; break;
      case Display::kInlineBlock: box->type = BoxType::kInlineBlock; break;
      case Display::kTable:
      case Display::kInlineTable: box->type = BoxType::kTable; break;
      case Display::kTableColumnGroup: box->type = BoxType::kTableColumnGroup; break;
      case Display::kTableColumn: box->type = BoxType::kTableColumn; break;
      case Display::kTableRowGroup:
      case Display::kTableHeaderGroup:
      case Display::kTableFooterGroup: box->type = BoxType::kTableRowGroup; break;
      case Display::kTableRow: box->type = BoxType::kTableRow; break;
      case Display::kTableCell: box->type = BoxType::kTableCell; break;
      default: return false;
    }
    return true;
  }

  // The boxes of the node's children: reused when clean, else built.
  std::vector<Box*> CollectChildren(Node* node) {
    std::vector<Box*> kids;
    if (node->tag == kAtomImg || node->tag == kAtomProgress || node->tag == kAtomBr) return kids;
    kids.reserve(node->children.size() + 2);
    if (node->style->before != nullptr) kids.push_back(BuildGenerated(node->style->before));
    for (Node* child : node->children) {
      // A box unlinked by Dismantle can be taken again unless its own type
      // must change; a stale one is deleted by the caller.
      Box* box = child->box;
      if (box != nullptr && box->parent == nullptr && (child->dirty & kDirtyBoxSelf) == 0) {
        if (box->style != child->style) RefreshStyles(box, child->style);
        box->flags |= kBoxScratch;
        kids.push_back(box);
        continue;
      }
      Box* built = BuildFor(child);
      if (built != nullptr) kids.push_back(built);
    }
    if (node->style->after != nullptr) kids.push_back(BuildGenerated(node->style->after));
    return kids;
  }

  // The box of ::before or ::after: no node, its text from its style. It is
  // built afresh with its element's children (Dismantle drops it).
  Box* BuildGenerated(const ComputedStyle* style) {
    Box* box = new Box;
    box->style = style;
    box->flags = kBoxGenerated;
    switch (style->display) {
      case Display::kInline: box->type = BoxType::kInline; break;
      case Display::kInlineBlock: box->type = BoxType::kInlineBlock; break;
      case Display::kListItem: box->type = BoxType::kBlock; box->flags |= kBoxListItem; break;
      default: box->type = BoxType::kBlock; break;
    }
    std::vector<Box*> kids;
    if (!style->content.empty()) {
      Box* text = new Box;
      text->type = BoxType::kText;
      text->style = style;
      text->flags = kBoxGenerated;
      kids.push_back(text);
    }
    AssembleChildren(box, std::move(kids));
    return box;
  }

  // Takes a box's children out, opening anonymous and generated boxes (and
  // boxes whose node is gone) and the parts of split inline boxes: returns
  // the principal boxes of the node's children (of a split inline child, its
  // children), each unlinked (parent null). The boxes opened are deleted.
  std::vector<Box*> Dismantle(Box* box) {
    std::vector<Box*> out;
    Box* child = box->firstChild;
    box->firstChild = nullptr;
    while (child != nullptr) {
      Box* next = child->nextSibling;
      child->parent = nullptr;
      child->nextSibling = nullptr;
      if (child->node == nullptr || child->Is(kBoxContinuation) || child->Is(kBoxContinued)) {
        std::vector<Box*> inner = Dismantle(child);
        out.insert(out.end(), inner.begin(), inner.end());
        delete child;
      } else {
        out.push_back(child);
      }
      child = next;
    }
    return out;
  }

  // A box's style changed: so do those of its anonymous children.
  void RefreshStyles(Box* box, const ComputedStyle* style) {
    box->style = style;
    for (Box* child = box->firstChild; child != nullptr; child = child->nextSibling) {
      if (child->node == nullptr && !child->Is(kBoxGenerated)) {
        RefreshStyles(child, context_.AnonymousStyle(style, child->style->display));
      }
    }
  }

 private:
  Box* NewAnonymous(const ComputedStyle* parentStyle, BoxType type, Display display) {
    Box* box = new Box;
    box->type = type;
    box->flags = kBoxAnonymous;
    box->style = context_.AnonymousStyle(parentStyle, display);
    return box;
  }

  // Puts the kids under `box` with the fix-ups its type needs. An inline box
  // keeps block-level kids (kBoxHasBlocks) for its block container to split.
  void AssembleChildren(Box* box, std::vector<Box*> kids) {
    // Columns belong in a table, or in a column group, which holds nothing else.
    auto keep = [box](const Box* k) {
      if (box->type == BoxType::kTable) return true;
      if (box->type == BoxType::kTableColumnGroup) return k->type == BoxType::kTableColumn;
      return !k->IsTableColumn() && box->type != BoxType::kTableColumn;
    };
    if (!std::all_of(kids.begin(), kids.end(), keep)) {
      kids.erase(std::remove_if(kids.begin(), kids.end(),
                                [&](Box* k) {
                                  if (keep(k)) return false;
                                  delete k;
                                  return true;
                                }),
                 kids.end());
    }
    switch (box->type) {
      case BoxType::kTableColumnGroup:
      case BoxType::kTableColumn:
        LinkChildren(box, kids);
        return;
      case BoxType::kText:
      case BoxType::kLineBreak:
      case BoxType::kImage:
      case BoxType::kProgress:
        for (Box* kid : kids) delete kid;
        return;
      case BoxType::kTable:
        LinkChildren(box, FixTableChildren(box, std::move(kids)));
        return;
      case BoxType::kTableRowGroup:
        LinkChildren(box, FixRowGroupChildren(box, std::move(kids)));
        return;
      case BoxType::kTableRow:
        LinkChildren(box, FixRowChildren(box, std::move(kids)));
        return;
      case BoxType::kInline: {
        // Blocks stay inside until the block container splits the box.
        kids = WrapMisparentedTableParts(box, std::move(kids));
        box->flags &= uint16_t(~(kBoxHasBlocks | kBoxContinued | kBoxContinuation));
        for (Box* kid : kids) {
          if (IsInFlowBlockLevel(kid) || (kid->type == BoxType::kInline && kid->Is(kBoxHasBlocks))) {
            box->flags |= kBoxHasBlocks;
          }
        }
        LinkChildren(box, kids);
        return;
      }
      case BoxType::kBlock:
      case BoxType::kInlineBlock:
      case BoxType::kTableCell:
        LinkChildren(box, FixBlockContainerChildren(box, WrapMisparentedTableParts(box, std::move(kids))));
        return;
    }
  }

  // An inline box with blocks inside becomes parts around them: the box
  // itself holds what comes before the first block, a continuation (same
  // node and style) what comes between and after. Nested inline boxes split
  // alike. Returns the parts and the blocks in order.
  std::vector<Box*> SplitInline(Box* inlineBox) {
    std::vector<Box*> kids;
    for (Box* kid = inlineBox->firstChild; kid != nullptr;) {
      Box* next = kid->nextSibling;
      kid->parent = nullptr;
      kid->nextSibling = nullptr;
      kids.push_back(kid);
      kid = next;
    }
    inlineBox->firstChild = nullptr;
    inlineBox->flags &= uint16_t(~kBoxHasBlocks);
    std::vector<Box*> out, part;
    Box* current = inlineBox;
    auto cutBefore = [&](Box* block) {
      LinkChildren(current, part);
      part.clear();
      current->flags |= kBoxContinued;
      out.push_back(current);
      out.push_back(block);
      current = new Box;
      current->type = BoxType::kInline;
      current->node = inlineBox->node;
      current->style = inlineBox->style;
      current->flags = kBoxContinuation;
    };
    for (Box* kid : kids) {
      if (IsInFlowBlockLevel(kid)) {
        cutBefore(kid);
      } else if (kid->type == BoxType::kInline && kid->Is(kBoxHasBlocks)) {
        for (Box* piece : SplitInline(kid)) {
          if (IsInFlowBlockLevel(piece)) {
            cutBefore(piece);
          } else {
            part.push_back(piece);
          }
        }
      } else {
        part.push_back(kid);
      }
    }
    LinkChildren(current, part);
    out.push_back(current);
    return out;
  }

  // CSS 2.1 section 9.2.1.1: inline content next to blocks goes into
  // anonymous block boxes.
  std::vector<Box*> FixBlockContainerChildren(Box* box, std::vector<Box*> kids) {
    if (std::any_of(kids.begin(), kids.end(), [](Box* k) { return k->Is(kBoxHasBlocks); })) {
      std::vector<Box*> flat;
      for (Box* kid : kids) {
        if (kid->type == BoxType::kInline && kid->Is(kBoxHasBlocks)) {
          std::vector<Box*> pieces = SplitInline(kid);
          flat.insert(flat.end(), pieces.begin(), pieces.end());
        } else {
          flat.push_back(kid);
        }
      }
      kids.swap(flat);
    }
    bool anyBlock = std::any_of(kids.begin(), kids.end(), IsInFlowBlockLevel);
    box->flags &= uint16_t(~kBoxChildrenInline);
    if (!anyBlock) {
      bool anyInline = std::any_of(kids.begin(), kids.end(), [](Box* k) { return !k->IsOutOfFlow(); });
      if (anyInline) box->flags |= kBoxChildrenInline;
      return kids;
    }
    bool inlineContent = std::any_of(kids.begin(), kids.end(), [](Box* k) {
      return !IsInFlowBlockLevel(k) && !k->IsOutOfFlow() && !IsCollapsibleSpace(k);
    });
    if (!inlineContent) {
      // Only blocks (and white space between them, which goes).
      kids.erase(std::remove_if(kids.begin(), kids.end(),
                                [](Box* k) {
                                  if (!IsCollapsibleSpace(k)) return false;
                                  delete k;
                                  return true;
                                }),
                 kids.end());
      return kids;
    }
    std::vector<Box*> result, run;
    auto flush = [&]() {
      bool content = std::any_of(run.begin(), run.end(),
                                 [](Box* k) { return !k->IsOutOfFlow() && !IsCollapsibleSpace(k); });
      if (content) {
        Box* anonymous = NewAnonymous(box->style, BoxType::kBlock, Display::kBlock);
        anonymous->flags |= kBoxChildrenInline;
        LinkChildren(anonymous, run);
        result.push_back(anonymous);
      } else {
        for (Box* k : run) {
          if (k->IsOutOfFlow()) {
            result.push_back(k);
          } else {
            delete k;
          }
        }
      }
      run.clear();
    };
    for (Box* kid : kids) {
      if (IsInFlowBlockLevel(kid)) {
        flush();
        result.push_back(kid);
      } else {
        run.push_back(kid);
      }
    }
    flush();
    return result;
  }

  // Table parts outside a table get an anonymous table around them.
  std::vector<Box*> WrapMisparentedTableParts(Box* box, std::vector<Box*> kids) {
    if (std::none_of(kids.begin(), kids.end(), [](Box* k) { return k->IsTablePart(); })) return kids;
    std::vector<Box*> result, run;
    auto flush = [&]() {
      // Trailing white space belongs outside the table.
      std::vector<Box*> trailing;
      while (!run.empty() && !run.back()->IsTablePart()) {
        trailing.insert(trailing.begin(), run.back());
        run.pop_back();
      }
      if (!run.empty()) {
        Box* table = NewAnonymous(box->style, BoxType::kTable, Display::kTable);
        LinkChildren(table, FixTableChildren(table, run));
        result.push_back(table);
      }
      result.insert(result.end(), trailing.begin(), trailing.end());
      run.clear();
    };
    for (Box* kid : kids) {
      if (kid->IsTablePart() || (!run.empty() && IsCollapsibleSpace(kid))) {
        run.push_back(kid);
      } else {
        flush();
        result.push_back(kid);
      }
    }
    flush();
    return result;
  }

  std::vector<Box*> FixTableChildren(Box* table, std::vector<Box*> kids) {
    return WrapRunsInRows(table, std::move(kids), [](Box* k) {
      return k->type == BoxType::kTableRowGroup || k->type == BoxType::kTableRow || k->IsTableColumn() ||
             (k->node != nullptr && k->style->display == Display::kTableCaption);
    });
  }

  std::vector<Box*> FixRowGroupChildren(Box* group, std::vector<Box*> kids) {
    return WrapRunsInRows(group, std::move(kids), [](Box* k) { return k->type == BoxType::kTableRow; });
  }

  // Children that `kept` accepts stay as they are; each run of others is
  // wrapped in an anonymous row (white space before a run is dropped).
  template <typename Kept>
  std::vector<Box*> WrapRunsInRows(Box* parent, std::vector<Box*> kids, Kept kept) {
    if (std::all_of(kids.begin(), kids.end(), kept)) return kids;
    std::vector<Box*> result, run;
    auto flush = [&]() {
      if (run.empty()) return;
      Box* row = NewAnonymous(parent->style, BoxType::kTableRow, Display::kTableRow);
      LinkChildren(row, FixRowChildren(row, run));
      result.push_back(row);
      run.clear();
    };
    for (Box* kid : kids) {
      if (kept(kid)) {
        flush();
        result.push_back(kid);
      } else if (IsCollapsibleSpace(kid) && run.empty()) {
        delete kid;
      } else {
        run.push_back(kid);
      }
    }
    flush();
    return result;
  }

  std::vector<Box*> FixRowChildren(Box* row, std::vector<Box*> kids) {
    if (std::all_of(kids.begin(), kids.end(), [](Box* k) { return k->type == BoxType::kTableCell; })) return kids;
    std::vector<Box*> result, run;
    auto flush = [&]() {
      // White space at the end of a run is dropped with it.
      while (!run.empty() && IsCollapsibleSpace(run.back())) {
        delete run.back();
        run.pop_back();
      }
      if (run.empty()) return;
      Box* cell = NewAnonymous(row->style, BoxType::kTableCell, Display::kTableCell);
      LinkChildren(cell, FixBlockContainerChildren(cell, WrapMisparentedTableParts(cell, run)));
      result.push_back(cell);
      run.clear();
    };
    for (Box* kid : kids) {
      if (kid->type == BoxType::kTableCell) {
        flush();
        result.push_back(kid);
      } else if (IsCollapsibleSpace(kid) && run.empty()) {
        delete kid;
      } else if (kid->type == BoxType::kTableRow || kid->type == BoxType::kTableRowGroup) {
        // A row inside a row: it becomes the content of an anonymous cell,
        // wrapped in a table of its own.
        run.push_back(kid);
      } else {
        run.push_back(kid);
      }
    }
    flush();
    return result;
  }

  StyleContext& context_;
};

// Walks the dirty bits of the box phase.
class BoxUpdater {
 public:
  BoxUpdater(StyleContext& context, std::unique_ptr<Box>* rootBox) : builder_(context), rootBox_(rootBox) {}

  bool changed = false;
  bool paint = false;

  void Walk(Node* node) {
    // (A rebuild around the node may build its box afresh and clear its bits.)
    uint16_t dirty = node->dirty;
    if (node->box != nullptr && node->box->style != node->style) {
      if (node->box->Is(kBoxContinued)) {
        // The parts of a split inline box share the style: built again.
        node->dirty |= kDirtyBoxSelf;
        RebuildAround(node);
      } else {
        builder_.RefreshStyles(node->box, node->style);
      }
    }
    bool childSelf = false;
    for (Node* child : node->children) childSelf = childSelf || (child->dirty & kDirtyBoxSelf) != 0;
    if (((dirty & kDirtyBoxChildren) != 0 || childSelf) && node->box != nullptr) RebuildChildren(node);
    if ((dirty & kDirtyLayout) != 0 && node->box != nullptr) {
      MarkNeedsLayout(node->box);
      MarkAnonymousChildren(node->box);
      changed = true;
    }
    if ((dirty & kDirtyPaint) != 0) paint = true;
    if ((dirty & kDirtyDescendant) != 0 || childSelf) {
      for (Node* child : node->children) {
        if (child->dirty != 0) Walk(child);
      }
    }
    node->dirty = 0;
  }

  void RebuildChildren(Node* node) {
    changed = true;
    if (!builder_.Rebuild(node)) {
      // An inline box split around blocks: its block container splits it again.
      node->dirty |= kDirtyBoxSelf;
      RebuildAround(node);
      return;
    }
    MarkNeedsLayout(node->box);
  }

  // Builds the node's box afresh (kDirtyBoxSelf set) with its siblings'.
  void RebuildAround(Node* node) {
    changed = true;
    Node* parent = node->parent;
    if (parent != nullptr && parent->box != nullptr) {
      RebuildChildren(parent);
    } else {
      RebuildRoot(node);
    }
  }

  // The anonymous boxes inside a box that needs layout (an anonymous cell,
  // say, whose layout would otherwise be reused) hold content that takes its
  // style from the box's element: they need it too.
  static void MarkAnonymousChildren(Box* box) {
    for (Box* child = box->firstChild; child != nullptr; child = child->nextSibling) {
      if (child->node != nullptr) continue;
      child->flags |= kBoxNeedsLayout;
      child->flags &= uint16_t(~kBoxIntrinsicValid);
      MarkAnonymousChildren(child);
    }
  }

  void RebuildRoot(Node* root) {
    rootBox_->reset();
    rootBox_->reset(builder_.BuildFor(root));
    changed = true;
  }

 private:
  BoxBuilder builder_;
  std::unique_ptr<Box>* rootBox_;
};

void ClearBoxDirtyBits(Node* root) {
  std::vector<Node*> pending{root};
  while (!pending.empty()) {
    Node* node = pending.back();
    pending.pop_back();
    bool descend = (node->dirty & kDirtyDescendant) != 0;
    node->dirty = 0;
    if (descend) {
      for (Node* child : node->children) pending.push_back(child);
    }
  }
}

}  // namespace

std::unique_ptr<Box> BuildBoxTree(StyleContext& context, Node* root) {
  if (root == nullptr) return nullptr;
  BoxBuilder builder(context);
  std::unique_ptr<Box> box(builder.BuildFor(root));
  return box;
}

bool UpdateBoxTree(StyleContext& context, Node* root, std::unique_ptr<Box>* rootBox, bool* paintOnly) {
  if (root == nullptr) {
    bool had = *rootBox != nullptr;
    rootBox->reset();
    return had;
  }
  BoxUpdater updater(context, rootBox);
  if ((root->dirty & kDirtyBoxSelf) != 0 || *rootBox == nullptr || (*rootBox)->node != root) {
    updater.RebuildRoot(root);
    ClearBoxDirtyBits(root);
    if (paintOnly != nullptr) *paintOnly = false;
    return true;
  }
  updater.Walk(root);
  if (paintOnly != nullptr) *paintOnly = !updater.changed && updater.paint;
  return updater.changed || updater.paint;
}

}  // namespace engine
