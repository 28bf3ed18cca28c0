// Element operations by handle: reading the tree and attributes, creating,
// inserting, deleting, setting text; stale handles refused, never followed.
#include <gtest/gtest.h>

#include "tests/engine/test_util.h"
#include "ui/engine/text.h"

namespace engine {
namespace {

std::string Utf8(const char16_t* text) { return text != nullptr ? Utf16ToUtf8(text) : "(null)"; }

// The element's children as CountChildren/GetChild see them: "tag" or "text".
std::string ChildTypes(ElementHandle element) {
  std::string out;
  for (int i = 0; i < CountChildren(element); ++i) {
    out += (out.empty() ? "" : " ") + std::string(GetElementType(GetChild(element, i)));
  }
  return out;
}

class DomOperations : public testing::Test {
 protected:
  void TearDown() override { DestroyDetachedTrees(); }
};

TEST_F(DomOperations, ReadTheTreeInDocumentOrder) {
  Rendered r("<div id=box>\n  <p id=a>One <b>two</b></p>\n  <p id=b title='x &amp; y'>Three</p>\n</div>");
  ElementHandle root = r.Root();
  EXPECT_STREQ(GetElementType(root), "html");
  EXPECT_EQ(ChildTypes(root), "head body");
  ElementHandle box = r.ById("box");
  EXPECT_EQ(ChildTypes(box), "p p");  // white space between elements is not a child
  EXPECT_EQ(ChildTypes(r.ById("a")), "text b");
  EXPECT_EQ(GetParent(r.ById("a")), box);
  EXPECT_EQ(GetParent(root), 0u);
  EXPECT_EQ(GetChild(box, 2), 0u);
  EXPECT_EQ(GetChild(box, -1), 0u);
  EXPECT_EQ(Utf8(GetAttribute(r.ById("b"), "title")), "x & y");
  EXPECT_EQ(Utf8(GetAttribute(r.ById("b"), "TITLE")), "x & y");
  EXPECT_EQ(GetAttribute(r.ById("b"), "href"), nullptr);
  EXPECT_EQ(GetAttribute(r.ById("b"), "never-seen-name"), nullptr);
  const char* name = nullptr;
  const char16_t* value = nullptr;
  ASSERT_TRUE(GetAttributeAt(r.ById("b"), 1, &name, &value));
  EXPECT_STREQ(name, "title");
  EXPECT_EQ(Utf8(value), "x & y");
  EXPECT_EQ(Utf16ToUtf8(GetInnerText(r.ById("a"))), "One two");
}

TEST_F(DomOperations, AttributeValuesStayValidUntilTheElementChanges) {
  Rendered r("<p id=a class=c title=t>x</p>");
  ElementHandle a = r.ById("a");
  const char16_t* title = GetAttribute(a, "title");
  const char16_t* id = GetAttribute(a, "id");
  GetAttribute(a, "class");
  CountChildren(a);
  r.view->Update();
  EXPECT_EQ(Utf8(title), "t");  // reading and updating do not move them
  EXPECT_EQ(Utf8(id), "a");
  ASSERT_TRUE(SetAttribute(a, "title", u"longer title"));
  EXPECT_EQ(Utf8(GetAttribute(a, "title")), "longer title");
  EXPECT_EQ(CountAttributes(a), 3);
  ASSERT_TRUE(SetAttribute(a, "href", u"u"));  // appended in order
  const char* name = nullptr;
  const char16_t* value = nullptr;
  ASSERT_TRUE(GetAttributeAt(a, 3, &name, &value));
  EXPECT_STREQ(name, "href");
  ASSERT_TRUE(SetAttribute(a, "class", nullptr));  // removes
  EXPECT_EQ(GetAttribute(a, "class"), nullptr);
  EXPECT_EQ(CountAttributes(a), 3);
}

TEST_F(DomOperations, BuildADetachedRowThenInsertIt) {
  Rendered r("<ul id=list></ul>");
  ElementHandle li = CreateElement("li", u"");
  ElementHandle table = CreateElement("table", nullptr);
  ElementHandle td = CreateElement("TD", nullptr);
  ElementHandle b = CreateElement("b", u"Name");
  ASSERT_TRUE(SetAttribute(li, "id", u"gametab7"));
  ASSERT_TRUE(InsertElement(table, li, 0));
  ASSERT_TRUE(InsertElement(td, table, 99));  // past the end: appended
  ASSERT_TRUE(InsertElement(b, td, 0));
  EXPECT_EQ(ViewOf(li), nullptr);  // still detached
  EXPECT_EQ(GetParent(b), td);
  ASSERT_TRUE(InsertElement(li, r.ById("list"), 0));
  EXPECT_EQ(ViewOf(b), r.view.get());
  EXPECT_STREQ(GetElementType(td), "td");
  EXPECT_EQ(ChildTypes(b), "text");
  EXPECT_EQ(DumpDom(r.NodeById("list")),
            "<ul id=\"list\"><li id=\"gametab7\"><table><td><b>Name</b></td></table></li></ul>");
  r.view->Update();
  Rect rect;
  EXPECT_TRUE(GetElementRect(b, &rect));
  EXPECT_GT(rect.width, 0);
}

TEST_F(DomOperations, InsertAtIndexAmongChildren) {
  Rendered r("<div id=d>\n<i id=i0></i>\n<i id=i1></i>\n</div>");
  ElementHandle d = r.ById("d");
  ElementHandle first = CreateElement("b", u"first");
  ElementHandle middle = CreateElement("s", nullptr);
  ElementHandle last = CreateElement("u", nullptr);
  ASSERT_TRUE(InsertElement(first, d, 0));
  ASSERT_TRUE(InsertElement(middle, d, 2));
  ASSERT_TRUE(InsertElement(last, d, 4));
  EXPECT_EQ(ChildTypes(d), "b i s i u");
  // Moving an element already in the tree takes it from its old place.
  ASSERT_TRUE(InsertElement(first, d, 4));
  EXPECT_EQ(ChildTypes(d), "i s i u b");
  EXPECT_EQ(GetChild(d, 4), first);
}

TEST_F(DomOperations, RefusesInsertionsThatWouldBreakTheTree) {
  Rendered r("<div id=a><div id=b></div></div>");
  Rendered other("<div id=c></div>");
  ElementHandle a = r.ById("a"), b = r.ById("b");
  EXPECT_FALSE(InsertElement(a, a, 0));              // into itself
  EXPECT_FALSE(InsertElement(a, b, 0));              // into its own subtree
  EXPECT_FALSE(InsertElement(a, other.ById("c"), 0));  // across documents
  EXPECT_FALSE(InsertElement(r.Root(), b, 0));       // the root element
  ElementHandle text = GetChild(r.ById("a"), 0);
  ElementHandle t = CreateElement("p", u"text");
  EXPECT_FALSE(InsertElement(CreateElement("i", nullptr), GetChild(t, 0), 0));  // into a text node
  (void)text;
  // Nesting past the depth limit.
  ElementHandle chain = CreateElement("div", nullptr);
  ElementHandle top = chain;
  bool refused = false;
  for (int i = 0; i < kMaxTreeDepth + 5 && !refused; ++i) {
    ElementHandle next = CreateElement("div", nullptr);
    refused = !InsertElement(next, chain, 0);
    chain = next;
  }
  EXPECT_TRUE(refused);
  EXPECT_FALSE(InsertElement(top, b, 0));
  EXPECT_EQ(DumpBody(*r.view->document()), "<div id=\"a\"><div id=\"b\"></div></div>");
}

TEST_F(DomOperations, SetInnerTextReplacesTheContent) {
  Rendered r("<div id=d>a<b>b</b><i>c</i></div><p id=e></p>");
  ElementHandle d = r.ById("d");
  ElementHandle b = GetChild(d, 1);
  ASSERT_TRUE(SetInnerText(d, u"plain <b>text</b>", 9));
  EXPECT_EQ(Utf16ToUtf8(GetInnerText(d)), "plain <b>");
  EXPECT_EQ(ChildTypes(d), "text");
  EXPECT_EQ(GetElementType(b), nullptr);  // the old children are gone
  ASSERT_TRUE(SetInnerText(d, u"", 0));
  EXPECT_EQ(CountChildren(d), 0);
  ASSERT_TRUE(SetInnerText(r.ById("e"), u"\u0418\u0433\u0440\u0430", 4));
  EXPECT_EQ(Utf16ToUtf8(GetInnerText(r.ById("e"))), "\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0");
  r.view->Update();
}

TEST_F(DomOperations, DeletedElementsTurnStale) {
  Rendered r("<div id=list><p id=a><b id=b>x</b></p><p id=c>y</p></div>");
  ElementHandle a = r.ById("a"), b = r.ById("b"), c = r.ById("c"), list = r.ById("list");
  ElementHandle text = GetChild(b, 0);
  ASSERT_TRUE(DeleteElement(a));
  for (ElementHandle stale : {a, b, text}) {
    EXPECT_EQ(GetElementType(stale), nullptr);
    EXPECT_EQ(GetParent(stale), 0u);
    EXPECT_EQ(CountChildren(stale), 0);
    EXPECT_EQ(GetChild(stale, 0), 0u);
    EXPECT_EQ(GetAttribute(stale, "id"), nullptr);
    EXPECT_FALSE(SetAttribute(stale, "id", u"x"));
    EXPECT_FALSE(SetStyleProperty(stale, "visibility", u"hidden"));
    EXPECT_FALSE(SetInnerText(stale, u"x", 1));
    EXPECT_FALSE(InsertElement(stale, list, 0));
    EXPECT_FALSE(InsertElement(c, stale, 0));
    EXPECT_FALSE(DeleteElement(stale));
    EXPECT_FALSE(SetElementState(stale, kStateFocus, 0));
    EXPECT_FALSE(SetScrollPosition(stale, 5));
    ScrollInfo info;
    EXPECT_FALSE(GetScrollInfo(stale, &info));
    Rect rect;
    EXPECT_FALSE(GetElementRect(stale, &rect));
    EXPECT_EQ(ViewOf(stale), nullptr);
  }
  EXPECT_EQ(ChildTypes(list), "p");
  r.view->Update();
  EXPECT_EQ(r.view->ElementAt(Point{20, 20}), c);
}

TEST_F(DomOperations, ElementsOfAReplacedDocumentTurnStale) {
  Rendered r("<p id=a>x</p>");
  ElementHandle root = r.Root(), a = r.ById("a");
  ElementHandle detached = CreateElement("div", nullptr);
  r.view->LoadHtml(u"<p id=a>new</p>", u"C:\\screens\\other.htm");
  EXPECT_EQ(GetElementType(root), nullptr);
  EXPECT_EQ(GetElementType(a), nullptr);
  EXPECT_FALSE(InsertElement(detached, a, 0));
  EXPECT_NE(r.Root(), root);  // handles are never reused
  EXPECT_NE(r.ById("a"), a);
  EXPECT_TRUE(InsertElement(detached, r.ById("a"), 0));
  r.view->Update();
}

TEST_F(DomOperations, DeletingTheRootLeavesAnEmptyView) {
  Rendered r("<p id=a style='background: red; height: 50px'>x</p>");
  ASSERT_TRUE(DeleteElement(r.Root()));
  EXPECT_EQ(r.Root(), 0u);
  r.view->Update();
  EXPECT_EQ(r.Display(), "fill 0,0 730x512 #ffffff\n");
  EXPECT_EQ(r.view->ElementAt(Point{10, 10}), 0u);
}

TEST_F(DomOperations, DetachedTreesAreFreedWhenDeleted) {
  size_t before = LiveHandleCount();
  ElementHandle li = CreateElement("li", u"text");
  ElementHandle child = CreateElement("b", nullptr);
  ASSERT_TRUE(InsertElement(child, li, 0));
  EXPECT_EQ(LiveHandleCount(), before + 3);  // li, its text, b
  ASSERT_TRUE(DeleteElement(li));
  EXPECT_EQ(LiveHandleCount(), before);
  EXPECT_EQ(GetElementType(child), nullptr);
}

TEST_F(DomOperations, StatesSetAndClear) {
  Rendered r("<p id=a>x</p>");
  ElementHandle a = r.ById("a");
  ASSERT_TRUE(SetElementState(a, kStateFocus | kStateHover, 0));
  EXPECT_EQ(GetElementState(a), kStateFocus | kStateHover);
  ASSERT_TRUE(SetElementState(a, 0, kStateHover));
  EXPECT_EQ(GetElementState(a), kStateFocus);
  ASSERT_TRUE(SetElementState(a, 0x100, 0));  // unknown bits are ignored
  EXPECT_EQ(GetElementState(a), kStateFocus);
}

}  // namespace
}  // namespace engine
