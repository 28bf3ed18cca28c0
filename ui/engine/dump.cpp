// Box tree dump.
#include "ui/engine/dump.h"

#include <vector>

#include "ui/engine/layout_internal.h"
#include "ui/engine/text.h"

namespace engine {

namespace {

const char* TypeName(const Box* box) {
  switch (box->type) {
    case BoxType::kBlock: return box->Is(kBoxListItem) ? "list-item" : "block";
    case BoxType::kInlineBlock: return "inline-block";
    case BoxType::kInline: return "inline";
    case BoxType::kText: return "text";
    case BoxType::kLineBreak: return "br";
    case BoxType::kImage: return "image";
    case BoxType::kProgress: return "progress";
    case BoxType::kTable: return "table";
    case BoxType::kTableRowGroup: return "row-group";
    case BoxType::kTableRow: return "row";
    case BoxType::kTableCell: return "cell";
    case BoxType::kTableColumnGroup: return "column-group";
    case BoxType::kTableColumn: return "column";
  }
  return "?";
}

std::string Edges(const char* name, const int16_t v[4]) {
  if (v[0] == 0 && v[1] == 0 && v[2] == 0 && v[3] == 0) return "";
  return std::string(" ") + name + "=" + std::to_string(v[0]) + "," + std::to_string(v[1]) + "," +
         std::to_string(v[2]) + "," + std::to_string(v[3]);
}

std::string Quote(std::u16string_view text) {
  std::string utf8 = Utf16ToUtf8(text);
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

class Dumper {
 public:
  std::string out;

  void Box(const engine::Box* box, Point origin, int depth) {
    Indent(depth);
    out += box->IsAnonymous()           ? std::string("anonymous-") + TypeName(box)
           : box->Is(kBoxGenerated) ? std::string("generated-") + TypeName(box)
                                    : TypeName(box);
    if (box->node != nullptr && box->node->IsElement()) out += " " + DescribeNode(box->node);
    if (box->type == BoxType::kText) {
      out += " " + Quote(SourceTextOf(box));
      out += "\n";
      return;
    }
    if (box->type == BoxType::kInline || box->type == BoxType::kLineBreak) {
      out += "\n";
      ForEachInlineChild(box, origin, depth + 1);
      return;
    }
    out += " " + std::to_string(origin.x) + "," + std::to_string(origin.y) + " " +
           std::to_string(box->BorderBoxWidth()) + "x" + std::to_string(box->BorderBoxHeight());
    const int16_t borders[4] = {int16_t(box->BorderWidth(kTop)), int16_t(box->BorderWidth(kRight)),
                                int16_t(box->BorderWidth(kBottom)), int16_t(box->BorderWidth(kLeft))};
    out += Edges("m", box->margin) + Edges("p", box->padding) + Edges("b", borders);
    if (box->IsFloating()) out += box->style->floatSide == FloatSide::kLeft ? " float-left" : " float-right";
    if (box->style->position == Position::kAbsolute) out += " absolute";
    if (box->style->position == Position::kFixed) out += " fixed";
    if (box->style->position == Position::kRelative) out += " relative";
    if (!box->style->zIndexAuto) out += " z=" + std::to_string(box->style->zIndex);
    if (box->Is(kBoxVerticalScrollbar)) out += " scrollbar scroll-height=" + std::to_string(box->ScrollHeight());
    out += "\n";
    if (box->inlines != nullptr) Lines(box, origin, depth + 1);
    Children(box, origin, depth + 1);
  }

 private:
  void Indent(int depth) { out.append(size_t(depth) * 2, ' '); }

  // Children that are not in lines: blocks, floats, positioned and table parts.
  void Children(const engine::Box* box, Point origin, int depth) {
    for (const engine::Box* child = box->firstChild; child != nullptr; child = child->nextSibling) {
      if (child->type == BoxType::kInline) {
        ForEachInlineChild(child, origin, depth);
        continue;
      }
      if (child->type == BoxType::kText || child->type == BoxType::kLineBreak) continue;
      if (child->IsAtomicInline() && !child->IsOutOfFlow()) continue;  // shown in its line
      Box(child, ChildOrigin(child, origin), depth);
    }
  }

  // Floats and positioned boxes inside inline boxes are laid out in the
  // container's coordinates.
  void ForEachInlineChild(const engine::Box* inlineBox, Point origin, int depth) {
    for (const engine::Box* child = inlineBox->firstChild; child != nullptr; child = child->nextSibling) {
      if (child->type == BoxType::kInline) {
        ForEachInlineChild(child, origin, depth);
      } else if (child->IsOutOfFlow()) {
        Box(child, ChildOrigin(child, origin), depth);
      }
    }
  }

  Point ChildOrigin(const engine::Box* child, Point parentOrigin) {
    if (child->IsOutOfFlowPositioned()) {
      // Against the containing block (or the canvas).
      Point p{child->x, child->y};
      for (engine::Box* cb = LayoutParentOf(const_cast<engine::Box*>(child)); cb != nullptr;
           cb = LayoutParentOf(cb)) {
        p.x += cb->x + cb->relX;
        p.y += cb->y + cb->relY;
      }
      return p;
    }
    return Point{parentOrigin.x + child->x + child->relX, parentOrigin.y + child->y + child->relY};
  }

  void Lines(const engine::Box* box, Point origin, int depth) {
    const InlineContent& content = *box->inlines;
    for (const LineBox& line : content.lines()) {
      Indent(depth);
      out += "line " + std::to_string(origin.x + box->ContentLeft()) + "," + std::to_string(origin.y + line.y) + " " +
             std::to_string(box->width) + "x" + std::to_string(line.height) +
             " baseline=" + std::to_string(origin.y + line.baseline) + "\n";
      for (uint32_t i = line.firstFragment; i < line.firstFragment + line.fragmentCount; ++i) {
        const LineFragment& f = content.fragments()[i];
        if (f.kind != LineFragment::kAtomic) Indent(depth + 1);
        std::string where = std::to_string(origin.x + f.x) + "," + std::to_string(origin.y + f.y) + " " +
                            std::to_string(f.width) + "x" + std::to_string(f.height);
        switch (f.kind) {
          case LineFragment::kText:
            out += "text " + where + " " +
                   Quote(TextOf(f.box).substr(f.textStart, f.textLength)) + "\n";
            break;
          case LineFragment::kInlineBox:
            out += "inline " + (f.box->Is(kBoxGenerated) ? std::string("(generated)") : DescribeNode(f.box->node)) +
                   " " + where + "\n";
            break;
          case LineFragment::kAtomic:
            Box(f.box, Point{origin.x + f.box->x + f.box->relX, origin.y + f.box->y + f.box->relY}, depth + 1);
            break;
        }
      }
    }
  }
};

}  // namespace

std::string DescribeNode(const Node* node) {
  if (node == nullptr) return "(anonymous)";
  if (node->IsText()) return "#text";
  std::string out = "<" + AtomName(node->tag);
  if (const char16_t* id = node->attributes.Find(kAtomId)) out += "#" + Utf16ToUtf8(id);
  if (const char16_t* classes = node->attributes.Find(kAtomClass)) {
    std::u16string_view c(classes);
    size_t i = 0;
    while (i < c.size()) {
      while (i < c.size() && IsSpace(c[i])) ++i;
      size_t j = i;
      while (j < c.size() && !IsSpace(c[j])) ++j;
      if (j > i) out += "." + Utf16ToUtf8(c.substr(i, j - i));
      i = j;
    }
  }
  return out + ">";
}

std::string DumpBoxTree(const Box* root) {
  if (root == nullptr) return "(no boxes)\n";
  Dumper dumper;
  dumper.Box(root, Point{root->x, root->y}, 0);
  return dumper.out;
}

}  // namespace engine
