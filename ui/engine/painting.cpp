// Painting: stacking contexts, the phases of appendix E, clips, scrolling.
#include "ui/engine/painting.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "ui/engine/layout_internal.h"
#include "ui/engine/text.h"

namespace engine {

double ProgressFraction(const Node* element) {
  auto number = [&](Atom name, double fallback) {
    const char16_t* text = element->attributes.Find(name);
    if (text == nullptr) return fallback;
    std::string ascii = Utf16ToUtf8(TrimSpace(std::u16string_view(text)));
    size_t used = 0;
    double v = ReadDecimal(ascii, &used);
    return used == 0 ? fallback : v;
  };
  double max = number(kAtomMax, number(kAtomMaxvalue, 100.0));
  double value = number(kAtomValue, 0.0);
  if (!(max > 0)) return 0;
  return std::max(0.0, std::min(1.0, value / max));
}

namespace {

// Where a box is drawn: the view position of its border box, and the clip
// that applies to it.
struct Place {
  Point origin;
  Rect clip;
};

struct Layer {
  Box* box;
  Place place;
  int z;
  size_t order;
};

// A positioned box in the chain being walked: where its absolutely
// positioned children go.
struct ContainingPlace {
  Box* box;
  Place forChildren;
};

class Painter {
 public:
  Painter(const PaintInput& input, DisplayList* list, std::vector<HitRegion>* hits)
      : in_(input), list_(list), hits_(hits) {
    viewportClip_ = Rect{0, 0, input.viewportWidth - (input.layout->viewportScrollBar ? input.layout->scrollBarWidth : 0),
                         input.viewportHeight};
  }

  void Paint(Box* root) {
    canvasOrigin_ = Point{0, -in_.viewportScroll};
    PaintCanvas(root);
    if (root != nullptr) {
      Place place{Point{canvasOrigin_.x + root->x, canvasOrigin_.y + root->y}, viewportClip_};
      PaintStackingContext(root, place, {});
    }
    if (in_.layout->viewportScrollBar) {
      Rect bar{in_.viewportWidth - in_.layout->scrollBarWidth, 0, in_.layout->scrollBarWidth, in_.viewportHeight};
      int max = std::max(0, in_.layout->documentHeight - in_.viewportHeight);
      ElementHandle owner = root != nullptr && root->node != nullptr ? root->node->handle : 0;
      EmitScrollBar(bar, in_.viewportScroll, max, in_.viewportHeight, owner);
      hits_->push_back(HitRegion{bar, Rect{0, 0, in_.viewportWidth, in_.viewportHeight}, owner, true});
    }
    while (!clips_.empty()) PopClip();
  }

 private:
  // --- clips: pushed lazily, so that a clip with nothing drawn in it costs nothing

  struct ClipEntry {
    Rect rect;
    bool emitted;
  };

  void PushClip(const Rect& rect) { clips_.push_back(ClipEntry{rect, false}); }

  void PopClip() {
    if (clips_.back().emitted) {
      DisplayItem item;
      item.op = DisplayOp::kPopClip;
      list_->items.push_back(item);
    }
    clips_.pop_back();
  }

  Rect CurrentClip() const { return clips_.empty() ? Rect{0, 0, in_.viewportWidth, in_.viewportHeight} : clips_.back().rect; }

  void Emit(DisplayItem&& item) {
    for (ClipEntry& c : clips_) {
      if (c.emitted) continue;
      DisplayItem push;
      push.op = DisplayOp::kPushClip;
      push.rect = c.rect;
      list_->items.push_back(push);
      c.emitted = true;
    }
    list_->items.push_back(std::move(item));
  }

  // --- geometry of the walk

  int ScrollOf(const Box* box) {
    if (!box->Is(kBoxVerticalScrollbar) && !(box->style->ScrollsVertically() && box->IsBlockContainer())) return 0;
    if (box->node == nullptr || !in_.scrollOf) return 0;
    return in_.scrollOf(box->node, MaxScroll(box));
  }

  static int MaxScroll(const Box* box) {
    int page = box->height + box->padding[kTop] + box->padding[kBottom];
    return std::max(0, box->ScrollHeight() - page);
  }

  static bool Clips(const Box* box) { return box->style->ClipsContent() && box->IsBlockContainer(); }

  // The place for a box's children, given the box's own place.
  Place ChildrenPlace(const Box* box, const Place& own) {
    Place p = own;
    p.origin.y -= ScrollOf(box);
    if (Clips(box)) p.clip = Intersection(p.clip, Translated(box->PaddingBoxRect(), own.origin.x, own.origin.y));
    return p;
  }

  // The place of a child (in flow, float, atomic, or relative) of a box
  // whose children are at `parent`.
  static Place ChildPlace(const Box* child, const Place& parent) {
    return Place{Point{parent.origin.x + child->x + child->relX, parent.origin.y + child->y + child->relY},
                 parent.clip};
  }

  // clip: rect() of an absolutely positioned box cuts it and everything in
  // it to offsets from its border box's top left corner (auto: that edge).
  static Rect ClippedBy(const Box* box, const Place& place) {
    const Length* c = box->style->clip;
    auto offset = [](const Length& l, int edge) { return l.IsFixed() ? int(std::lround(l.value)) : edge; };
    int top = offset(c[kTop], 0), right = offset(c[kRight], box->BorderBoxWidth());
    int bottom = offset(c[kBottom], box->BorderBoxHeight()), left = offset(c[kLeft], 0);
    Rect own{place.origin.x + left, place.origin.y + top, std::max(0, right - left), std::max(0, bottom - top)};
    return Intersection(place.clip, own);
  }

  // The place of an absolutely positioned or fixed box.
  Place PositionedPlace(const Box* box, const std::vector<ContainingPlace>& chain) {
    if (box->style->position == Position::kFixed) return Place{Point{box->x, box->y}, viewportClip_};
    if (chain.empty()) {
      return Place{Point{canvasOrigin_.x + box->x, canvasOrigin_.y + box->y}, viewportClip_};
    }
    const Place& cb = chain.back().forChildren;
    return Place{Point{cb.origin.x + box->x, cb.origin.y + box->y}, cb.clip};
  }

  bool Culled(const Box* box, const Place& place) {
    if (box->Is(kBoxPositionedInside)) return false;
    Rect area = Translated(box->Overflow(), place.origin.x, place.origin.y);
    return !Intersects(area, place.clip);
  }

  // --- stacking contexts and layers

  void CollectLayers(Box* box, const Place& childrenPlace, std::vector<ContainingPlace>& chain,
                     std::vector<Layer>* layers) {
    ForEachLayoutChild(box, [&](Box* child) {
      bool positioned = child->style->IsPositioned();
      if (!positioned && !child->Is(kBoxPositionedInside)) return;
      Place place = child->IsOutOfFlowPositioned() ? PositionedPlace(child, chain) : ChildPlace(child, childrenPlace);
      if (child->IsOutOfFlowPositioned() && child->style->hasClip) place.clip = ClippedBy(child, place);
      if (positioned) {
        layers->push_back(Layer{child, place, child->style->zIndexAuto ? 0 : child->style->zIndex, layers->size()});
        if (child->style->MakesStackingContext()) return;
      }
      if (!child->Is(kBoxPositionedInside)) return;
      Place inner = ChildrenPlace(child, place);
      if (positioned) chain.push_back(ContainingPlace{child, inner});
      CollectLayers(child, inner, chain, layers);
      if (positioned) chain.pop_back();
    });
  }

  void PaintStackingContext(Box* box, const Place& place, std::vector<ContainingPlace> chain) {
    bool visible = box->style->visibility == Visibility::kVisible;
    PaintBoxDecorations(box, place, visible);
    Place inner = ChildrenPlace(box, place);
    std::vector<Layer> layers;
    if (box->style->IsPositioned()) chain.push_back(ContainingPlace{box, inner});
    CollectLayers(box, inner, chain, &layers);
    std::stable_sort(layers.begin(), layers.end(), [](const Layer& a, const Layer& b) { return a.z < b.z; });
    for (const Layer& layer : layers) {
      if (layer.z < 0) PaintLayer(layer, chain);
    }
    PaintPhases(box, place);
    for (const Layer& layer : layers) {
      if (layer.z == 0) PaintLayer(layer, chain);
    }
    for (const Layer& layer : layers) {
      if (layer.z > 0) PaintLayer(layer, chain);
    }
    PaintScrollBar(box, place);
  }

  void PaintLayer(const Layer& layer, const std::vector<ContainingPlace>& chain) {
    bool push = layer.place.clip != CurrentClip();
    if (push) PushClip(layer.place.clip);
    if (layer.box->style->MakesStackingContext()) {
      PaintStackingContext(layer.box, layer.place, chain);
    } else {
      PaintAtomically(layer.box, layer.place);
    }
    if (push) PopClip();
  }

  // A float, inline block or positioned box with z-index auto: painted as if
  // it made a stacking context, but its positioned descendants belong to the
  // enclosing one.
  void PaintAtomically(Box* box, const Place& place) {
    bool visible = box->style->visibility == Visibility::kVisible;
    PaintBoxDecorations(box, place, visible);
    PaintPhases(box, place);
    PaintScrollBar(box, place);
  }

  void PaintPhases(Box* box, const Place& place) {
    Place inner = ChildrenPlace(box, place);
    bool clip = Clips(box);
    if (clip) PushClip(inner.clip);
    BlockBackgrounds(box, inner);
    Floats(box, inner);
    InlinePhase(box, inner);
    if (clip) PopClip();
  }

  static bool IsLayer(const Box* box) { return box->style->IsPositioned() && box->type != BoxType::kInline; }

  // Phase: backgrounds and borders of in-flow block-level descendants; a
  // table's collapsed borders over its cells' backgrounds.
  void BlockBackgrounds(Box* parent, const Place& inner) {
    ForEachLayoutChild(parent, [&](Box* child) {
      if (IsLayer(child) || child->IsFloating() || child->IsInlineLevel() || child->IsTableColumn()) return;
      Place place = ChildPlace(child, inner);
      if (Culled(child, place)) return;
      if (child->type == BoxType::kTableCell) PaintTablePartsUnder(child, place, inner);
      PaintBoxDecorations(child, place, child->style->visibility == Visibility::kVisible);
      Place grand = ChildrenPlace(child, place);
      bool clip = Clips(child);
      if (clip) PushClip(grand.clip);
      BlockBackgrounds(child, grand);
      if (clip) PopClip();
    });
    if (parent->type == BoxType::kTable) PaintCollapsedBorders(parent, inner);
  }

  // The backgrounds of a cell's column group, column, row group and row,
  // in that order, over the cell's border box (CSS 2.1 17.5.1: the layers
  // under the cells; each part's background shows under the cells that
  // start in it). `rowPlace` holds the row's children.
  void PaintTablePartsUnder(Box* cell, const Place& place, const Place& rowPlace) {
    Box* row = cell->parent;
    if (row == nullptr || row->type != BoxType::kTableRow) return;
    Box* group = row->parent != nullptr && row->parent->type == BoxType::kTableRowGroup ? row->parent : nullptr;
    Box* table = group != nullptr ? group->parent : row->parent;
    if (table == nullptr || table->type != BoxType::kTable) return;
    Rect area = Translated(cell->BorderBoxRect(), place.origin.x, place.origin.y);
    if (!Intersects(area, place.clip)) return;
    auto back = [](Point p, const Box* b) { return Point{p.x - b->x - b->relX, p.y - b->y - b->relY}; };
    Point rowOrigin = rowPlace.origin;
    Point groupOrigin = group != nullptr ? back(rowOrigin, row) : Point{};
    Point tableOrigin = group != nullptr ? back(groupOrigin, group) : back(rowOrigin, row);
    auto paint = [&](const Box* part, Point origin) {
      const ComputedStyle& s = *part->style;
      if (s.visibility != Visibility::kVisible) return;
      if (ColorAlpha(s.backgroundColor) == 0 && s.backgroundImage.empty()) return;
      PaintBackground(s, area, Translated(part->BorderBoxRect(), origin.x, origin.y));
    };
    // The cell starts in the column whose box reaches over its left edge.
    const std::vector<ColumnSpan>& columns = ColumnsOf(table);
    int left = cell->x + row->x + (group != nullptr ? group->x : 0);
    auto it = std::upper_bound(columns.begin(), columns.end(), left,
                               [](int x, const ColumnSpan& c) { return x < c.right; });
    if (it != columns.end() && it->left <= left) {
      if (it->group != nullptr) paint(it->group, Point{tableOrigin.x + it->group->x, tableOrigin.y + it->group->y});
      if (it->column != nullptr) {
        const Box* base = it->column->parent != table ? it->column->parent : nullptr;
        Point at{tableOrigin.x + it->column->x, tableOrigin.y + it->column->y};
        if (base != nullptr) at = Point{at.x + base->x, at.y + base->y};
        paint(it->column, at);
      }
    }
    if (group != nullptr) paint(group, groupOrigin);
    paint(row, rowOrigin);
  }

  // Where a table's column boxes lie, in its coordinates, left to right:
  // each column (with its group) or group without columns. Looked up once
  // per table and painting.
  struct ColumnSpan {
    int left, right;
    const Box* column;
    const Box* group;
  };
  const std::vector<ColumnSpan>& ColumnsOf(const Box* table) {
    auto found = tableColumns_.find(table);
    if (found != tableColumns_.end()) return found->second;
    std::vector<ColumnSpan>& columns = tableColumns_[table];
    auto add = [&](int left, int width, const Box* column, const Box* group) {
      if (width > 0) columns.push_back(ColumnSpan{left, left + width, column, group});
    };
    for (const Box* child = table->firstChild; child != nullptr; child = child->nextSibling) {
      if (child->type == BoxType::kTableColumn) {
        add(child->x, child->width, child, nullptr);
      } else if (child->type == BoxType::kTableColumnGroup) {
        if (child->firstChild == nullptr) add(child->x, child->width, nullptr, child);
        for (const Box* column = child->firstChild; column != nullptr; column = column->nextSibling) {
          add(child->x + column->x, column->width, column, child);
        }
      }
    }
    return columns;
  }

  // The collapsed borders of a table (computed by its layout), in order.
  void PaintCollapsedBorders(const Box* table, const Place& place) {
    if (table->extra == nullptr || table->extra->tableBorders.empty()) return;
    if (table->style->visibility != Visibility::kVisible) return;
    for (const TableBorderSegment& segment : table->extra->tableBorders) {
      DisplayItem item;
      item.op = DisplayOp::kBorder;
      item.rect = Translated(segment.rect, place.origin.x, place.origin.y);
      if (!Intersects(item.rect, place.clip) || ColorAlpha(segment.color) == 0) continue;
      int side = segment.vertical ? kLeft : kTop;
      item.borderWidths[side] = int16_t(segment.vertical ? segment.rect.width : segment.rect.height);
      item.borderStyles[side] = segment.style;
      item.borderColors[side] = segment.color;
      Emit(std::move(item));
    }
  }

  // A cell with nothing in it but white space (empty-cells: hide).
  static bool IsEmptyCell(const Box* cell) {
    for (const Box* child = cell->firstChild; child != nullptr; child = child->nextSibling) {
      if (child->type != BoxType::kText || child->style->whiteSpace == WhiteSpace::kPre) return false;
      if (!IsAllSpace(TextOf(child))) return false;
    }
    return true;
  }

  // Phase: floats, each painted atomically.
  void Floats(Box* parent, const Place& inner) {
    ForEachLayoutChild(parent, [&](Box* child) {
      if (IsLayer(child) || child->IsTableColumn()) return;
      Place place = ChildPlace(child, inner);
      if (child->IsFloating()) {
        if (!Culled(child, place)) PaintAtomically(child, place);
        return;
      }
      if (child->IsInlineLevel() || Culled(child, place)) return;
      Place grand = ChildrenPlace(child, place);
      bool clip = Clips(child);
      if (clip) PushClip(grand.clip);
      Floats(child, grand);
      if (clip) PopClip();
    });
  }

  // Phase: line boxes (text, inline boxes, atomic inlines) and list markers,
  // then the same inside in-flow blocks, whose scroll bars come last.
  void InlinePhase(Box* parent, const Place& inner) {
    if (parent->Is(kBoxListItem)) PaintListMarker(parent, inner);
    if (parent->inlines != nullptr) PaintLines(parent, inner);
    ForEachLayoutChild(parent, [&](Box* child) {
      if (IsLayer(child) || child->IsFloating() || child->IsInlineLevel() || child->IsTableColumn()) return;
      Place place = ChildPlace(child, inner);
      if (Culled(child, place)) return;
      Place grand = ChildrenPlace(child, place);
      bool clip = Clips(child);
      if (clip) PushClip(grand.clip);
      InlinePhase(child, grand);
      if (clip) PopClip();
      PaintScrollBar(child, place);
    });
  }

  void PaintLines(Box* container, const Place& inner) {
    // `inner` is the place of the container's children: lines are in the
    // container's coordinates, which scroll with its content.
    const InlineContent& content = *container->inlines;
    for (const LineBox& line : content.lines()) {
      int top = inner.origin.y + line.y;
      if (top >= inner.clip.Bottom() + 64 || top + line.height + 64 <= inner.clip.y) continue;
      for (uint32_t i = line.firstFragment; i < line.firstFragment + line.fragmentCount; ++i) {
        const LineFragment& f = content.fragments()[i];
        switch (f.kind) {
          case LineFragment::kText: PaintText(f, inner); break;
          case LineFragment::kInlineBox: PaintInlineBox(f, inner); break;
          case LineFragment::kAtomic:
            if (!IsLayer(f.box)) PaintAtomically(f.box, ChildPlace(f.box, inner));
            break;
        }
      }
    }
  }

  void PaintText(const LineFragment& f, const Place& inner) {
    const Box* box = f.box;
    if (f.textLength == 0) return;
    Rect rect{inner.origin.x + f.x, inner.origin.y + f.y, f.width, f.height};
    if (box->style->visibility != Visibility::kVisible) return;
    const Node* element = ElementOfBox(box);
    if (element != nullptr) hits_->push_back(HitRegion{rect, inner.clip, element->handle, false});
    DisplayItem item;
    item.op = DisplayOp::kText;
    item.rect = rect;
    item.color = box->style->color;
    item.font = box->style->font;
    item.origin = Point{rect.x, inner.origin.y + f.baseline};
    item.text = std::u16string(TextOf(box).substr(f.textStart, f.textLength));
    item.decorations = box->style->decorationsInEffect;
    item.letterSpacing = box->style->letterSpacing;
    if (!Intersects(rect, inner.clip) || ColorAlpha(item.color) == 0) return;
    Emit(std::move(item));
  }

  void PaintInlineBox(const LineFragment& f, const Place& inner) {
    const Box* box = f.box;
    const ComputedStyle& s = *box->style;
    Rect rect{inner.origin.x + f.x, inner.origin.y + f.y, f.width, f.height};
    if (s.visibility != Visibility::kVisible) return;
    if (const Node* element = ElementOfBox(box)) hits_->push_back(HitRegion{rect, inner.clip, element->handle, false});
    if (!Intersects(rect, inner.clip)) return;
    if (ColorAlpha(s.backgroundColor) > 0) {
      DisplayItem fill;
      fill.op = DisplayOp::kFillRect;
      fill.rect = rect;
      fill.color = s.backgroundColor;
      Emit(std::move(fill));
    }
    DisplayItem border;
    border.op = DisplayOp::kBorder;
    border.rect = rect;
    bool any = false;
    for (int side = 0; side < 4; ++side) {
      bool drawn = (side != kLeft || f.firstOfBox) && (side != kRight || f.lastOfBox);
      border.borderWidths[side] = int16_t(drawn ? s.borderWidth[side] : 0);
      border.borderStyles[side] = drawn ? s.borderStyle[side] : BorderStyle::kNone;
      border.borderColors[side] = s.borderColor[side];
      any = any || border.borderWidths[side] > 0;
    }
    if (any) Emit(std::move(border));
  }

  void PaintListMarker(Box* box, const Place& inner) {
    const ComputedStyle& s = *box->style;
    if (s.listStyleType == ListStyleType::kNone || s.visibility != Visibility::kVisible) return;
    std::u16string marker;
    switch (s.listStyleType) {
      case ListStyleType::kCircle: marker = u"\u25E6"; break;
      case ListStyleType::kSquare: marker = u"\u25AA"; break;
      case ListStyleType::kDecimal: marker = Widen(std::to_string(ListItemOrdinal(box)) + "."); break;
      default: marker = u"\u2022"; break;
    }
    LayoutContext& layout = *in_.layout;
    const FontMetrics& m = layout.Font(s.font).metrics;
    int width = layout.MeasureText(s.font, marker.data(), marker.size());
    // `inner` holds the children of the list item; the marker sits left of
    // its border box, on its first line.
    Point boxOrigin{inner.origin.x, inner.origin.y + ScrollOf(box)};
    int baseline = FirstBaseline(box);
    if (baseline < 0) baseline = box->ContentTop() + m.ascent;
    DisplayItem item;
    item.op = DisplayOp::kText;
    item.font = s.font;
    item.color = s.color;
    item.text = marker;
    item.origin = Point{boxOrigin.x - width - s.font.size / 2, boxOrigin.y + baseline};
    item.rect = Rect{item.origin.x, item.origin.y - m.ascent, width, m.ascent + m.descent};
    Emit(std::move(item));
  }

  // Background, border, replaced content and the hit region of a box.
  void PaintBoxDecorations(Box* box, const Place& place, bool visible) {
    Rect border = Translated(box->BorderBoxRect(), place.origin.x, place.origin.y);
    if (!visible) return;
    if (const Node* element = ElementOfBox(box)) hits_->push_back(HitRegion{border, place.clip, element->handle, false});
    if (!Intersects(border, place.clip)) return;
    // Rows and row groups: their backgrounds go under their cells, and
    // their borders only count in collapsed borders.
    if (box->type == BoxType::kTableRow || box->type == BoxType::kTableRowGroup) return;
    const ComputedStyle& s = *box->style;
    // Separated borders: an empty cell draws nothing with empty-cells: hide.
    if (box->type == BoxType::kTableCell && s.emptyCells == EmptyCells::kHide && !box->Is(kBoxUsedBorders) &&
        IsEmptyCell(box)) {
      return;
    }
    if (box != canvasBox_) PaintBackground(s, border, Translated(box->PaddingBoxRect(), place.origin.x, place.origin.y));
    DisplayItem item;
    item.op = DisplayOp::kBorder;
    item.rect = border;
    bool any = false;
    // Collapsed borders (kBoxUsedBorders) are the table's to paint.
    for (int side = 0; side < 4 && !box->Is(kBoxUsedBorders); ++side) {
      item.borderWidths[side] = int16_t(s.borderWidth[side]);
      item.borderStyles[side] = s.borderStyle[side];
      item.borderColors[side] = s.borderColor[side];
      any = any || (s.borderWidth[side] > 0 && ColorAlpha(s.borderColor[side]) > 0);
    }
    if (any) Emit(std::move(item));
    Rect content{border.x + box->ContentLeft(), border.y + box->ContentTop(), box->width, box->height};
    std::u16string address;
    if (box->type == BoxType::kImage && !content.IsEmpty() && !(address = ImageAddress(box)).empty()) {
      DisplayItem image;
      image.op = DisplayOp::kImage;
      image.rect = content;
      image.url = std::move(address);
      image.tileOrigin = Point{content.x, content.y};
      image.tileSize = Size{content.width, content.height};
      image.repeat = ImageRepeat::kNoRepeat;
      Emit(std::move(image));
    } else if (box->type == BoxType::kProgress && box->node != nullptr) {
      int filled = int(box->width * ProgressFraction(box->node) + 0.5);
      if (filled > 0 && ColorAlpha(s.color) > 0) {
        DisplayItem bar;
        bar.op = DisplayOp::kFillRect;
        bar.rect = Rect{content.x, content.y, filled, content.height};
        bar.color = s.color;
        Emit(std::move(bar));
      }
    }
  }

  // The background colour over the border box, and the picture positioned
  // in the padding box (CSS 2.1 section 14.2.1).
  // `positioning`: the area background-position refers to (the viewport for
  // a fixed background).
  void PaintBackground(const ComputedStyle& s, const Rect& area, Rect positioning) {
    if (s.backgroundFixed) positioning = viewportClip_;
    if (ColorAlpha(s.backgroundColor) > 0) {
      DisplayItem fill;
      fill.op = DisplayOp::kFillRect;
      fill.rect = area;
      fill.color = s.backgroundColor;
      Emit(std::move(fill));
    }
    if (s.backgroundImage.empty()) return;
    if (in_.layout->noteImage) in_.layout->noteImage(s.backgroundImage, nullptr);
    Size natural;
    if (!in_.layout->host->GetImageSize(s.backgroundImage, &natural) || natural.width <= 0 || natural.height <= 0) {
      return;
    }
    DisplayItem image;
    image.op = DisplayOp::kImage;
    image.url = s.backgroundImage;
    image.tileSize = natural;
    image.tileOrigin = Point{positioning.x + ResolveLength(s.backgroundPositionX, positioning.width - natural.width),
                             positioning.y + ResolveLength(s.backgroundPositionY, positioning.height - natural.height)};
    Rect drawn = area;
    switch (s.backgroundRepeat) {
      case BackgroundRepeat::kRepeat: image.repeat = ImageRepeat::kRepeat; break;
      case BackgroundRepeat::kRepeatX:
        image.repeat = ImageRepeat::kRepeatX;
        drawn = Intersection(area, Rect{area.x, image.tileOrigin.y, area.width, natural.height});
        break;
      case BackgroundRepeat::kRepeatY:
        image.repeat = ImageRepeat::kRepeatY;
        drawn = Intersection(area, Rect{image.tileOrigin.x, area.y, natural.width, area.height});
        break;
      case BackgroundRepeat::kNoRepeat:
        image.repeat = ImageRepeat::kNoRepeat;
        drawn = Intersection(area, Rect{image.tileOrigin.x, image.tileOrigin.y, natural.width, natural.height});
        break;
    }
    if (drawn.IsEmpty()) return;
    image.rect = drawn;
    Emit(std::move(image));
  }

  // The root's background, or the body's when the root has none, covers the
  // canvas (CSS 2.1 section 14.2).
  void PaintCanvas(Box* root) {
    const ComputedStyle* source = nullptr;
    if (root != nullptr) {
      auto hasBackground = [](const ComputedStyle* s) {
        return ColorAlpha(s->backgroundColor) > 0 || !s->backgroundImage.empty();
      };
      if (hasBackground(root->style)) {
        source = root->style;
        canvasBox_ = root;
      } else {
        for (Box* child = root->firstChild; child != nullptr; child = child->nextSibling) {
          if (child->node != nullptr && child->node->tag == kAtomBody && hasBackground(child->style)) {
            source = child->style;
            canvasBox_ = child;
          }
        }
      }
    }
    DisplayItem fill;
    fill.op = DisplayOp::kFillRect;
    fill.rect = Rect{0, 0, in_.viewportWidth, in_.viewportHeight};
    fill.color = source != nullptr && ColorAlpha(source->backgroundColor) > 0 ? source->backgroundColor
                                                                               : MakeColor(255, 255, 255);
    Emit(std::move(fill));
    if (source != nullptr && !source->backgroundImage.empty()) {
      int height = std::max(in_.viewportHeight, in_.layout->documentHeight);
      Rect canvas{canvasOrigin_.x, canvasOrigin_.y, in_.viewportWidth, height};
      Rect positioning = canvas;
      if (root != nullptr) {
        positioning = Rect{canvasOrigin_.x + root->x, canvasOrigin_.y + root->y, root->BorderBoxWidth(),
                           root->BorderBoxHeight()};
      }
      ComputedStyle onlyImage = *source;
      onlyImage.backgroundColor = kTransparent;
      PaintBackground(onlyImage, Intersection(canvas, Rect{0, 0, in_.viewportWidth, in_.viewportHeight}), positioning);
    }
  }

  void EmitScrollBar(const Rect& bar, int position, int max, int page, ElementHandle owner) {
    DisplayItem item;
    item.op = DisplayOp::kScrollBar;
    item.rect = bar;
    item.position = position;
    item.maxPosition = max;
    item.page = page;
    if (owner != 0 && owner == in_.hotScrollBar) {
      item.hotPart = in_.hotPart;
      item.pressed = in_.scrollBarPressed;
    }
    Emit(std::move(item));
  }

  void PaintScrollBar(Box* box, const Place& place) {
    if (!box->Is(kBoxVerticalScrollbar) || box->node == nullptr) return;
    Rect padding = Translated(box->PaddingBoxRect(), place.origin.x, place.origin.y);
    int width = std::min(in_.layout->scrollBarWidth, padding.width);
    Rect bar{padding.Right() - width, padding.y, width, padding.height};
    int max = MaxScroll(box);
    if (box->style->visibility != Visibility::kVisible) return;
    hits_->push_back(HitRegion{bar, place.clip, box->node->handle, true});
    if (!Intersects(bar, place.clip)) return;
    bool push = place.clip != CurrentClip();
    if (push) PushClip(place.clip);
    EmitScrollBar(bar, ScrollOf(box), max, padding.height, box->node->handle);
    if (push) PopClip();
  }

  const PaintInput& in_;
  DisplayList* list_;
  std::vector<HitRegion>* hits_;
  std::vector<ClipEntry> clips_;
  Rect viewportClip_;
  Point canvasOrigin_;
  const Box* canvasBox_ = nullptr;
  std::unordered_map<const Box*, std::vector<ColumnSpan>> tableColumns_;
};

}  // namespace

void BuildDisplayList(const PaintInput& input, Box* root, DisplayList* list, std::vector<HitRegion>* hits) {
  list->items.clear();
  hits->clear();
  Painter(input, list, hits).Paint(root);
}

}  // namespace engine
