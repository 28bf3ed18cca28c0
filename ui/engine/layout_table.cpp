// Tables (CSS 2.1 chapter 17): the grid of rows and cells with colspan, the
// automatic table layout algorithm (17.5.2.2) for column widths, row heights
// from their cells, vertical-align in cells (17.5.3), the separated borders
// model with border-spacing (17.6.1). Captions sit above the grid.
#include <algorithm>
#include <cmath>

#include "ui/engine/layout_internal.h"

namespace engine {

namespace {

constexpr int kMaxColumns = 1000;

struct GridCell {
  Box* box;
  Box* row;
  int column;
  int span;
};

struct Grid {
  std::vector<Box*> captions;
  std::vector<Box*> rows;         // in the order they are shown
  std::vector<GridCell> cells;    // row by row
  std::vector<size_t> rowFirstCell;
  int columns = 0;
};

int ColumnSpan(const Box* cell) {
  if (cell->node == nullptr) return 1;
  const char16_t* text = cell->node->attributes.Find(kAtomColspan);
  if (text == nullptr) return 1;
  int n = 0;
  for (const char16_t* p = text; *p >= '0' && *p <= '9' && n <= kMaxColumns; ++p) n = n * 10 + (*p - '0');
  return std::max(1, std::min(n, kMaxColumns));
}

void AddRow(Grid& grid, Box* row) {
  grid.rowFirstCell.push_back(grid.cells.size());
  grid.rows.push_back(row);
  int column = 0;
  for (Box* cell = row->firstChild; cell != nullptr; cell = cell->nextSibling) {
    if (cell->type != BoxType::kTableCell) continue;
    int span = std::min(ColumnSpan(cell), kMaxColumns - column);
    if (span <= 0) break;
    grid.cells.push_back(GridCell{cell, row, column, span});
    column += span;
  }
  grid.columns = std::max(grid.columns, column);
}

Grid BuildGrid(Box* table) {
  Grid grid;
  std::vector<Box*> headers, bodies, footers;
  for (Box* child = table->firstChild; child != nullptr; child = child->nextSibling) {
    if (child->type == BoxType::kTableRowGroup) {
      Display d = child->style->display;
      (d == Display::kTableHeaderGroup ? headers : d == Display::kTableFooterGroup ? footers : bodies).push_back(child);
    } else if (child->type == BoxType::kTableRow) {
      bodies.push_back(child);
    } else {
      grid.captions.push_back(child);
    }
  }
  for (const auto* list : {&headers, &bodies, &footers}) {
    for (Box* part : *list) {
      if (part->type == BoxType::kTableRow) {
        AddRow(grid, part);
        continue;
      }
      for (Box* row = part->firstChild; row != nullptr; row = row->nextSibling) {
        if (row->type == BoxType::kTableRow) AddRow(grid, row);
      }
    }
  }
  return grid;
}

int SumOf(const std::vector<int>& v) {
  int64_t sum = 0;
  for (int x : v) sum += x;
  return int(std::min<int64_t>(sum, INT_MAX / 2));
}

// Spreads `extra` pixels over the columns in proportion to `weights`
// (evenly when they are all zero), only where `eligible`.
void Spread(std::vector<int>& widths, int extra, const std::vector<int>& weights, const std::vector<bool>& eligible) {
  int64_t total = 0;
  int count = 0;
  for (size_t c = 0; c < widths.size(); ++c) {
    if (!eligible[c]) continue;
    total += weights[c];
    ++count;
  }
  if (count == 0 || extra <= 0) return;
  int given = 0;
  int seen = 0;
  for (size_t c = 0; c < widths.size(); ++c) {
    if (!eligible[c]) continue;
    ++seen;
    int share = total > 0 ? int(int64_t(extra) * weights[c] / total) : extra / count;
    if (seen == count) share = extra - given;
    widths[c] += share;
    given += share;
  }
}

struct Columns {
  std::vector<int> min, max;
  std::vector<float> percent;
  std::vector<bool> fixed;
};

// Column minimum and maximum widths from the cells (border boxes).
Columns MeasureColumns(LayoutState& state, const Grid& grid, int tableWidthForPercent) {
  Columns cols;
  size_t n = size_t(grid.columns);
  cols.min.assign(n, 0);
  cols.max.assign(n, 0);
  cols.percent.assign(n, 0.f);
  cols.fixed.assign(n, false);
  std::vector<const GridCell*> spanning;
  for (const GridCell& cell : grid.cells) {
    Box* box = cell.box;
    ResolvePaddingAndMargins(box, tableWidthForPercent);
    int minW, maxW;
    IntrinsicWidths(state, box, &minW, &maxW);
    const Length& w = box->style->width;
    bool fixed = w.IsFixed();
    if (fixed) {
      int bp = box->padding[kLeft] + box->padding[kRight] + box->BorderWidth(kLeft) + box->BorderWidth(kRight);
      int specified = ResolveLength(w, 0) + bp;
      minW = std::max(minW, specified);
      maxW = std::max(minW, specified);
    }
    if (cell.span == 1) {
      size_t c = size_t(cell.column);
      cols.min[c] = std::max(cols.min[c], minW);
      cols.max[c] = std::max(cols.max[c], maxW);
      if (fixed) cols.fixed[c] = true;
      if (w.IsPercent()) cols.percent[c] = std::max(cols.percent[c], w.value);
    } else {
      spanning.push_back(&cell);
    }
  }
  // Cells spanning columns widen them when the columns are too narrow,
  // in proportion to the columns' maximum widths (narrow spans first).
  std::stable_sort(spanning.begin(), spanning.end(), [](const GridCell* a, const GridCell* b) { return a->span < b->span; });
  int spacing = grid.rows.empty() ? 0 : grid.rows.front()->parent->style->borderSpacing;
  for (const GridCell* cell : spanning) {
    int minW, maxW;
    IntrinsicWidths(state, cell->box, &minW, &maxW);
    size_t first = size_t(cell->column), last = first + size_t(cell->span);
    // Columns of a fixed width take a share only when all are fixed.
    bool anyAuto = false;
    for (size_t c = first; c < last; ++c) anyAuto = anyAuto || !cols.fixed[c];
    auto widen = [&](std::vector<int>& widths, int wanted) {
      int have = (cell->span - 1) * spacing;
      for (size_t c = first; c < last; ++c) have += widths[c];
      int extra = wanted - have;
      if (extra <= 0) return;
      std::vector<int> part(widths.begin() + std::ptrdiff_t(first), widths.begin() + std::ptrdiff_t(last));
      std::vector<int> weights(cols.max.begin() + std::ptrdiff_t(first), cols.max.begin() + std::ptrdiff_t(last));
      std::vector<bool> eligible(part.size());
      for (size_t c = first; c < last; ++c) eligible[c - first] = !anyAuto || !cols.fixed[c];
      Spread(part, extra, weights, eligible);
      std::copy(part.begin(), part.end(), widths.begin() + std::ptrdiff_t(first));
    };
    widen(cols.min, minW);
    widen(cols.max, std::max(maxW, minW));
    for (size_t c = first; c < last; ++c) cols.max[c] = std::max(cols.max[c], cols.min[c]);
  }
  return cols;
}

// Column widths for an inner table width (CSS 2.1 17.5.2.2, as browsers do it).
std::vector<int> DistributeColumns(const Columns& cols, int width) {
  size_t n = cols.min.size();
  std::vector<int> minW = cols.min, maxW = cols.max;
  // Percentage columns ask for their share of the table.
  for (size_t c = 0; c < n; ++c) {
    if (cols.percent[c] > 0) {
      int wanted = int(std::lround(double(cols.percent[c]) * width / 100.0));
      minW[c] = std::max(minW[c], std::min(wanted, width));
      maxW[c] = minW[c];
    }
  }
  int sumMin = SumOf(minW), sumMax = SumOf(maxW);
  std::vector<int> widths = minW;
  if (width <= sumMin) return widths;
  if (width <= sumMax) {
    // Between: each column gets its minimum plus a share of the room in
    // proportion to how much more it would like.
    std::vector<int> wish(n);
    for (size_t c = 0; c < n; ++c) wish[c] = maxW[c] - minW[c];
    Spread(widths, width - sumMin, wish, std::vector<bool>(n, true));
    return widths;
  }
  widths = maxW;
  int extra = width - sumMax;
  // Wider than everything wants: auto columns grow first.
  std::vector<bool> autoColumns(n);
  bool anyAuto = false;
  for (size_t c = 0; c < n; ++c) {
    autoColumns[c] = !cols.fixed[c] && cols.percent[c] <= 0;
    anyAuto = anyAuto || autoColumns[c];
  }
  Spread(widths, extra, maxW, anyAuto ? autoColumns : std::vector<bool>(n, true));
  return widths;
}

int CellBaseline(const Box* cell) {
  int b = FirstBaseline(cell);
  return b >= 0 ? b : cell->ContentTop() + cell->height;
}

}  // namespace

void TableIntrinsicWidths(LayoutState& state, Box* table, int* minWidth, int* maxWidth) {
  Grid grid = BuildGrid(table);
  Columns cols = MeasureColumns(state, grid, 0);
  int spacing = table->style->borderSpacing;
  int bp = table->padding[kLeft] + table->padding[kRight] + table->BorderWidth(kLeft) + table->BorderWidth(kRight);
  int extras = bp + (grid.columns + 1) * spacing;
  if (grid.columns == 0) extras = bp;
  int minW = SumOf(cols.min) + extras, maxW = SumOf(cols.max) + extras;
  for (Box* caption : grid.captions) {
    int cMin, cMax;
    IntrinsicWidths(state, caption, &cMin, &cMax);
    minW = std::max(minW, cMin + bp);
  }
  if (table->style->width.IsFixed()) {
    int specified = ResolveLength(table->style->width, 0);
    minW = std::max(minW, specified);
    maxW = minW;
  }
  *minWidth = minW;
  *maxWidth = std::max(minW, maxW);
}

void LayoutTable(LayoutState& state, Box* table, int containingWidth, int containingHeight, int available) {
  ResolvePaddingAndMargins(table, containingWidth);
  const ComputedStyle& s = *table->style;
  bool autoLeft = s.margin[kLeft].IsAuto(), autoRight = s.margin[kRight].IsAuto();
  int room = available - table->margin[kLeft] - table->margin[kRight];
  if (CanReuseLayout(table, available, containingHeight)) {
    int rest = available - table->BorderBoxWidth();
    if (autoLeft && autoRight) table->margin[kLeft] = int16_t(std::max(0, rest / 2));
    ApplyRelativeOffset(table, containingWidth, containingHeight);
    return;
  }
  ++state.context.stats.boxesLaidOut;
  bool positioned = s.IsPositioned();
  if (positioned) state.containingBlocks.push_back(LayoutState::ContainingBlock{table, {}});

  Grid grid = BuildGrid(table);
  int spacing = s.borderSpacing;
  int bp = table->padding[kLeft] + table->padding[kRight] + table->BorderWidth(kLeft) + table->BorderWidth(kRight);
  int spacings = grid.columns > 0 ? (grid.columns + 1) * spacing : 0;

  // The table's width (a border box, as browsers read it).
  int minW, maxW;
  TableIntrinsicWidths(state, table, &minW, &maxW);
  int used;
  if (!s.width.IsAuto()) {
    used = std::max(ResolveLength(s.width, containingWidth), minW);
  } else {
    used = std::max(minW, std::min(room, maxW));
  }
  if (!s.maxWidth.IsNone()) used = std::max(minW, std::min(used, ResolveLength(s.maxWidth, containingWidth)));
  int inner = std::max(0, used - bp - spacings);
  Columns cols = MeasureColumns(state, grid, inner);
  std::vector<int> widths = DistributeColumns(cols, inner);
  inner = SumOf(widths);
  table->width = inner + spacings;
  int contentWidth = table->width;

  int rest = containingWidth - table->BorderBoxWidth();
  if (autoLeft && autoRight) {
    table->margin[kLeft] = int16_t(std::max(0, rest / 2));
    table->margin[kRight] = int16_t(std::max(0, rest - rest / 2));
  } else if (autoLeft) {
    table->margin[kLeft] = int16_t(std::max(0, rest - table->margin[kRight]));
  }

  std::vector<int> columnX(size_t(grid.columns) + 1, spacing);
  for (size_t c = 0; c < widths.size(); ++c) columnX[c + 1] = columnX[c] + widths[c] + spacing;

  int y = table->ContentTop();
  // Captions above the grid.
  for (Box* caption : grid.captions) {
    ResolvePaddingAndMargins(caption, contentWidth);
    caption->width = std::max(0, contentWidth - caption->margin[kLeft] - caption->margin[kRight] -
                                     caption->padding[kLeft] - caption->padding[kRight] -
                                     caption->BorderWidth(kLeft) - caption->BorderWidth(kRight));
    caption->x = table->ContentLeft() + caption->margin[kLeft];
    caption->y = y + caption->margin[kTop];
    BlockInput in;
    in.containingWidth = contentWidth;
    LayoutBoxContent(state, caption, in);
    NoteLayoutDone(caption, contentWidth, -1);
    y = caption->y + caption->BorderBoxHeight() + caption->margin[kBottom];
  }
  int gridTop = y;
  if (!grid.rows.empty()) y += spacing;

  // Rows: cells laid out in their column widths, then the row height.
  std::vector<int> rowHeights(grid.rows.size(), 0);
  std::vector<int> rowBaselines(grid.rows.size(), 0);
  for (size_t r = 0; r < grid.rows.size(); ++r) {
    Box* row = grid.rows[r];
    ++state.context.stats.boxesLaidOut;
    size_t begin = grid.rowFirstCell[r];
    size_t end = r + 1 < grid.rows.size() ? grid.rowFirstCell[r + 1] : grid.cells.size();
    int height = 0;
    int baseline = 0;
    for (size_t i = begin; i < end; ++i) {
      Box* cell = grid.cells[i].box;
      size_t c = size_t(grid.cells[i].column);
      int span = grid.cells[i].span;
      int cellWidth = columnX[c + size_t(span)] - columnX[c] - spacing;
      ResolvePaddingAndMargins(cell, contentWidth);
      int cbp = cell->padding[kLeft] + cell->padding[kRight] + cell->BorderWidth(kLeft) + cell->BorderWidth(kRight);
      int width = std::max(0, cellWidth - cbp);
      if (width != cell->width + cell->scrollBarWidth) cell->flags |= kBoxNeedsLayout;
      cell->width = width;
      cell->x = columnX[c];
      cell->y = 0;
      if (!ReuseLayout(cell, cellWidth, -1)) {
        BlockInput in;
        in.containingWidth = cellWidth;
        LayoutBoxContent(state, cell, in);
        NoteLayoutDone(cell, cellWidth, -1);
        cell->naturalHeight = cell->height;
      } else {
        // Back to the content as laid out, before the last alignment.
        ShiftContent(cell, -cell->alignShift);
        cell->height = cell->naturalHeight;
      }
      cell->alignShift = 0;
      int cellHeight = cell->BorderBoxHeight();
      if (cell->style->height.IsFixed()) {
        int specified = ResolveLength(cell->style->height, 0) + cell->padding[kTop] + cell->padding[kBottom] +
                        cell->BorderWidth(kTop) + cell->BorderWidth(kBottom);
        cellHeight = std::max(cellHeight, specified);
      }
      if (cell->style->verticalAlign == VerticalAlign::kBaseline) baseline = std::max(baseline, CellBaseline(cell));
      height = std::max(height, cellHeight);
    }
    // Baseline-aligned cells may need the row taller.
    for (size_t i = begin; i < end; ++i) {
      Box* cell = grid.cells[i].box;
      if (cell->style->verticalAlign != VerticalAlign::kBaseline) continue;
      height = std::max(height, baseline - CellBaseline(cell) + cell->BorderBoxHeight());
    }
    if (row->style->height.IsFixed()) height = std::max(height, ResolveLength(row->style->height, 0));
    rowHeights[r] = height;
    rowBaselines[r] = baseline;
  }

  // A table taller than its rows: the rows share the difference.
  int rowsHeight = 0;
  for (int h : rowHeights) rowsHeight += h + spacing;
  int specifiedHeight = SpecifiedHeight(table, containingHeight);
  if (specifiedHeight >= 0 && !grid.rows.empty()) {
    int wanted = specifiedHeight - table->padding[kTop] - table->padding[kBottom] - table->BorderWidth(kTop) -
                 table->BorderWidth(kBottom) - (gridTop - table->ContentTop()) - spacing;
    int extra = wanted - rowsHeight;
    if (extra > 0) {
      int each = extra / int(rowHeights.size());
      for (int& h : rowHeights) h += each;
      rowHeights.back() += extra - each * int(rowHeights.size());
    }
  }

  // Positions: rows in their groups, cells in their rows.
  std::vector<int> rowY(grid.rows.size());
  for (size_t r = 0; r < grid.rows.size(); ++r) {
    rowY[r] = y;
    y += rowHeights[r] + spacing;
  }
  for (size_t r = 0; r < grid.rows.size(); ++r) {
    Box* row = grid.rows[r];
    Box* group = row->parent != table ? row->parent : nullptr;
    row->width = contentWidth;
    row->height = rowHeights[r];
    row->x = group != nullptr ? 0 : table->ContentLeft();
    row->y = rowY[r];
    size_t begin = grid.rowFirstCell[r];
    size_t end = r + 1 < grid.rows.size() ? grid.rowFirstCell[r + 1] : grid.cells.size();
    for (size_t i = begin; i < end; ++i) {
      Box* cell = grid.cells[i].box;
      int natural = cell->BorderBoxHeight();
      int offset = 0;
      switch (cell->style->verticalAlign) {
        case VerticalAlign::kTop: offset = 0; break;
        case VerticalAlign::kBottom: offset = rowHeights[r] - natural; break;
        case VerticalAlign::kBaseline: offset = rowBaselines[r] - CellBaseline(cell); break;
        default: offset = (rowHeights[r] - natural) / 2; break;
      }
      offset = std::max(0, std::min(offset, 30000));
      ShiftContent(cell, offset);
      cell->alignShift = int16_t(offset);
      cell->height = std::max(0, rowHeights[r] - cell->padding[kTop] - cell->padding[kBottom] -
                                     cell->BorderWidth(kTop) - cell->BorderWidth(kBottom));
      ApplyRelativeOffset(cell, contentWidth, -1);
      ComputeOverflow(cell);
    }
    ComputeOverflow(row);
  }
  // Row groups span their rows.
  for (Box* child = table->firstChild; child != nullptr; child = child->nextSibling) {
    if (child->type != BoxType::kTableRowGroup) continue;
    Box* first = nullptr;
    Box* last = nullptr;
    for (Box* row = child->firstChild; row != nullptr; row = row->nextSibling) {
      if (row->type != BoxType::kTableRow) continue;
      if (first == nullptr) first = row;
      last = row;
    }
    child->x = table->ContentLeft();
    child->width = contentWidth;
    if (first == nullptr) {
      child->y = y;
      child->height = 0;
    } else {
      child->y = first->y;
      child->height = last->y + last->height - first->y;
      for (Box* row = child->firstChild; row != nullptr; row = row->nextSibling) row->y -= child->y;
    }
    ComputeOverflow(child);
  }
  int contentHeight = y - table->ContentTop();
  if (grid.rows.empty()) contentHeight = gridTop - table->ContentTop();
  table->height = contentHeight;
  if (specifiedHeight >= 0) {
    int inside = specifiedHeight - table->padding[kTop] - table->padding[kBottom] - table->BorderWidth(kTop) -
                 table->BorderWidth(kBottom);
    table->height = std::max(table->height, inside);
  }
  ComputeOverflow(table);
  if (positioned) {
    LayoutPendingPositioned(state, state.containingBlocks.size() - 1);
    state.containingBlocks.pop_back();
    ComputeOverflow(table);
  }
  table->SetScrollHeight(table->height + table->padding[kTop] + table->padding[kBottom]);
  NoteLayoutDone(table, available, containingHeight);
  ApplyRelativeOffset(table, containingWidth, containingHeight);
}

}  // namespace engine
