// Game list rows built through the element operations, as the manager does.
#include "tests/engine/game_list_rows.h"

#include "ui/engine/text.h"
#include "ui/engine/view.h"

namespace engine {

ElementHandle BuildGameRow(const std::u16string& name, const std::u16string& id) {
  ElementHandle li = CreateElement("li", u"");
  SetAttribute(li, "id", (u"gametab" + id).c_str());
  ElementHandle table = CreateElement("table", u"");
  SetAttribute(table, "id", u"listtable");
  InsertElement(table, li, 99);
  ElementHandle tr = CreateElement("tr", u"");
  SetAttribute(tr, "id", u"tablerow");
  InsertElement(tr, table, 99);
  auto cell = [&](const char16_t* valign, const char16_t* cellId) {
    ElementHandle td = CreateElement("td", u"");
    SetAttribute(td, "valign", valign);
    SetAttribute(td, "id", cellId);
    InsertElement(td, tr, 99);
    return td;
  };
  ElementHandle first = cell(u"top", u"firstcol");
  ElementHandle border = CreateElement("div", u"");
  SetAttribute(border, "id", u"borderous");
  InsertElement(border, first, 99);
  ElementHandle pic = CreateElement("img", u"");
  SetAttribute(pic, "src", (u"C:\\Games\\" + id + u"\\thumb.jpg").c_str());
  SetAttribute(pic, "id", u"tabpic");
  InsertElement(pic, border, 99);
  ElementHandle second = cell(u"middle", u"secondcol");
  ElementHandle b = CreateElement("b", name.c_str());
  SetAttribute(b, "id", u"tabtext");
  InsertElement(b, second, 99);
  ElementHandle i = CreateElement("i", u"");
  SetAttribute(i, "id", u"tabtext");
  InsertElement(i, second, 99);
  cell(u"middle", u"thirdcol");
  ElementHandle fourth = cell(u"middle", u"fourthcol");
  ElementHandle button = CreateElement("div", u"");
  SetAttribute(button, "class", u"bbutton");
  SetAttribute(button, "id", u"buttsmallplay");
  SetAttribute(button, "title", u"Play");
  InsertElement(button, fourth, 99);
  return li;
}

void BuildGameList(ElementHandle container, int rows, int firstId) {
  for (int i = CountChildren(container) - 1; i >= 0; --i) DeleteElement(GetChild(container, i));
  for (int i = 0; i < rows; ++i) {
    std::u16string id = Utf8ToUtf16(std::to_string(firstId + i));
    InsertElement(BuildGameRow(u"Game number " + id, id), container, i);
  }
}

}  // namespace engine
