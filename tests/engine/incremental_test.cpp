// Incremental updates: a change restyles, rebuilds and lays out only what it
// can affect, repaints only what changed, and ends where a full update from
// the document alone would.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/engine/game_list_rows.h"
#include "tests/engine/test_util.h"
#include "ui/engine/dump.h"
#include "ui/engine/text.h"

namespace engine {
namespace {

std::string ReadScreen(const char* name) {
  std::ifstream in(std::string(ZARN_ENGINE_GOLDEN_DIR) + "/../screens/" + name, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

// Updates the view, then checks that a full update gives the same boxes and
// display list.
void ExpectSameAsFullUpdate(Rendered& r, const char* step) {
  r.view->Update();
  std::string boxes = r.Boxes(), display = r.Display();
  r.view->InvalidateEverything();
  r.view->Update();
  EXPECT_EQ(boxes, r.Boxes()) << step;
  EXPECT_EQ(display, r.Display()) << step;
}


TEST(Incremental, ProgressValueRepaintsOnlyTheBar) {
  Rendered r(ReadScreen("main_screen.htm"));
  ElementHandle progress = r.ById("progressbar");
  ASSERT_TRUE(SetStyleProperty(r.ById("progressdiv"), "visibility", u"visible"));
  r.view->Update();
  ASSERT_TRUE(SetAttribute(progress, "value", u"45"));
  ASSERT_TRUE(SetAttribute(progress, "title", u"Downloading - 45.3%"));
  UpdateResult result = r.view->Update();
  EXPECT_EQ(r.view->layoutContext().stats.boxesLaidOut, 0);
  Rect bar;
  ASSERT_TRUE(GetElementRect(progress, &bar));
  EXPECT_EQ(result.damage, (Rect{bar.x + 1, bar.y + 1, 135, 14}));  // 45% of the 300px bar
  EXPECT_NE(r.Display().find("fill 17,385 135x14 #5aa640"), std::string::npos) << r.Display();
  ExpectSameAsFullUpdate(r, "progress");
}

TEST(Incremental, VisibilityChangeRepaintsOnlyTheElement) {
  Rendered r(ReadScreen("main_screen.htm"));
  ElementHandle cancel = r.ById("buttcancel");
  ASSERT_TRUE(SetStyleProperty(cancel, "visibility", u"visible"));
  UpdateResult shown = r.view->Update();
  EXPECT_EQ(r.view->layoutContext().stats.boxesLaidOut, 0);
  Rect rect;
  ASSERT_TRUE(GetElementRect(cancel, &rect));
  EXPECT_EQ(shown.damage, rect);
  EXPECT_NE(r.Display().find("\"Cancel\""), std::string::npos);
  ASSERT_TRUE(SetStyleProperty(cancel, "visibility", u"hidden"));
  UpdateResult hidden = r.view->Update();
  EXPECT_EQ(hidden.damage, rect);
  EXPECT_EQ(r.Display().find("\"Cancel\""), std::string::npos);
  ExpectSameAsFullUpdate(r, "visibility");
}

TEST(Incremental, TextChangeLaysOutItsBlockNotItsNeighbours) {
  Rendered r(ReadScreen("main_screen.htm"));
  ElementHandle name = r.ById("bannername");
  ASSERT_TRUE(SetInnerText(name, u"A much longer name of another game that wraps", 45));
  r.view->Update();
  int laidOut = r.view->layoutContext().stats.boxesLaidOut;
  r.view->InvalidateEverything();
  r.view->Update();
  int full = r.view->layoutContext().stats.boxesLaidOut;
  EXPECT_LT(laidOut * 3, full) << laidOut << " of " << full;
  ASSERT_TRUE(SetInnerText(name, u"Short", 5));
  ExpectSameAsFullUpdate(r, "text");
}

TEST(Incremental, RebuiltGameListKeepsItsScrollPosition) {
  Rendered r(ReadScreen("game_list.htm"));
  ElementHandle frame = r.ById("gamelistframe");
  BuildGameList(frame, 40, 100);
  r.view->Update();
  ScrollInfo info;
  ASSERT_TRUE(GetScrollInfo(frame, &info));
  EXPECT_GT(info.maxPosition, 1000);
  ASSERT_TRUE(SetScrollPosition(frame, 700));
  r.view->Update();
  // The refresh in place: read the position, rebuild, update, set it back.
  ASSERT_TRUE(GetScrollInfo(frame, &info));
  int position = info.position;
  BuildGameList(frame, 40, 100);
  r.view->Update();
  ASSERT_TRUE(SetScrollPosition(frame, position));
  r.view->Update();
  ASSERT_TRUE(GetScrollInfo(frame, &info));
  EXPECT_EQ(info.position, 700);
  EXPECT_EQ(CountChildren(frame), 40);
  // Two children per row's second cell, both with the id "tabtext".
  ElementHandle row = GetChild(frame, 3);
  EXPECT_EQ(Utf16ToUtf8(GetAttribute(row, "id")), "gametab103");
  ElementHandle button = GetChild(GetChild(GetChild(GetChild(row, 0), 0), 3), 0);
  EXPECT_EQ(Utf16ToUtf8(GetAttribute(button, "id")), "buttsmallplay");
  EXPECT_EQ(GetParent(GetParent(GetParent(GetParent(button)))), row);
  ExpectSameAsFullUpdate(r, "game list");
  // An empty list empties the frame.
  BuildGameList(frame, 0, 100);
  r.view->Update();
  ASSERT_TRUE(GetScrollInfo(frame, &info));
  EXPECT_EQ(info.maxPosition, 0);
  ExpectSameAsFullUpdate(r, "empty list");
}

// With + and ~ a change to one element restyles its later siblings: after
// each change the incremental update ends where a full one would.
TEST(Incremental, SiblingSelectorsFollowChangesOfEarlierSiblings) {
  Rendered r(
      "<style>#a:hover + p { color: red } .on ~ p b { font-weight: normal; color: green }"
      "li + li { margin-top: 4px } li.gap + li { margin-top: 20px }</style>"
      "<div id=box><p id=a>a</p><p id=b>b <b id=bb>bold</b></p><p id=c>c <b>bold</b></p></div>"
      "<ul id=list><li id=l1>1</li><li id=l2>2</li><li id=l3>3</li></ul>");
  struct Step {
    const char* name;
    std::function<void()> change;
  };
  const Step steps[] = {
      {"hover on the first", [&] { SetElementState(r.ById("a"), kStateHover, 0); }},
      {"class on the first", [&] { SetAttribute(r.ById("a"), "class", u"on"); }},
      {"class on an item", [&] { SetAttribute(r.ById("l1"), "class", u"gap"); }},
      {"item inserted first",
       [&] { InsertElement(CreateElement("li", u"0"), r.ById("list"), 0); }},
      {"first item deleted", [&] { DeleteElement(GetChild(r.ById("list"), 0)); }},
      {"hover gone", [&] { SetElementState(r.ById("a"), 0, kStateHover); }},
  };
  for (const Step& step : steps) {
    step.change();
    ExpectSameAsFullUpdate(r, step.name);
  }
  // The class on the first paragraph made the later one's bold text green.
  EXPECT_EQ(FormatColor(r.NodeById("bb")->style->color), "#008000");
}

// ::before and ::after boxes come and go with their rules, take their text
// from attributes and follow the element's state: after each change the
// incremental update ends where a full one would, and the text is the new one.
TEST(Incremental, GeneratedContentFollowsStateAttributesAndText) {
  Rendered r(
      "<style>a:hover:before { content: '> ' } .tip:after { content: ' (' attr(title) ')' }"
      ".on::before { content: 'on'; display: block } .cf:after { content: ''; display: block; clear: both }</style>"
      "<p><a id=a href=x>link</a> <span id=s class=tip title=one>tip</span></p>"
      "<div id=d><div style='float: left; height: 30px'>f</div></div>");
  struct Step {
    const char* name;
    std::function<void()> change;
    const char* text;  // in the boxes afterwards
  };
  const Step steps[] = {
      {"hover", [&] { SetElementState(r.ById("a"), kStateHover, 0); }, "\"> \""},
      {"title", [&] { SetAttribute(r.ById("s"), "title", u"two"); }, "\" (two)\""},
      {"text of the element", [&] { SetInnerText(r.ById("s"), u"changed", 7); }, "\"changed\""},
      {"class with a block", [&] { SetAttribute(r.ById("d"), "class", u"on cf"); }, "generated-block"},
      {"hover gone", [&] { SetElementState(r.ById("a"), 0, kStateHover); }, "\" (two)\""},
      {"class gone", [&] { SetAttribute(r.ById("d"), "class", u""); }, "float-left"},
  };
  for (const Step& step : steps) {
    step.change();
    ExpectSameAsFullUpdate(r, step.name);
    EXPECT_NE(r.Boxes().find(step.text), std::string::npos) << step.name << "\n" << r.Boxes();
  }
  EXPECT_EQ(r.Boxes().find("\"> \""), std::string::npos);
  EXPECT_EQ(r.Boxes().find("generated-block"), std::string::npos);
}

// An inline box with a block inside is split around it; changes inside,
// around and to the inline box itself end where a full update would.
TEST(Incremental, SplitInlineBoxesFollowChanges) {
  Rendered r(
      "<style>a:hover { color: red } .wide { padding: 0 10px; border: 2px solid } .flat { display: inline }</style>"
      "<div id=box>before <a id=a href=x>link <div id=d>block</div> after</a> end"
      " <span id=s>plain <b id=b>bold <i id=i>deep<p id=p>para</p>deeper</i> tail</b>\n <div>x</div>\n </span>"
      " <span id=t>x<table><tr><td>y <i><b>z <em id=m>moved</em></b></i></td></tr></table></span></div>");
  struct Step {
    const char* name;
    std::function<void()> change;
  };
  const Step steps[] = {
      {"text inside the block", [&] { SetInnerText(r.ById("d"), u"block text", 10); }},
      {"hover on the split box", [&] { SetElementState(r.ById("a"), kStateHover, 0); }},
      {"edges on the split box", [&] { SetAttribute(r.ById("a"), "class", u"wide"); }},
      {"block made inline", [&] { SetAttribute(r.ById("d"), "class", u"flat"); }},
      {"block again", [&] { SetAttribute(r.ById("d"), "class", u""); }},
      {"block into a plain inline", [&] { InsertElement(CreateElement("div", u"new"), r.ById("s"), 0); }},
      {"nested block removed", [&] { DeleteElement(r.ById("p")); }},
      {"nested block back", [&] { InsertElement(CreateElement("p", u"again"), r.ById("i"), 1); }},
      {"text of a nested part", [&] { SetInnerText(r.ById("b"), u"bold only", 9); }},
      {"moved out of a table inside a split box", [&] { InsertElement(r.ById("m"), r.ById("box"), 1); }},
      {"a split box floated", [&] { SetAttribute(r.ById("s"), "style", u"float: left"); }},
      {"split box removed", [&] { DeleteElement(r.ById("a")); }},
      {"hover gone", [&] { SetElementState(r.ById("s"), kStateHover, 0); }},
  };
  for (const Step& step : steps) {
    step.change();
    ExpectSameAsFullUpdate(r, step.name);
  }
}

// Boxes with a scroll bar whose layout is reused when something next to
// them changes keep their width (the bar's room is not added twice).
TEST(Incremental, ScrollBoxesKeepTheirWidthWhenTheirLayoutIsReused) {
  Rendered r(
      "<div id=box><p id=p>text</p>"
      "<div style='overflow:auto;height:30px'><div style='height:100px'>block</div></div>"
      "<div style='float:left;overflow-y:scroll;height:30px'>float</div>"
      "<div style='position:absolute;left:10px;right:10px;overflow:auto;height:30px'><p style='height:90px'>abs</p></div>"
      "<table><tr><td><div style='overflow:auto;height:20px;width:60px'><p style='height:50px'>c</p></div></td>"
      "<td style='overflow:auto'>cell</td></tr></table></div>");
  const char16_t* texts[] = {u"changed text", u"text", u"a longer text that wraps around"};
  for (const char16_t* text : texts) {
    SetInnerText(r.ById("p"), text, std::char_traits<char16_t>::length(text));
    ExpectSameAsFullUpdate(r, "text next to them");
  }
  // A box sized to its content whose content no longer needs the bar.
  Rendered s(
      "<div style='position:absolute;overflow:auto;height:30px'><div id=tall style='height:100px'>s</div>"
      "<span>s</span></div>");
  SetAttribute(s.ById("tall"), "style", u"float:left;width:30%");
  ExpectSameAsFullUpdate(s, "content that fits");
  SetAttribute(s.ById("tall"), "style", u"height:100px");
  ExpectSameAsFullUpdate(s, "content taller again");
}

// The text of a style element is its sheet: taking it out or moving text in
// restyles the document.
TEST(Incremental, StyleElementTextChangesTheSheet) {
  Rendered r("<style id=st>p { margin: 0; color: red }</style><p id=p>x</p><div id=d>p { color: green }</div>");
  DeleteElement(GetChild(r.ById("st"), 0));
  ExpectSameAsFullUpdate(r, "sheet text deleted");
  EXPECT_EQ(FormatColor(r.NodeById("p")->style->color), "#000000");
  InsertElement(GetChild(r.ById("d"), 0), r.ById("st"), 0);
  ExpectSameAsFullUpdate(r, "text moved into the style element");
  EXPECT_EQ(FormatColor(r.NodeById("p")->style->color), "#008000");
}

// Tables: a change to one cell, column or attribute can move the borders,
// columns and rows of the whole table.
TEST(Incremental, TableChangesEndWhereAFullUpdateWould) {
  Rendered r(
      "<table id=t style='border-collapse:collapse;border:4px solid blue'><colgroup><col id=c1 width=30>"
      "<col></colgroup><tr><td id=a rowspan=2 style='border:2px solid green'>a</td><td id=b>b</td></tr>"
      "<tr><td id=c>c</td></tr><tr><td id=d>d</td><td>e</td></tr></table>");
  struct Step {
    const char* name;
    std::function<void()> change;
  };
  const Step steps[] = {
      {"a neighbour's wider border", [&] { SetStyleProperty(r.ById("b"), "border-left", u"6px solid red"); }},
      {"only its colour", [&] { SetStyleProperty(r.ById("b"), "border-left-color", u"black"); }},
      {"hidden wins", [&] { SetStyleProperty(r.ById("c"), "border-style", u"hidden"); }},
      {"the span grows", [&] { SetAttribute(r.ById("a"), "rowspan", u"3"); }},
      {"a column's width", [&] { SetAttribute(r.ById("c1"), "width", u"60"); }},
      {"a column's span", [&] { SetAttribute(r.ById("c1"), "span", u"2"); }},
      {"a column's background", [&] { SetStyleProperty(r.ById("c1"), "background-color", u"yellow"); }},
      {"fixed layout", [&] { SetStyleProperty(r.ById("t"), "table-layout", u"fixed"); }},
      {"with a width", [&] { SetStyleProperty(r.ById("t"), "width", u"200px"); }},
      {"separated borders again", [&] { SetStyleProperty(r.ById("t"), "border-collapse", u"separate"); }},
      {"empty cells hidden", [&] { SetStyleProperty(r.ById("t"), "empty-cells", u"hide"); }},
      {"inline", [&] { SetStyleProperty(r.ById("t"), "display", u"inline-table"); }},
  };
  for (const Step& step : steps) {
    step.change();
    ExpectSameAsFullUpdate(r, step.name);
  }
}

// Text in an anonymous cell takes the font of the element around it: when
// that changes, the cell's layout is not reused.
TEST(Incremental, AnonymousBoxesFollowTheirElementsStyle) {
  Rendered r("<table id=t>stray text<tr><td>a</td></tr></table><div id=d>before<p>block</p>after</div>");
  SetStyleProperty(r.ById("t"), "font-size", u"30px");
  ExpectSameAsFullUpdate(r, "table font");
  SetStyleProperty(r.ById("d"), "font-size", u"30px");
  ExpectSameAsFullUpdate(r, "font around anonymous blocks");
  // The parent rebuilds its children in the same update: a child's box
  // taken again passes its new style on to its anonymous boxes.
  Rendered q("<div id=box><div id=p>text<div>block</div></div></div>");
  SetStyleProperty(q.ById("box"), "font-size", u"30px");
  InsertElement(CreateElement("div", u"new"), q.ById("box"), 0);
  ExpectSameAsFullUpdate(q, "font and a new child");
}

// Deleting the root element leaves nothing to draw, not even the window's
// scroll bar of the tall document it was.
TEST(Incremental, DeletingTheRootLeavesNothing) {
  Rendered r("<div style='height:2000px'>tall</div>");
  EXPECT_NE(r.Display().find("scrollbar"), std::string::npos);
  DeleteElement(r.view->RootElement());
  ExpectSameAsFullUpdate(r, "root deleted");
  EXPECT_EQ(r.Display().find("scrollbar"), std::string::npos) << r.Display();
}

TEST(Incremental, ManyKindsOfChangeEndWhereAFullUpdateWould) {
  Rendered r(ReadScreen("main_screen.htm"));
  struct Step {
    const char* name;
    std::function<void()> change;
  };
  const Step steps[] = {
      {"set text", [&] { SetInnerText(r.ById("GGGG"), u"Renamed game", 12); }},
      {"set href", [&] { SetAttribute(r.ById("SITEURL"), "href", u"http://example.com/x?"); }},
      {"class change", [&] { SetAttribute(r.ById("buttdownload"), "class", u"other"); }},
      {"class back", [&] { SetAttribute(r.ById("buttdownload"), "class", u"bbutton"); }},
      {"show progress", [&] { SetStyleProperty(r.ById("progressdiv"), "visibility", u"visible"); }},
      {"hide download", [&] { SetStyleProperty(r.ById("buttdownload"), "visibility", u"hidden"); }},
      {"style attribute", [&] { SetAttribute(r.ById("about"), "style", u"width: 200px; color: red"); }},
      {"delete a paragraph", [&] { DeleteElement(GetChild(r.ById("about"), 1)); }},
      {"insert a paragraph",
       [&] {
         ElementHandle p = CreateElement("p", u"Inserted paragraph with some words in it");
         InsertElement(p, r.ById("about"), 1);
       }},
      {"float the picture", [&] { SetStyleProperty(r.ById("bannerdivpic"), "visibility", u"visible"); }},
      {"banner picture", [&] { SetAttribute(r.ById("bannerpic"), "src", u"skin/other.jpg"); }},
      {"hover state", [&] { SetElementState(r.ById("buttplay"), kStateHover, 0); }},
      {"display none", [&] { SetAttribute(r.ById("menu"), "style", u"display: none"); }},
      {"display back", [&] { SetAttribute(r.ById("menu"), "style", u""); }},
      {"move an element", [&] { InsertElement(r.ById("bannername"), r.ById("about"), 0); }},
      {"inline to block", [&] { SetAttribute(r.ById("forum"), "style", u"display: block"); }},
      {"block inside inline",
       [&] {
         ElementHandle div = CreateElement("div", u"block");
         InsertElement(div, r.ById("SITEURL"), 0);
       }},
      {"viewport", [&] { r.view->SetViewportSize(600, 400); }},
  };
  for (const Step& step : steps) {
    step.change();
    ExpectSameAsFullUpdate(r, step.name);
  }
}

}  // namespace
}  // namespace engine
