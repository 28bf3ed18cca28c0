// Tables (CSS 2.1 chapter 17): the grid of rows, columns and cells, where
// colspan and rowspan make cells cover several slots and a row's cells skip
// the slots covered from above; column widths from <col>, <colgroup> and
// the cells by the automatic table layout algorithm (17.5.2.2) or the fixed
// one (17.5.2.1); row heights from their cells, a cell spanning rows
// growing them in proportion to their heights; vertical-align in cells
// (17.5.3); the separated borders model with border-spacing (17.6.1) and
// the collapsing one (17.6.2), its borders resolved edge by edge. Captions
// sit above the grid.
//
// As browsers do: a <table> element's width and height are those of its
// border box (their style sheets give it box-sizing: border-box), other
// display: table boxes size their content box; rows and row groups span
// their cells, not the spacing around them; a rowspan stops at the end of
// its row group (0: it reaches there).
#include <algorithm>
#include <cmath>

#include "ui/engine/layout_internal.h"

namespace engine {

namespace {

constexpr int kMaxColumns = 1000;
constexpr int kMaxRowSpan = 65534;

// A non-negative integer attribute (leading white space allowed), or
// `fallback` when there is none; held at `cap`.
int IntegerAttribute(const Box* box, Atom name, int fallback, int cap) {
  if (box->node == nullptr) return fallback;
  const char16_t* text = box->node->attributes.Find(name);
  if (text == nullptr) return fallback;
  const char16_t* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f') ++p;
  if (*p < '0' || *p > '9') return fallback;
  int n = 0;
  for (; *p >= '0' && *p <= '9' && n <= cap; ++p) n = n * 10 + (*p - '0');
  return std::min(n, cap);
}

int ColumnSpanOfCell(const Box* cell) { return std::max(1, IntegerAttribute(cell, kAtomColspan, 1, kMaxColumns)); }

// A grid column's column and column group boxes.
struct TableColumnRef {
  Box* column;  // null for a column group without columns
  Box* group;   // null for a column outside a group
};

struct GridCell {
  Box* box;
  int row;      // the grid row it starts in
  int column;   // the grid column it starts in
  int rowSpan;  // rows it covers, within its row group
  int span;     // columns it covers
};

// A run of grid columns that a column or column group box stands for.
struct ColumnPart {
  Box* box;
  int first, end;
};

struct Grid {
  std::vector<Box*> captions;
  std::vector<Box*> rows;            // in the order they are shown
  std::vector<GridCell> cells;       // by the row they start in
  std::vector<size_t> rowFirstCell;  // one more than rows: the end of the last row's cells
  std::vector<TableColumnRef> columnBoxes;  // per grid column that <col>/<colgroup> define
  std::vector<ColumnPart> columnParts;
  int columns = 0;

  size_t CellsBegin(size_t r) const { return rowFirstCell[r]; }
  size_t CellsEnd(size_t r) const { return rowFirstCell[r + 1]; }
};

// Puts the rows of one row group (or run of rows outside groups) in the
// grid and their cells in the slots left free by cells spanning from above.
// `coveredUntil[c]`: the grid row before which column c is taken.
void AddSection(Grid& grid, const std::vector<Box*>& rows, std::vector<int>& coveredUntil) {
  int start = int(grid.rows.size());
  int end = start + int(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    int r = start + int(i);
    grid.rows.push_back(rows[i]);
    int column = 0;
    for (Box* cell = rows[i]->firstChild; cell != nullptr; cell = cell->nextSibling) {
      if (cell->type != BoxType::kTableCell) continue;
      while (column < int(coveredUntil.size()) && coveredUntil[size_t(column)] > r) ++column;
      int span = std::min(ColumnSpanOfCell(cell), kMaxColumns - column);
      if (span <= 0) break;
      int rowSpan = IntegerAttribute(cell, kAtomRowspan, 1, kMaxRowSpan);
      rowSpan = rowSpan == 0 ? end - r : std::min(rowSpan, end - r);
      grid.cells.push_back(GridCell{cell, r, column, rowSpan, span});
      if (rowSpan > 1) {
        if (int(coveredUntil.size()) < column + span) coveredUntil.resize(size_t(column + span), 0);
        for (int c = column; c < column + span; ++c) coveredUntil[size_t(c)] = r + rowSpan;
      }
      column += span;
    }
    grid.columns = std::max(grid.columns, column);
    grid.rowFirstCell.push_back(grid.cells.size());
  }
}

void AddColumns(Grid& grid, Box* column, Box* group, int span) {
  int first = int(grid.columnBoxes.size());
  span = std::min(span, kMaxColumns - first);
  for (int i = 0; i < span; ++i) grid.columnBoxes.push_back(TableColumnRef{column, group});
  grid.columnParts.push_back(ColumnPart{column != nullptr ? column : group, first, first + std::max(0, span)});
}

Grid BuildGrid(Box* table) {
  Grid grid;
  // Row groups in the order shown: headers, bodies, footers. Rows outside
  // groups make a body of each run of them.
  std::vector<std::vector<Box*>> headers, bodies, footers;
  bool inRun = false;
  for (Box* child = table->firstChild; child != nullptr; child = child->nextSibling) {
    switch (child->type) {
      case BoxType::kTableRowGroup: {
        Display d = child->style->display;
        auto& list = d == Display::kTableHeaderGroup ? headers : d == Display::kTableFooterGroup ? footers : bodies;
        list.emplace_back();
        for (Box* row = child->firstChild; row != nullptr; row = row->nextSibling) {
          if (row->type == BoxType::kTableRow) list.back().push_back(row);
        }
        inRun = false;
        break;
      }
      case BoxType::kTableRow:
        if (!inRun) bodies.emplace_back();
        bodies.back().push_back(child);
        inRun = true;
        break;
      case BoxType::kTableColumnGroup: {
        // A group without columns stands for `span` columns itself.
        if (child->firstChild == nullptr) {
          AddColumns(grid, nullptr, child, std::max(1, IntegerAttribute(child, kAtomSpan, 1, kMaxColumns)));
          break;
        }
        int before = int(grid.columnBoxes.size());
        for (Box* column = child->firstChild; column != nullptr; column = column->nextSibling) {
          AddColumns(grid, column, child, std::max(1, IntegerAttribute(column, kAtomSpan, 1, kMaxColumns)));
        }
        grid.columnParts.push_back(ColumnPart{child, before, int(grid.columnBoxes.size())});
        break;
      }
      case BoxType::kTableColumn:
        AddColumns(grid, child, nullptr, std::max(1, IntegerAttribute(child, kAtomSpan, 1, kMaxColumns)));
        break;
      default:
        grid.captions.push_back(child);
        break;
    }
  }
  grid.rowFirstCell.push_back(0);
  std::vector<int> coveredUntil;
  for (const auto* list : {&headers, &bodies, &footers}) {
    for (const std::vector<Box*>& rows : *list) AddSection(grid, rows, coveredUntil);
  }
  grid.columns = std::max(grid.columns, int(grid.columnBoxes.size()));
  return grid;
}

// The width a <col> (or else its <colgroup>) gives its column.
Length ColumnWidth(const Grid& grid, size_t c) {
  if (c >= grid.columnBoxes.size()) return Length::Auto();
  const TableColumnRef& ref = grid.columnBoxes[c];
  if (ref.column != nullptr && !ref.column->style->width.IsAuto()) return ref.column->style->width;
  if (ref.group != nullptr) return ref.group->style->width;
  return Length::Auto();
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

int HorizontalBorderAndPadding(const Box* box) {
  return box->padding[kLeft] + box->padding[kRight] + box->BorderWidth(kLeft) + box->BorderWidth(kRight);
}

struct Columns {
  std::vector<int> min, max;
  std::vector<float> percent;
  std::vector<bool> fixed;
};

// Column minimum and maximum widths (border boxes) from the columns' own
// widths and the cells.
Columns MeasureColumns(LayoutState& state, const Grid& grid, int tableWidthForPercent, int spacing) {
  Columns cols;
  size_t n = size_t(grid.columns);
  cols.min.assign(n, 0);
  cols.max.assign(n, 0);
  cols.percent.assign(n, 0.f);
  cols.fixed.assign(n, false);
  // A fixed width (of the column, or of a cell in it) is the column's
  // maximum, whatever its content would like, but no minimum: a table
  // squeezed narrower narrows the column down to its content, as browsers do.
  std::vector<int> fixedWidth(n, -1);
  for (size_t c = 0; c < grid.columnBoxes.size(); ++c) {
    Length w = ColumnWidth(grid, c);
    if (w.IsFixed()) {
      fixedWidth[c] = std::max(0, ResolveLength(w, 0));
    } else if (w.IsPercent()) {
      cols.percent[c] = std::max(0.f, w.value);
    }
  }
  std::vector<const GridCell*> spanning;
  for (const GridCell& cell : grid.cells) {
    Box* box = cell.box;
    ResolvePaddingAndMargins(box, tableWidthForPercent);
    int minW, maxW;
    IntrinsicWidths(state, box, &minW, &maxW);
    const Length& w = box->style->width;
    if (cell.span == 1) {
      size_t c = size_t(cell.column);
      cols.min[c] = std::max(cols.min[c], minW);
      cols.max[c] = std::max(cols.max[c], maxW);
      if (w.IsFixed()) fixedWidth[c] = std::max(fixedWidth[c], ResolveLength(w, 0) + HorizontalBorderAndPadding(box));
      if (w.IsPercent()) cols.percent[c] = std::max(cols.percent[c], w.value);
    } else {
      spanning.push_back(&cell);
    }
  }
  for (size_t c = 0; c < n; ++c) {
    if (fixedWidth[c] < 0) continue;
    cols.fixed[c] = true;
    cols.max[c] = std::max(cols.min[c], fixedWidth[c]);
  }
  // Cells spanning columns widen them when the columns are too narrow,
  // in proportion to the columns' maximum widths (narrow spans first).
  std::stable_sort(spanning.begin(), spanning.end(), [](const GridCell* a, const GridCell* b) { return a->span < b->span; });
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

// The fixed table layout (CSS 2.1 17.5.2.1): a column takes the width of
// its <col>, else of the cell of the first row that starts in it (a cell
// spanning columns shares its width evenly among them); the columns left
// share what remains of `inner` evenly. Content plays no part. Columns that
// ask for more than `inner` make the table wider; when all have a width and
// the table is wider, they grow in proportion to it.
std::vector<int> FixedColumnWidths(const Grid& grid, int inner, int spacing) {
  size_t n = size_t(grid.columns);
  std::vector<int> widths(n, -1);
  for (size_t c = 0; c < grid.columnBoxes.size(); ++c) {
    Length w = ColumnWidth(grid, c);
    if (w.IsFixed() || w.IsPercent()) widths[c] = std::max(0, ResolveLength(w, inner));
  }
  if (!grid.rows.empty()) {
    for (size_t i = grid.CellsBegin(0); i < grid.CellsEnd(0); ++i) {
      const GridCell& cell = grid.cells[i];
      const Length& w = cell.box->style->width;
      if (!w.IsFixed() && !w.IsPercent()) continue;
      ResolvePaddingAndMargins(cell.box, inner);
      int total = w.IsFixed() ? ResolveLength(w, 0) + HorizontalBorderAndPadding(cell.box) : ResolveLength(w, inner);
      size_t first = size_t(cell.column), last = first + size_t(cell.span);
      if (std::any_of(widths.begin() + std::ptrdiff_t(first), widths.begin() + std::ptrdiff_t(last),
                      [](int v) { return v >= 0; })) {
        continue;
      }
      total = std::max(0, total - (cell.span - 1) * spacing);
      for (size_t c = first; c < last; ++c) {
        widths[c] = total / cell.span + (c - first < size_t(total % cell.span) ? 1 : 0);
      }
    }
  }
  int64_t given = 0;
  int autoCount = 0;
  for (int w : widths) {
    if (w >= 0) {
      given += w;
    } else {
      ++autoCount;
    }
  }
  int rest = int(std::max<int64_t>(0, inner - given));
  if (autoCount > 0) {
    int seen = 0;
    for (int& w : widths) {
      if (w >= 0) continue;
      w = rest / autoCount + (seen < rest % autoCount ? 1 : 0);
      ++seen;
    }
  } else if (rest > 0 && n > 0) {
    std::vector<int> weights = widths;
    Spread(widths, rest, weights, std::vector<bool>(n, true));
  }
  return widths;
}

int CellBaseline(const Box* cell) {
  int b = FirstBaseline(cell);
  return b >= 0 ? b : cell->ContentTop() + cell->height;
}

// Sets the border widths layout uses for a box (collapsed borders); a cell
// whose widths change is laid out again.
void SetUsedBorders(Box* box, const int (&widths)[4]) {
  if (box->Is(kBoxUsedBorders)) {
    const int16_t* have = box->extra->usedBorder;
    if (have[0] == widths[0] && have[1] == widths[1] && have[2] == widths[2] && have[3] == widths[3]) return;
  }
  Box::Extra& extra = box->ExtraData();
  for (int side = 0; side < 4; ++side) extra.usedBorder[side] = int16_t(std::min(widths[side], 30000));
  box->flags |= kBoxUsedBorders | kBoxNeedsLayout;
  box->flags &= uint16_t(~kBoxIntrinsicValid);
}

// Rows, row groups, columns and column groups span their cells: their own
// borders only count in collapsed borders, never in their size.
void DropOwnBorders(Box* box) {
  const int16_t* w = box->style->borderWidth;
  if (w[0] == 0 && w[1] == 0 && w[2] == 0 && w[3] == 0) {
    if (box->Is(kBoxUsedBorders)) box->flags &= uint16_t(~kBoxUsedBorders);
    return;
  }
  const int none[4] = {0, 0, 0, 0};
  SetUsedBorders(box, none);
}

void ClearUsedBorders(Box* box) {
  if (!box->Is(kBoxUsedBorders)) return;
  box->flags &= uint16_t(~(kBoxUsedBorders | kBoxIntrinsicValid));
  box->flags |= kBoxNeedsLayout;
}

// --- collapsed borders (CSS 2.1 17.6.2)

// Who set a border, in the order of precedence on a tie.
enum BorderOrigin : uint8_t {
  kOriginTable, kOriginColumnGroup, kOriginColumn, kOriginRowGroup, kOriginRow, kOriginCell
};

struct EdgeBorder {
  int width = 0;
  BorderStyle style = BorderStyle::kNone;
  Color color = 0;
  uint8_t origin = kOriginTable;
  bool Drawn() const { return width > 0 && style != BorderStyle::kNone && style != BorderStyle::kHidden; }
};

int StyleRank(BorderStyle style) {
  switch (style) {
    case BorderStyle::kDouble: return 8;
    case BorderStyle::kSolid: return 7;
    case BorderStyle::kDashed: return 6;
    case BorderStyle::kDotted: return 5;
    case BorderStyle::kRidge: return 4;
    case BorderStyle::kOutset: return 3;
    case BorderStyle::kGroove: return 2;
    case BorderStyle::kInset: return 1;
    default: return 0;
  }
}

// The border of `other` replaces `winner` when it takes precedence: hidden
// wins outright, none never; then the wider, then the style higher in
// double, solid, dashed, dotted, ridge, outset, groove, inset, then the
// nearer owner (cell, row, row group, column, column group, table). On a
// full tie the one met first (further left or up) stays.
void Contest(EdgeBorder& winner, const EdgeBorder& other) {
  if (winner.style == BorderStyle::kHidden || other.style == BorderStyle::kNone) return;
  if (other.style == BorderStyle::kHidden || winner.style == BorderStyle::kNone) {
    winner = other;
    return;
  }
  if (other.width != winner.width) {
    if (other.width > winner.width) winner = other;
    return;
  }
  int a = StyleRank(winner.style), b = StyleRank(other.style);
  if (a != b) {
    if (b > a) winner = other;
    return;
  }
  if (other.origin > winner.origin) winner = other;
}

void ContestSide(EdgeBorder& winner, const Box* box, int side, BorderOrigin origin) {
  if (box == nullptr) return;
  const ComputedStyle& s = *box->style;
  Contest(winner, EdgeBorder{s.borderWidth[side], s.borderStyle[side], s.borderColor[side], uint8_t(origin)});
}

// The part of a border of width w before its grid line (left or above) and after it.
int Before(int w) { return w / 2; }
int After(int w) { return w - w / 2; }

// Resolves the border of every edge between two slots of the grid (and on
// its outside), row by row: vertical(r, line, border) for the lines between
// columns 0..columns in row r, horizontal(line, c, border) for the lines
// between rows 0..rows in column c. Edges inside a spanning cell have none.
// Memory: two rows of slots.
template <typename Vertical, typename Horizontal>
void ResolveCollapsedBorders(const Grid& grid, const Box* table, Vertical vertical, Horizontal horizontal) {
  int rows = int(grid.rows.size()), columns = grid.columns;
  std::vector<int> above(size_t(columns), -1), here(size_t(columns), -1);
  auto groupOf = [table](const Box* row) -> const Box* { return row->parent != table ? row->parent : nullptr; };
  auto columnOf = [&](int c) -> const TableColumnRef* {
    return c >= 0 && c < int(grid.columnBoxes.size()) ? &grid.columnBoxes[size_t(c)] : nullptr;
  };
  for (int r = 0; r <= rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      int i = above[size_t(c)];
      here[size_t(c)] = (r < rows && i >= 0 && grid.cells[size_t(i)].row + grid.cells[size_t(i)].rowSpan > r) ? i : -1;
    }
    if (r < rows) {
      for (size_t i = grid.CellsBegin(size_t(r)); i < grid.CellsEnd(size_t(r)); ++i) {
        const GridCell& cell = grid.cells[i];
        for (int c = cell.column; c < cell.column + cell.span; ++c) here[size_t(c)] = int(i);
      }
    }
    const Box* rowAbove = r > 0 ? grid.rows[size_t(r - 1)] : nullptr;
    const Box* rowHere = r < rows ? grid.rows[size_t(r)] : nullptr;
    const Box* groupAbove = rowAbove != nullptr ? groupOf(rowAbove) : nullptr;
    const Box* groupHere = rowHere != nullptr ? groupOf(rowHere) : nullptr;
    bool groupLine = rowAbove == nullptr || rowHere == nullptr || groupAbove != groupHere;
    // The line above row r.
    for (int c = 0; c < columns; ++c) {
      int a = above[size_t(c)], b = here[size_t(c)];
      EdgeBorder e;
      if (a != b || a < 0) {
        if (a >= 0) ContestSide(e, grid.cells[size_t(a)].box, kBottom, kOriginCell);
        if (b >= 0) ContestSide(e, grid.cells[size_t(b)].box, kTop, kOriginCell);
        ContestSide(e, rowAbove, kBottom, kOriginRow);
        ContestSide(e, rowHere, kTop, kOriginRow);
        if (groupLine) {
          ContestSide(e, groupAbove, kBottom, kOriginRowGroup);
          ContestSide(e, groupHere, kTop, kOriginRowGroup);
        }
        if (r == 0 || r == rows) {
          int side = r == 0 ? kTop : kBottom;
          if (const TableColumnRef* col = columnOf(c)) {
            ContestSide(e, col->column, side, kOriginColumn);
            ContestSide(e, col->group, side, kOriginColumnGroup);
          }
          ContestSide(e, table, side, kOriginTable);
        }
      }
      horizontal(r, c, e);
    }
    if (r == rows) break;
    // The lines between the columns of row r.
    for (int v = 0; v <= columns; ++v) {
      int a = v > 0 ? here[size_t(v - 1)] : -1, b = v < columns ? here[size_t(v)] : -1;
      EdgeBorder e;
      if (a != b || a < 0) {
        if (a >= 0) ContestSide(e, grid.cells[size_t(a)].box, kRight, kOriginCell);
        if (b >= 0) ContestSide(e, grid.cells[size_t(b)].box, kLeft, kOriginCell);
        bool edge = v == 0 || v == columns;
        if (edge) {
          int side = v == 0 ? kLeft : kRight;
          ContestSide(e, rowHere, side, kOriginRow);
          ContestSide(e, groupHere, side, kOriginRowGroup);
        }
        const TableColumnRef* left = columnOf(v - 1);
        const TableColumnRef* right = columnOf(v);
        if (left != nullptr) ContestSide(e, left->column, kRight, kOriginColumn);
        if (right != nullptr) ContestSide(e, right->column, kLeft, kOriginColumn);
        const Box* leftGroup = left != nullptr ? left->group : nullptr;
        const Box* rightGroup = right != nullptr ? right->group : nullptr;
        if (leftGroup != rightGroup || edge) {
          ContestSide(e, leftGroup, kRight, kOriginColumnGroup);
          ContestSide(e, rightGroup, kLeft, kOriginColumnGroup);
        }
        if (edge) ContestSide(e, table, v == 0 ? kLeft : kRight, kOriginTable);
      }
      vertical(r, v, e);
    }
    std::swap(above, here);
  }
}

// The widest border on each grid line: columnLines[v] between columns
// v - 1 and v, rowLines[r] between rows r - 1 and r.
struct GridLines {
  std::vector<int> columnLines, rowLines;
};

// Collapsed borders: each cell's border is its half of the widest border
// on each of its grid lines, the table's the outer half of the outer lines
// (as browsers lay them out). Separated: the boxes' own borders.
GridLines PrepareBorders(const Grid& grid, Box* table) {
  GridLines lines;
  bool collapse = table->style->CollapsesBorders() && grid.columns > 0 && !grid.rows.empty();
  if (!collapse) {
    ClearUsedBorders(table);
    for (const GridCell& cell : grid.cells) ClearUsedBorders(cell.box);
    return lines;
  }
  lines.columnLines.assign(size_t(grid.columns) + 1, 0);
  lines.rowLines.assign(grid.rows.size() + 1, 0);
  auto width = [](const EdgeBorder& e) { return e.Drawn() ? e.width : 0; };
  ResolveCollapsedBorders(
      grid, table,
      [&](int, int v, const EdgeBorder& e) {
        lines.columnLines[size_t(v)] = std::max(lines.columnLines[size_t(v)], width(e));
      },
      [&](int r, int, const EdgeBorder& e) {
        lines.rowLines[size_t(r)] = std::max(lines.rowLines[size_t(r)], width(e));
      });
  for (const GridCell& cell : grid.cells) {
    int borders[4];
    borders[kTop] = After(lines.rowLines[size_t(cell.row)]);
    borders[kBottom] = Before(lines.rowLines[size_t(cell.row + cell.rowSpan)]);
    borders[kLeft] = After(lines.columnLines[size_t(cell.column)]);
    borders[kRight] = Before(lines.columnLines[size_t(cell.column + cell.span)]);
    SetUsedBorders(cell.box, borders);
  }
  int borders[4];
  borders[kTop] = Before(lines.rowLines.front());
  borders[kBottom] = After(lines.rowLines.back());
  borders[kLeft] = Before(lines.columnLines.front());
  borders[kRight] = After(lines.columnLines.back());
  SetUsedBorders(table, borders);
  return lines;
}

// The collapsed borders as pieces to paint, in the table's border-box
// coordinates: runs of edges with the same border joined, each reaching
// over the junctions at its ends, weaker borders first so that the winner
// of a junction is painted over it.
std::vector<TableBorderSegment> CollapsedBorderSegments(const Grid& grid, const Box* table, const GridLines& lines,
                                                        const std::vector<int>& lineX,
                                                        const std::vector<int>& lineY) {
  struct Piece {
    TableBorderSegment segment;
    int width;
    int rank;
  };
  std::vector<Piece> pieces;
  auto same = [](const EdgeBorder& a, const EdgeBorder& b) {
    return a.width == b.width && a.style == b.style && a.color == b.color;
  };
  auto add = [&](const EdgeBorder& e, bool vertical, int line, int from, int to) {
    TableBorderSegment s;
    s.vertical = vertical;
    s.style = e.style;
    s.color = e.color;
    if (vertical) {
      int x = lineX[size_t(line)];
      int top = lineY[size_t(from)] - Before(lines.rowLines[size_t(from)]);
      int bottom = lineY[size_t(to)] + After(lines.rowLines[size_t(to)]);
      s.rect = Rect{x - Before(e.width), top, e.width, bottom - top};
    } else {
      int y = lineY[size_t(line)];
      int left = lineX[size_t(from)] - Before(lines.columnLines[size_t(from)]);
      int right = lineX[size_t(to)] + After(lines.columnLines[size_t(to)]);
      s.rect = Rect{left, y - Before(e.width), right - left, e.width};
    }
    pieces.push_back(Piece{s, e.width, StyleRank(e.style) * 8 + e.origin});
  };
  // Open runs on the vertical lines, carried from row to row.
  struct Run {
    EdgeBorder border;
    int from = -1;
  };
  std::vector<Run> open(size_t(grid.columns) + 1);
  Run across;  // the run along the current horizontal line
  int rows = int(grid.rows.size());
  ResolveCollapsedBorders(
      grid, table,
      [&](int r, int v, const EdgeBorder& e) {
        Run& run = open[size_t(v)];
        if (run.from >= 0 && same(run.border, e)) return;
        if (run.from >= 0) add(run.border, true, v, run.from, r);
        run.from = e.Drawn() ? r : -1;
        run.border = e;
      },
      [&](int r, int c, const EdgeBorder& e) {
        if (c == 0) across.from = -1;
        if (!(across.from >= 0 && same(across.border, e))) {
          if (across.from >= 0) add(across.border, false, r, across.from, c);
          across.from = e.Drawn() ? c : -1;
          across.border = e;
        }
        if (c == grid.columns - 1 && across.from >= 0) add(across.border, false, r, across.from, grid.columns);
      });
  for (size_t v = 0; v < open.size(); ++v) {
    if (open[v].from >= 0) add(open[v].border, true, int(v), open[v].from, rows);
  }
  std::stable_sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) {
    return a.width != b.width ? a.width < b.width : a.rank < b.rank;
  });
  std::vector<TableBorderSegment> out;
  out.reserve(pieces.size());
  for (const Piece& p : pieces) out.push_back(p.segment);
  return out;
}

// The table's padding as layout uses it: none when its borders
// collapse.
void ResolveTablePadding(Box* table, int containingWidth) {
  ResolvePaddingAndMargins(table, containingWidth);
  if (table->style->CollapsesBorders()) {
    for (int side = 0; side < 4; ++side) table->padding[side] = 0;
  }
}

// A <table> element's width and height are its border box's.
bool SizesBorderBox(const Box* table) { return table->node != nullptr && table->node->tag == kAtomTable; }

bool UsesFixedLayout(const Box* table) {
  return table->style->tableLayout == TableLayout::kFixed && !table->style->width.IsAuto();
}

// Minimum and maximum border-box widths of a table whose grid is built and
// borders prepared; `bp` is its horizontal border and padding.
void GridIntrinsicWidths(LayoutState& state, Box* table, const Grid& grid, int bp, int* minWidth, int* maxWidth) {
  int spacing = table->style->CollapsesBorders() ? 0 : table->style->borderSpacing;
  int extras = grid.columns > 0 ? bp + (grid.columns + 1) * spacing : bp;
  int minW, maxW;
  if (UsesFixedLayout(table)) {
    minW = maxW = SumOf(FixedColumnWidths(grid, 0, spacing)) + extras;
  } else {
    Columns cols = MeasureColumns(state, grid, 0, spacing);
    minW = SumOf(cols.min) + extras;
    maxW = SumOf(cols.max) + extras;
  }
  for (Box* caption : grid.captions) {
    int cMin, cMax;
    IntrinsicWidths(state, caption, &cMin, &cMax);
    minW = std::max(minW, cMin + bp);
  }
  const Length& width = table->style->width;
  if (width.IsFixed()) {
    int specified = ResolveLength(width, 0) + (SizesBorderBox(table) ? 0 : bp);
    minW = std::max(minW, specified);
    maxW = minW;
  } else if (width.IsPercent() && UsesFixedLayout(table)) {
    maxW = minW;
  }
  *minWidth = minW;
  *maxWidth = std::max(minW, maxW);
}

}  // namespace

int TableBaseline(const Box* table) {
  // The first row shown: of the first header group, else of the first body.
  const Box* first = nullptr;
  for (int pass = 0; pass < 3 && first == nullptr; ++pass) {
    for (const Box* child = table->firstChild; child != nullptr && first == nullptr; child = child->nextSibling) {
      Display d = child->style->display;
      int order = child->type == BoxType::kTableRow ? 1
                  : child->type != BoxType::kTableRowGroup ? -1
                  : d == Display::kTableHeaderGroup ? 0
                  : d == Display::kTableFooterGroup ? 2
                                                    : 1;
      if (order != pass) continue;
      if (child->type == BoxType::kTableRow) {
        first = child;
        break;
      }
      for (const Box* row = child->firstChild; row != nullptr; row = row->nextSibling) {
        if (row->type == BoxType::kTableRow) {
          first = row;
          break;
        }
      }
    }
  }
  if (first == nullptr || first->naturalHeight < 0) return -1;
  int y = first->y + first->naturalHeight;
  if (first->parent != table) y += first->parent->y;
  return y;
}

void TableIntrinsicWidths(LayoutState& state, Box* table, int* minWidth, int* maxWidth) {
  Grid grid = BuildGrid(table);
  PrepareBorders(grid, table);
  // Percentages of padding count as 0: they refer to the width being found.
  int bp = table->BorderWidth(kLeft) + table->BorderWidth(kRight);
  if (!table->style->CollapsesBorders()) {
    for (int side : {kLeft, kRight}) {
      if (table->style->padding[side].IsFixed()) bp += std::max(0, ResolveLength(table->style->padding[side], 0));
    }
  }
  GridIntrinsicWidths(state, table, grid, bp, minWidth, maxWidth);
}

void LayoutTable(LayoutState& state, Box* table, int containingWidth, int containingHeight, int available) {
  ResolveTablePadding(table, containingWidth);
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
  bool collapse = s.CollapsesBorders();
  int spacing = collapse ? 0 : s.borderSpacing;
  GridLines lines = PrepareBorders(grid, table);
  int bp = HorizontalBorderAndPadding(table);
  int bpVertical =
      table->padding[kTop] + table->padding[kBottom] + table->BorderWidth(kTop) + table->BorderWidth(kBottom);
  int spacings = grid.columns > 0 ? (grid.columns + 1) * spacing : 0;
  bool borderBox = SizesBorderBox(table);

  // The table's width (border box).
  int minW, maxW;
  GridIntrinsicWidths(state, table, grid, bp, &minW, &maxW);
  int used;
  if (!s.width.IsAuto()) {
    used = std::max(ResolveLength(s.width, containingWidth) + (borderBox ? 0 : bp), minW);
  } else {
    used = std::max(minW, std::min(room, maxW));
  }
  if (!s.maxWidth.IsNone()) {
    used = std::max(minW, std::min(used, ResolveLength(s.maxWidth, containingWidth) + (borderBox ? 0 : bp)));
  }
  int inner = std::max(0, used - bp - spacings);
  std::vector<int> widths;
  if (UsesFixedLayout(table)) {
    widths = FixedColumnWidths(grid, inner, spacing);
  } else {
    widths = DistributeColumns(MeasureColumns(state, grid, inner, spacing), inner);
  }
  // A table without columns keeps the width it was given.
  inner = grid.columns > 0 ? SumOf(widths) : std::max(0, used - bp);
  table->width = inner + spacings;
  int contentWidth = table->width;

  int rest = containingWidth - table->BorderBoxWidth();
  if (autoLeft && autoRight) {
    table->margin[kLeft] = int16_t(std::max(0, rest / 2));
    table->margin[kRight] = int16_t(std::max(0, rest - rest / 2));
  } else if (autoLeft) {
    table->margin[kLeft] = int16_t(std::max(0, rest - table->margin[kRight]));
  }

  // Column edges from the content box's left; rows and row groups span the
  // cells, not the spacing outside them.
  std::vector<int> columnX(size_t(grid.columns) + 1, spacing);
  for (size_t c = 0; c < widths.size(); ++c) columnX[c + 1] = columnX[c] + widths[c] + spacing;
  int rowLeft = grid.columns > 0 ? spacing : 0;
  int rowWidth = std::max(0, contentWidth - 2 * rowLeft);

  int y = table->ContentTop();
  // Captions above the grid.
  for (Box* caption : grid.captions) {
    ResolvePaddingAndMargins(caption, contentWidth);
    caption->width = std::max(0, contentWidth - caption->margin[kLeft] - caption->margin[kRight] -
                                     HorizontalBorderAndPadding(caption));
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

  // Cells laid out in their column widths; the rows they start in take the
  // height of those that span one row and the baseline of those aligned on
  // it.
  size_t rowCount = grid.rows.size();
  std::vector<int> rowHeights(rowCount, 0);
  std::vector<int> rowBaselines(rowCount, 0);
  std::vector<int> cellHeights(grid.cells.size(), 0);
  std::vector<size_t> spanning;
  for (size_t r = 0; r < rowCount; ++r) {
    Box* row = grid.rows[r];
    ++state.context.stats.boxesLaidOut;
    int height = 0;
    int baseline = 0;
    for (size_t i = grid.CellsBegin(r); i < grid.CellsEnd(r); ++i) {
      const GridCell& gc = grid.cells[i];
      Box* cell = gc.box;
      size_t c = size_t(gc.column);
      int cellWidth = columnX[c + size_t(gc.span)] - columnX[c] - spacing;
      ResolvePaddingAndMargins(cell, contentWidth);
      int width = std::max(0, cellWidth - HorizontalBorderAndPadding(cell));
      if (width != cell->width + cell->scrollBarWidth) cell->flags |= kBoxNeedsLayout;
      cell->width = width;
      cell->x = columnX[c] - rowLeft;
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
      cellHeights[i] = cellHeight;
      if (gc.rowSpan == 1) {
        height = std::max(height, cellHeight);
      } else {
        spanning.push_back(i);
      }
    }
    // Baseline-aligned cells may need the row (or the rows they span) taller.
    for (size_t i = grid.CellsBegin(r); i < grid.CellsEnd(r); ++i) {
      Box* cell = grid.cells[i].box;
      if (cell->style->verticalAlign != VerticalAlign::kBaseline) continue;
      cellHeights[i] = std::max(cellHeights[i], baseline - CellBaseline(cell) + cell->BorderBoxHeight());
      if (grid.cells[i].rowSpan == 1) height = std::max(height, cellHeights[i]);
    }
    if (row->style->height.IsFixed()) height = std::max(height, ResolveLength(row->style->height, 0));
    rowHeights[r] = height;
    rowBaselines[r] = baseline;
  }

  // A cell spanning rows taller than they are: they grow by the difference,
  // in proportion to their heights: those of no fixed height first, else
  // all (the last one takes it all when they have none). Shorter spans
  // first.
  std::stable_sort(spanning.begin(), spanning.end(),
                   [&](size_t a, size_t b) { return grid.cells[a].rowSpan < grid.cells[b].rowSpan; });
  for (size_t i : spanning) {
    const GridCell& gc = grid.cells[i];
    size_t first = size_t(gc.row), last = first + size_t(gc.rowSpan);
    int64_t have = int64_t(gc.rowSpan - 1) * spacing;
    for (size_t r = first; r < last; ++r) have += rowHeights[r];
    int extra = int(std::min<int64_t>(cellHeights[i] - have, INT_MAX / 4));
    if (extra <= 0) continue;
    std::vector<int> part(rowHeights.begin() + std::ptrdiff_t(first), rowHeights.begin() + std::ptrdiff_t(last));
    std::vector<bool> eligible(part.size());
    bool anyHeight = false, anyFree = false;
    for (size_t k = 0; k < part.size(); ++k) {
      bool free = part[k] > 0 && !grid.rows[first + k]->style->height.IsFixed();
      anyHeight = anyHeight || part[k] > 0;
      anyFree = anyFree || free;
    }
    for (size_t k = 0; k < part.size(); ++k) {
      bool fixed = grid.rows[first + k]->style->height.IsFixed();
      eligible[k] = anyFree ? part[k] > 0 && !fixed : anyHeight ? part[k] > 0 : k + 1 == part.size();
    }
    std::vector<int> weights = part;
    Spread(part, extra, weights, eligible);
    std::copy(part.begin(), part.end(), rowHeights.begin() + std::ptrdiff_t(first));
  }

  // A table taller than its rows: the rows share the difference.
  int64_t rowsHeight = 0;
  for (int h : rowHeights) rowsHeight += h + spacing;
  int specifiedHeight = SpecifiedHeight(table, containingHeight);
  if (specifiedHeight >= 0 && !borderBox) specifiedHeight += bpVertical;
  if (specifiedHeight >= 0 && rowCount > 0) {
    int wanted = specifiedHeight - bpVertical - (gridTop - table->ContentTop()) - spacing;
    int64_t extra = wanted - rowsHeight;
    if (extra > 0) {
      int each = int(extra / int64_t(rowCount));
      for (int& h : rowHeights) h += each;
      rowHeights.back() += int(extra - int64_t(each) * int64_t(rowCount));
    }
  }

  // Positions: rows in their groups, cells in their rows, aligned in the
  // height of the rows they span.
  std::vector<int> rowY(rowCount + 1);
  for (size_t r = 0; r < rowCount; ++r) {
    rowY[r] = y;
    y += rowHeights[r] + spacing;
  }
  rowY[rowCount] = rowCount > 0 ? rowY[rowCount - 1] + rowHeights[rowCount - 1] : y;
  for (size_t r = 0; r < rowCount; ++r) {
    Box* row = grid.rows[r];
    Box* group = row->parent != table ? row->parent : nullptr;
    row->width = rowWidth;
    row->height = rowHeights[r];
    row->x = group != nullptr ? 0 : table->ContentLeft() + rowLeft;
    row->y = rowY[r];
    row->naturalHeight = -1;
    DropOwnBorders(row);
    for (size_t i = grid.CellsBegin(r); i < grid.CellsEnd(r); ++i) {
      const GridCell& gc = grid.cells[i];
      Box* cell = gc.box;
      size_t last = r + size_t(gc.rowSpan) - 1;
      int spanHeight = rowY[last] + rowHeights[last] - rowY[r];
      int natural = cell->BorderBoxHeight();
      int offset = 0;
      switch (cell->style->verticalAlign) {
        case VerticalAlign::kTop: offset = 0; break;
        case VerticalAlign::kBottom: offset = spanHeight - natural; break;
        case VerticalAlign::kBaseline: offset = rowBaselines[r] - CellBaseline(cell); break;
        default: offset = (spanHeight - natural) / 2; break;
      }
      offset = std::max(0, std::min(offset, 30000));
      ShiftContent(cell, offset);
      cell->alignShift = int16_t(offset);
      cell->height = std::max(0, spanHeight - cell->padding[kTop] - cell->padding[kBottom] -
                                     cell->BorderWidth(kTop) - cell->BorderWidth(kBottom));
      // The row's baseline: its baseline-aligned cells', else its first cell's.
      if (cell->style->verticalAlign == VerticalAlign::kBaseline) {
        row->naturalHeight = rowBaselines[r];
      } else if (row->naturalHeight < 0 && i == grid.CellsBegin(r)) {
        row->naturalHeight = CellBaseline(cell);
      }
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
    DropOwnBorders(child);
    child->x = table->ContentLeft() + rowLeft;
    child->width = rowWidth;
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
  // Columns and column groups span their columns and the rows.
  int columnsTop = rowCount > 0 ? rowY[0] : gridTop;
  int columnsHeight = rowCount > 0 ? rowY[rowCount] - rowY[0] : 0;
  for (const ColumnPart& part : grid.columnParts) {
    Box* box = part.box;
    DropOwnBorders(box);
    int first = std::min(part.first, grid.columns), end = std::min(part.end, grid.columns);
    box->x = table->ContentLeft() + columnX[size_t(first)];
    box->width = end > first ? columnX[size_t(end)] - spacing - columnX[size_t(first)] : 0;
    box->y = columnsTop;
    box->height = columnsHeight;
    box->overflowOut[kTop] = box->overflowOut[kRight] = box->overflowOut[kBottom] = box->overflowOut[kLeft] = 0;
  }
  for (const ColumnPart& part : grid.columnParts) {
    Box* box = part.box;
    if (box->type == BoxType::kTableColumn && box->parent != table) {
      box->x -= box->parent->x;
      box->y -= box->parent->y;
    }
  }

  if (collapse && grid.columns > 0 && rowCount > 0) {
    std::vector<int> lineX(size_t(grid.columns) + 1);
    for (size_t v = 0; v < lineX.size(); ++v) lineX[v] = table->ContentLeft() + columnX[v];
    table->ExtraData().tableBorders = CollapsedBorderSegments(grid, table, lines, lineX, rowY);
  } else if (table->extra != nullptr) {
    table->extra->tableBorders.clear();
  }

  int contentHeight = y - table->ContentTop();
  if (rowCount == 0) contentHeight = gridTop - table->ContentTop();
  table->height = contentHeight;
  if (specifiedHeight >= 0) table->height = std::max(table->height, specifiedHeight - bpVertical);
  ComputeOverflow(table);
  if (collapse && table->extra != nullptr) {
    Rect area = table->Overflow();
    for (const TableBorderSegment& segment : table->extra->tableBorders) area = Union(area, segment.rect);
    table->SetOverflow(area);
  }
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
