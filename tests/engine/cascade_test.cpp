// Selector matching and the cascade: which elements a selector picks, and
// which declaration wins by origin, importance, specificity and order, with
// inheritance, initial values and the attributes HTML turns into style.
#include <gtest/gtest.h>

#include "tests/engine/test_util.h"
#include "ui/engine/css_parser.h"
#include "ui/engine/display_list.h"
#include "ui/engine/selectors.h"
#include "ui/engine/text.h"

namespace engine {
namespace {

const char kMatchDocument[] =
    "<div id=top class='box main'>"
    "<p id=p1 class=intro>One <a id=a1 href=x>link</a> <a id=a2 name=n>anchor</a></p>"
    "<p id=p2 lang=en-US><span id=s1 class='x y'>t</span></p>"
    "<ul id=list><li id=l1>a</li><li id=l2 class=mid>b</li><li id=l3>c</li></ul>"
    "</div>"
    "<div id=other><p id=p3 title='a b c'>q</p></div>";

// Ids of the elements a selector matches, in document order.
std::string Matching(const Rendered& r, const char* selectorText) {
  std::vector<Selector> selectors;
  if (!ParseSelectorList(selectorText, &selectors)) return "(invalid)";
  std::string out;
  std::vector<const Node*> pending{r.view->document()->root};
  while (!pending.empty()) {
    const Node* n = pending.back();
    pending.pop_back();
    for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) pending.push_back(*it);
    if (!n->IsElement() || n->attributes.Find(kAtomId) == nullptr) continue;
    bool any = false;
    for (const Selector& s : selectors) any = any || MatchesSelector(s, n);
    if (any) out += (out.empty() ? "" : " ") + Utf16ToUtf8(n->attributes.Find(kAtomId));
  }
  return out;
}

TEST(Selectors, MatchElementsByTypeIdClassAttributeAndPosition) {
  Rendered r(kMatchDocument);
  struct Case {
    const char* selector;
    const char* ids;
  };
  const Case cases[] = {
      {"p", "p1 p2 p3"},
      {"div p", "p1 p2 p3"},
      {"#top p", "p1 p2"},
      {"#top > p", "p1 p2"},
      {"div > span", ""},
      {"p > span", "s1"},
      {"div > p span", "s1"},
      {".box.main", "top"},
      {".main.missing", ""},
      {".x", "s1"},
      {".y", "s1"},
      {"[href]", "a1"},
      {"[name=n]", "a2"},
      {"[name=N]", ""},
      {"[title~=b]", "p3"},
      {"[title~=a\\ b]", ""},
      {"[lang|=en]", "p2"},
      {"[lang|=e]", ""},
      {"li:first-child", "l1"},
      {"li:last-child", "l3"},
      {"p:first-child", "p1 p3"},
      {"a:link", "a1"},
      {"a:visited", ""},
      {"ul li.mid", "l2"},
      {"div div p", ""},
      {"* > li", "l1 l2 l3"},
      {"body > div", "top other"},
      {"html body div#other p", "p3"},
      {"#top li, #other p", "l1 l2 l3 p3"},
      {"DIV#top", "top"},
      {"#TOP", ""},
      {"li:hover", ""},
      {"li + li", "l2 l3"},
      {"li.mid + li", "l3"},
      {"li + li + li", "l3"},
      {"li ~ li", "l2 l3"},
      {"#l1 ~ .mid", "l2"},
      {"#l3 ~ li", ""},
      {"a + a", "a2"},  // text between two elements does not part them
      {"p + ul", "list"},
      {"#p2 + p", ""},
      {"ul ~ p", ""},
      {"p ~ ul li", "l1 l2 l3"},
      {"#p1 + p span", "s1"},
      {"div.box + div > p", "p3"},
      {"#top ~ div p", "p3"},
      {".intro ~ * .x", "s1"},
  };
  for (const Case& c : cases) EXPECT_EQ(Matching(r, c.selector), c.ids) << c.selector;
}

TEST(Selectors, StatesMatchOnceSet) {
  Rendered r(kMatchDocument);
  SetElementState(r.ById("l2"), kStateHover, 0);
  SetElementState(r.ById("list"), kStateHover | kStateActive, 0);
  EXPECT_EQ(Matching(r, "li:hover"), "l2");
  EXPECT_EQ(Matching(r, "ul:hover li"), "l1 l2 l3");
  EXPECT_EQ(Matching(r, "ul:active:hover > li:hover"), "l2");
  EXPECT_EQ(Matching(r, ":focus"), "");
  SetElementState(r.ById("list"), 0, kStateHover);
  EXPECT_EQ(Matching(r, "ul:hover li"), "");
}

struct CascadeCase {
  const char* name;
  const char* html;
  const char* expected;  // the computed value, formatted by the case's reader
};

std::string ColorOf(const Rendered& r, const char* id) {
  const Node* n = r.NodeById(id);
  return n != nullptr && n->style != nullptr ? FormatColor(n->style->color) : "(none)";
}

TEST(Cascade, PicksTheWinningDeclaration) {
  const CascadeCase cases[] = {
      {"specificity beats order", "<style>#x { color: red } p { color: blue }</style><p id=x>", "#ff0000"},
      {"later wins at equal specificity", "<style>p { color: red } p { color: blue }</style><p id=x>", "#0000ff"},
      {"class beats type", "<style>.c { color: red } p { color: blue }</style><p id=x class=c>", "#ff0000"},
      {"two classes beat one", "<style>.a.b { color: red } .b { color: blue }</style><p id=x class='a b'>",
       "#ff0000"},
      {"!important beats specificity", "<style>p { color: red !important } #x { color: blue }</style><p id=x>",
       "#ff0000"},
      {"style attribute beats an id rule", "<style>#x { color: red }</style><p id=x style='color: green'>",
       "#008000"},
      {"important rule beats the style attribute",
       "<style>#x { color: red !important }</style><p id=x style='color: green'>", "#ff0000"},
      {"important style attribute beats an important rule",
       "<style>#x { color: red !important }</style><p id=x style='color: green !important'>", "#008000"},
      {"author beats the user agent", "<style>a { color: red }</style><a id=x href=y>", "#ff0000"},
      {"user agent link colour", "<a id=x href=y>", "#0000ee"},
      {"later style element wins", "<style>p { color: red }</style><style>p { color: blue }</style><p id=x>",
       "#0000ff"},
      {"colour is inherited", "<style>div { color: red }</style><div><p><span id=x>t</span></p></div>", "#ff0000"},
      {"inherited value loses to any rule", "<style>div { color: red } span { color: blue }</style>"
                                            "<div><span id=x>t</span></div>", "#0000ff"},
      {"font color attribute", "<font color=#00ff00><span id=x>t</span></font>", "#00ff00"},
      {"invalid declaration leaves the earlier one", "<style>p { color: red } p { color: bogus }</style><p id=x>",
       "#ff0000"},
      {"@media print does not apply", "<style>p { color: red } @media print { p { color: blue } }</style><p id=x>",
       "#ff0000"},
      {"initial colour", "<p id=x>", "#000000"},
      {"descendant selector", "<style>ul li { color: red } li { color: blue }</style><ul><li id=x>", "#ff0000"},
      {"hover rule without hover", "<style>p:hover { color: red }</style><p id=x>", "#000000"},
  };
  for (const CascadeCase& c : cases) {
    Rendered r(c.html);
    EXPECT_EQ(ColorOf(r, "x"), c.expected) << c.name;
  }
}

TEST(Cascade, ComputesTypedValues) {
  Rendered r(
      "<style>"
      "#a { font-size: 20px } #a p { font-size: 1.5em; width: 2em; padding-left: 10% }"
      "#b { font-size: 20px } #b p { font-size: 50% }"
      "#c p { font-size: larger }"
      "#d { font-size: 10px; line-height: 2 } #d p { font-size: 20px }"
      "#e { font-size: 10px; line-height: 150% } #e p { font-size: 20px }"
      "#f p { border-width: 5px } #f span { border: 5px solid; color: red }"
      "#g span { float: left } #g b { position: absolute } #g i { display: inline-block; float: right }"
      "#h { padding-left: 7px } #h p { padding-left: inherit }"
      "#i { text-decoration: underline } #i em { display: inline-block }"
      "#j p { font: italic bold 12pt/1.2 Verdana, sans-serif }"
      "#k p { overflow-y: scroll }"
      "#l p { margin: 1em 2pt }"
      "#m p { border-top-style: solid } #m span { border-style: dashed; border-width: thin thick }"
      "#n1 { z-index: 1073741825 } #n2 { z-index: 99999999999 } #n3 { z-index: -99999999999 }"
      "</style>"
      "<div id=a><p id=a1></p></div><div id=b><p id=b1></p></div><div id=c><p id=c1></p></div>"
      "<div id=d><p id=d1></p></div><div id=e><p id=e1></p></div>"
      "<div id=f><p id=f1></p><span id=f2></span></div>"
      "<div id=g><span id=g1></span><b id=g2></b><i id=g3></i></div>"
      "<div id=h><p id=h1></p></div>"
      "<div id=i><p id=i1><em id=i2></em></p></div>"
      "<div id=j><p id=j1></p></div><div id=k><p id=k1></p></div><div id=l><p id=l1></p></div>"
      "<div id=m><p id=m1></p><span id=m2></span></div><p id=n1></p><p id=n2></p><p id=n3></p>");
  auto style = [&](const char* id) { return r.NodeById(id)->style; };
  EXPECT_EQ(style("a1")->font.size, 30);
  EXPECT_EQ(style("a1")->width, Length::Px(60));
  EXPECT_EQ(style("a1")->padding[kLeft], Length::Percent(10));
  EXPECT_EQ(style("b1")->font.size, 10);
  EXPECT_EQ(style("c1")->font.size, 19);  // 16 * 1.2
  EXPECT_EQ(style("d1")->lineHeight.kind, LineHeight::kNumber);  // inherited as the number
  EXPECT_EQ(style("d1")->lineHeight.value, 2.f);
  EXPECT_EQ(style("e1")->lineHeight.kind, LineHeight::kPx);  // inherited as the computed length
  EXPECT_EQ(style("e1")->lineHeight.value, 15.f);
  EXPECT_EQ(style("f1")->borderWidth[kTop], 0);  // border-style none: width 0
  EXPECT_EQ(style("f2")->borderWidth[kTop], 5);
  EXPECT_EQ(FormatColor(style("f2")->borderColor[kLeft]), "#ff0000");  // currentColor
  EXPECT_EQ(style("g1")->display, Display::kBlock);
  EXPECT_EQ(style("g2")->display, Display::kBlock);
  EXPECT_EQ(style("g3")->display, Display::kBlock);
  EXPECT_EQ(style("h1")->padding[kLeft], Length::Px(7));
  EXPECT_EQ(style("i1")->decorationsInEffect, kDecorationUnderline);
  EXPECT_EQ(style("i2")->decorationsInEffect, 0);  // not into inline blocks
  EXPECT_EQ(style("j1")->font.family, "Verdana, sans-serif");
  EXPECT_EQ(style("j1")->font.size, 16);
  EXPECT_EQ(style("j1")->font.weight, 700);
  EXPECT_TRUE(style("j1")->font.italic);
  EXPECT_EQ(style("k1")->overflowX, Overflow::kAuto);  // visible beside scroll acts as auto
  EXPECT_EQ(style("l1")->margin[kTop], Length::Px(16));
  EXPECT_NEAR(style("l1")->margin[kLeft].value, 2.6667f, 0.001f);
  EXPECT_EQ(style("m1")->borderWidth[kTop], 3);  // a style alone: the initial width, medium
  EXPECT_EQ(style("m1")->borderWidth[kLeft], 0);  // no style
  EXPECT_EQ(style("m2")->borderWidth[kTop], 1);
  EXPECT_EQ(style("m2")->borderWidth[kLeft], 5);
  EXPECT_EQ(style("n1")->zIndex, 1073741825);  // exact, beyond a float's precision
  EXPECT_EQ(style("n2")->zIndex, 2147483647);  // held at the ends of 32 bits
  EXPECT_EQ(style("n3")->zIndex, -2147483647 - 1);
}

TEST(Cascade, ExIsTheFontsXHeight) {
  // TallX has an x-height of 4/5 em; other fonts have none, so half an em.
  Rendered r(
      "<style>"
      "#a { font: 20px TallX; width: 2ex; border-left: 1ex solid; line-height: 2ex }"
      "#a p { font-size: 2ex }"
      "#b { width: 1ex; font-family: TallX; font-size: 10px }"  // the font comes after the length
      "#c { font: 20px Other; width: 2ex }"
      "</style>"
      "<div id=a><p id=a1></p></div><div id=b></div><div id=c></div>");
  auto style = [&](const char* id) { return r.NodeById(id)->style; };
  EXPECT_EQ(style("a")->width, Length::Px(32));
  EXPECT_EQ(style("a")->borderWidth[kLeft], 16);
  EXPECT_EQ(style("a")->lineHeight.value, 32.f);
  EXPECT_EQ(style("a1")->font.size, 32);  // the parent's ex
  EXPECT_EQ(style("b")->width, Length::Px(8));
  EXPECT_EQ(style("c")->width, Length::Px(20));
}

TEST(Cascade, UserAgentSheetGivesHtmlItsLook) {
  Rendered r("<h1 id=h>x</h1><table><tr><th id=th>a</th><td id=td>b</td></tr></table>"
             "<a id=a href=u>l</a><ul><li id=li>i</li></ul><pre id=pre>p</pre><progress id=pg></progress>");
  auto style = [&](const char* id) { return r.NodeById(id)->style; };
  EXPECT_EQ(style("h")->font.size, 32);
  EXPECT_EQ(style("h")->font.weight, 700);
  EXPECT_EQ(style("h")->margin[kTop], Length::Px(21.44f));
  EXPECT_EQ(style("th")->display, Display::kTableCell);
  EXPECT_EQ(style("th")->textAlign, TextAlign::kCenter);
  EXPECT_EQ(style("td")->verticalAlign, VerticalAlign::kMiddle);
  EXPECT_EQ(style("a")->decorationsInEffect, kDecorationUnderline);
  EXPECT_EQ(style("a")->cursor, Cursor::kPointer);
  EXPECT_EQ(style("li")->display, Display::kListItem);
  EXPECT_EQ(style("pre")->whiteSpace, WhiteSpace::kPre);
  EXPECT_EQ(style("pg")->display, Display::kInlineBlock);
}

TEST(Cascade, PresentationalAttributesActAsLowPriorityRules) {
  Rendered r(
      "<style>.w { background-color: red } img.s { width: 10px }</style>"
      "<table id=t border=2 cellpadding=5 cellspacing=3 width=300 bgcolor=#010203>"
      "<tr valign=top align=right><td id=c1>a</td><td id=c2 valign=bottom align=left nowrap>b</td>"
      "<td id=c3 class=w bgcolor=blue>c</td></tr></table>"
      "<img id=i1 src=a.png width=40 height=50%><img id=i2 class=s width=40><img id=i3 border=0 align=left>"
      "<div id=d align=center></div><font id=f size=5 face=Arial>x</font><font id=g size=+2>y</font>"
      "<body id=b bgcolor=silver text=maroon>");
  auto style = [&](const char* id) { return r.NodeById(id)->style; };
  EXPECT_EQ(style("t")->borderWidth[kTop], 2);
  EXPECT_EQ(style("t")->borderStyle[kTop], BorderStyle::kSolid);
  EXPECT_EQ(style("t")->borderSpacing, 3);
  EXPECT_EQ(style("t")->width, Length::Px(300));
  EXPECT_EQ(FormatColor(style("t")->backgroundColor), "#010203");
  EXPECT_EQ(style("c1")->padding[kTop], Length::Px(5));
  EXPECT_EQ(style("c1")->borderWidth[kLeft], 1);
  EXPECT_EQ(style("c1")->verticalAlign, VerticalAlign::kTop);  // from the row
  EXPECT_EQ(style("c1")->textAlign, TextAlign::kRight);        // from the row
  EXPECT_EQ(style("c2")->verticalAlign, VerticalAlign::kBottom);  // its own wins
  EXPECT_EQ(style("c2")->textAlign, TextAlign::kLeft);
  EXPECT_EQ(style("c2")->whiteSpace, WhiteSpace::kNowrap);
  EXPECT_EQ(FormatColor(style("c3")->backgroundColor), "#ff0000");  // the author rule beats bgcolor
  EXPECT_EQ(style("i1")->width, Length::Px(40));
  EXPECT_EQ(style("i1")->height, Length::Percent(50));
  EXPECT_EQ(style("i2")->width, Length::Px(10));
  EXPECT_EQ(style("i3")->floatSide, FloatSide::kLeft);
  EXPECT_EQ(style("d")->textAlign, TextAlign::kCenter);
  EXPECT_EQ(style("f")->font.size, 24);
  EXPECT_EQ(style("f")->font.family, "Arial");
  EXPECT_EQ(style("g")->font.size, 24);
  EXPECT_EQ(FormatColor(style("b")->backgroundColor), "#c0c0c0");
  EXPECT_EQ(FormatColor(style("b")->color), "#800000");
}

TEST(Cascade, RunTimeStyleWinsOverEverything) {
  Rendered r("<style>#x { visibility: visible !important }</style><div id=x style='visibility: visible'>t</div>");
  ASSERT_TRUE(SetStyleProperty(r.ById("x"), "visibility", u"hidden"));
  r.view->Update();
  EXPECT_EQ(r.NodeById("x")->style->visibility, Visibility::kHidden);
  ASSERT_TRUE(SetStyleProperty(r.ById("x"), "visibility", u"visible"));
  r.view->Update();
  EXPECT_EQ(r.NodeById("x")->style->visibility, Visibility::kVisible);
  EXPECT_FALSE(SetStyleProperty(r.ById("x"), "visibility", u"sideways"));
  EXPECT_FALSE(SetStyleProperty(r.ById("x"), "no-such-property", u"1"));
}

TEST(Cascade, LinkedSheetsTakeTheirPlaceInDocumentOrderWhenTheyArrive) {
  Rendered r("<link rel=stylesheet href=first.css><style>p { color: blue }</style>"
             "<link rel=stylesheet href='sub/last.css'><p id=x>t</p>");
  ASSERT_EQ(r.host.requests.size(), 2u);
  EXPECT_EQ(r.host.requests[0].first, u"C:\\screens\\first.css");
  EXPECT_EQ(r.host.requests[1].first, u"C:\\screens\\sub\\last.css");
  EXPECT_EQ(ColorOf(r, "x"), "#0000ff");
  std::string first = "p { color: red; background-image: url(bg.png) }";
  r.view->DeliverStyleSheet(u"C:\\screens\\first.css", reinterpret_cast<const uint8_t*>(first.data()), first.size(), true);
  r.view->Update();
  EXPECT_EQ(ColorOf(r, "x"), "#0000ff");  // the <style> after it still wins
  std::string last = "p { color: green; background-image: url(bg.png) }";
  r.view->DeliverStyleSheet(u"C:\\screens\\sub\\last.css", reinterpret_cast<const uint8_t*>(last.data()), last.size(), true);
  r.view->Update();
  EXPECT_EQ(ColorOf(r, "x"), "#008000");
  // Addresses in a linked sheet are relative to the sheet.
  EXPECT_EQ(r.NodeById("x")->style->backgroundImage, u"C:\\screens\\sub\\bg.png");
}

TEST(Cascade, IdenticalRowsShareOneStyleRecord) {
  std::string html = "<style>.row td { color: red }</style><table>";
  for (int i = 0; i < 50; ++i) html += "<tr class=row><td valign=top>a</td><td>b</td></tr>";
  html += "</table>";
  Rendered r(html);
  size_t styles = r.view->styleContext().StyleCount();
  EXPECT_LT(styles, 30u);
}

}  // namespace
}  // namespace engine

namespace engine {
namespace {

TEST(Cascade, StateRulesFollowStateChanges) {
  Rendered r("<style>body:focus { color: red } .row:hover .btn { color: blue }</style>"
             "<body><div class=row id=row><span class=btn id=btn>b</span></div>");
  ElementHandle body = GetParent(r.ById("row"));
  ASSERT_TRUE(SetElementState(body, kStateFocus, 0));
  r.view->Update();
  EXPECT_EQ(ColorOf(r, "row"), "#ff0000");  // inherited from the focused body
  ASSERT_TRUE(SetElementState(r.ById("row"), kStateHover, 0));
  r.view->Update();
  EXPECT_EQ(ColorOf(r, "btn"), "#0000ff");  // a state on an ancestor restyles below it
  ASSERT_TRUE(SetElementState(r.ById("row"), 0, kStateHover));
  r.view->Update();
  EXPECT_EQ(ColorOf(r, "btn"), "#ff0000");
}

}  // namespace
}  // namespace engine
