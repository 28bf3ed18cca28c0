// The HTML parser: the tree it builds from well-formed and from broken
// markup (implied end tags, stray end tags, bad nesting, unclosed tags).
#include <gtest/gtest.h>

#include "tests/engine/test_util.h"
#include "ui/engine/html_parser.h"
#include "ui/engine/text.h"

namespace engine {
namespace {

std::string ParseBody(const std::string& html) {
  std::unique_ptr<Document> doc = ParseHtml(Utf8ToUtf16(html), u"x.htm");
  return DumpBody(*doc);
}

struct ParseCase {
  const char* name;
  const char* html;
  const char* body;
};

TEST(HtmlParser, BuildsTheTreeOfWellFormedMarkup) {
  const ParseCase cases[] = {
      {"nested elements", "<div id=a><p>x <b>y</b></p></div>", "<div id=\"a\"><p>x <b>y</b></p></div>"},
      {"quoted, unquoted and bare attributes", "<td valign=top id='c' nowrap class=\"a b\">",
       "<td valign=\"top\" id=\"c\" nowrap=\"\" class=\"a b\"></td>"},
      {"names fold to lower case, values keep theirs", "<DIV ID=Big>t</DIV>", "<div id=\"Big\">t</div>"},
      {"a repeated attribute keeps the first", "<p id=a id=b>", "<p id=\"a\"></p>"},
      {"void elements take no children", "<p>a<br>b<img src=x.png>c<hr>", "<p>a<br></br>b<img src=\"x.png\"></img>c</p><hr></hr>"},
      {"self-closing syntax on any element", "<div/><span/>x", "<div></div><span></span>x"},
      {"comments and doctype vanish", "<!DOCTYPE html><!-- c --><p>a<!-- b -->c</p>", "<p>ac</p>"},
      {"script is dropped whole", "<p>a<script>if (a < b) document.write('<p>');</script>b</p>", "<p>ab</p>"},
      {"style keeps its text", "<p>x</p><style>p > a { color: red }</style>", "<p>x</p><style>p > a { color: red }</style>"},
      {"entities in text and values", "<a title=\"&lt;&amp;&gt;\">&copy;&#169;&#xA9;&nbsp;&hellip;</a>",
       "<a title=\"<&>\">\u00A9\u00A9\u00A9\u00A0\u2026</a>"},
      {"entity without semicolon in text", "AT&T &copy 2024", "AT&T \u00A9 2024"},
      {"entity-like text in a value stays", "<a href=\"?a=1&copy=2\">", "<a href=\"?a=1&copy=2\"></a>"},
      {"numeric references in the windows-1252 range", "&#150;&#0;&#x110000;", "\u2013\uFFFD\uFFFD"},
      {"unknown entity stays as written", "&bogus; & &#;", "&bogus; & &#;"},
      {"a lone < is text", "a < b <3", "a < b <3"},
      {"pre drops its first newline", "<pre>\nx\n</pre>", "<pre>x\n</pre>"},
      {"textarea keeps markup as text", "<textarea>\n<b>x</b></textarea>", "<textarea><b>x</b></textarea>"},
  };
  for (const ParseCase& c : cases) EXPECT_EQ(ParseBody(c.html), c.body) << c.name;
}

TEST(HtmlParser, ToleratesBrokenMarkup) {
  const ParseCase cases[] = {
      {"p closed by a block", "<p>a<div>b</div>", "<p>a</p><div>b</div>"},
      {"p closed by the next p", "<p>a<p>b", "<p>a</p><p>b</p>"},
      {"li closed by the next li", "<ul><li>a<li>b</ul>", "<ul><li>a</li><li>b</li></ul>"},
      {"nested list keeps its items", "<ul><li>a<ul><li>b</ul><li>c</ul>",
       "<ul><li>a<ul><li>b</li></ul></li><li>c</li></ul>"},
      {"dt and dd close each other", "<dl><dt>a<dd>b<dt>c</dl>", "<dl><dt>a</dt><dd>b</dd><dt>c</dt></dl>"},
      {"cells and rows close implicitly", "<table><tr><td>a<td>b<tr><td>c</table>",
       "<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>"},
      {"th closes td", "<table><tr><td>a<th>b</table>", "<table><tr><td>a</td><th>b</th></tr></table>"},
      {"a column group holds its columns and ends at the rows",
       "<table><colgroup><col><col><tr><td>a</table>",
       "<table><colgroup><col></col><col></col></colgroup><tr><td>a</td></tr></table>"},
      {"a column group ends at the next one", "<table><colgroup span=2><colgroup><col></table>",
       "<table><colgroup span=\"2\"></colgroup><colgroup><col></col></colgroup></table>"},
      {"option closes option", "<select><option>a<option>b</select>",
       "<select><option>a</option><option>b</option></select>"},
      {"stray end tags are ignored", "</div>a</span><p>b</p></p></td>", "a<p>b</p>"},
      {"end tag closes what was opened after it", "<div><b><i>x</div>y", "<div><b><i>x</i></b></div>y"},
      {"misnested formatting closes, no reopening", "<b>1<i>2</b>3</i>", "<b>1<i>2</i></b>3"},
      {"end tag does not cross a cell", "<div><table><tr><td>a</div>b</td></tr></table>c</div>",
       "<div><table><tr><td>ab</td></tr></table>c</div>"},
      {"unclosed elements end with the document", "<div><span>a", "<div><span>a</span></div>"},
      {"unclosed tag runs into the next", "<div id=a<p>b", "<div id=\"a<p\">b</div>"},
      {"an attribute value left open takes the rest", "<p title=\"x>y", "<p title=\"x>y\"></p>"},
      {"end tag with attributes and junk", "<p>a</p foo=bar>b", "<p>a</p>b"},
      {"</br> reads as <br>", "a</br>b", "a<br></br>b"},
      {"a opens a new a", "<a href=1>x<a href=2>y", "<a href=\"1\">x</a><a href=\"2\">y</a>"},
      {"headings do not nest", "<h1>a<h2>b", "<h1>a</h1><h2>b</h2>"},
      {"content after </body> and </html> joins the body", "<body>a</body></html>b", "ab"},
      {"broken comment ends at the end", "a<!-- b", "a"},
  };
  for (const ParseCase& c : cases) EXPECT_EQ(ParseBody(c.html), c.body) << c.name;
}

TEST(HtmlParser, MakesUpHtmlHeadAndBodyAndSortsHeadContent) {
  std::unique_ptr<Document> doc =
      ParseHtml(u"<title>T</title><link rel=stylesheet href=a.css><p>x</p><style>b{}</style>", u"x.htm");
  EXPECT_EQ(DumpDom(doc->root),
            "<html><head><title>T</title><link rel=\"stylesheet\" href=\"a.css\"></link></head>"
            "<body><p>x</p><style>b{}</style></body></html>");
  std::unique_ptr<Document> empty = ParseHtml(u"", u"x.htm");
  EXPECT_EQ(DumpDom(empty->root), "<html><head></head><body></body></html>");
  std::unique_ptr<Document> attributes = ParseHtml(u"<html lang=ru><body bgcolor=red><body text=blue>x", u"x.htm");
  EXPECT_EQ(DumpDom(attributes->root),
            "<html lang=\"ru\"><head></head><body bgcolor=\"red\" text=\"blue\">x</body></html>");
}

// The style sheets of XHTML pages (CSS test suites are written so) are XML
// text: CDATA sections as they are, character references decoded. HTML
// pages keep style text as written.
TEST(HtmlParser, StyleTextOfXhtmlIsXmlText) {
  struct Case {
    const char16_t* url;
    const char16_t* source;
    const char* style;  // the style element's text
  };
  const Case cases[] = {
      {u"t.xht", u"<style><![CDATA[ p > a { } ]]></style>", " p > a { } "},
      {u"T.XHTML", u"<style>p &gt; a { content: '&amp;' }</style>", "p > a { content: '&' }"},
      {u"t.htm", u"<?xml version='1.0'?><style>p &gt; a {}<![CDATA[b{}]]></style>", "p > a {}b{}"},
      {u"t.xht", u"<style>a{}<![CDATA[b &gt; c]]>&lt;<![CDATA[unterminated", "a{}b &gt; c<unterminated"},
      {u"t.htm", u"<style>p &gt; a<![CDATA[x]]></style>", "p &gt; a<![CDATA[x]]>"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<Document> doc = ParseHtml(c.source, c.url);
    const Node* style = doc->root->children[0]->children.back();
    ASSERT_EQ(AtomName(style->tag), "style") << Utf16ToUtf8(c.source);
    ASSERT_EQ(style->children.size(), 1u);
    EXPECT_EQ(Utf16ToUtf8(NodeText(style->children[0])), c.style) << Utf16ToUtf8(c.source);
  }
}

TEST(HtmlParser, NestingDeeperThanTheLimitContinuesAsSiblings) {
  std::string html;
  for (int i = 0; i < kMaxTreeDepth + 50; ++i) html += "<div>";
  std::unique_ptr<Document> doc = ParseHtml(Utf8ToUtf16(html), u"x.htm");
  int deepest = 0;
  std::vector<std::pair<const Node*, int>> pending{{doc->root, 0}};
  while (!pending.empty()) {
    auto [n, depth] = pending.back();
    pending.pop_back();
    deepest = std::max(deepest, depth);
    for (const Node* c : n->children) pending.emplace_back(c, depth + 1);
  }
  EXPECT_LE(deepest, kMaxTreeDepth);
}

TEST(HtmlParser, TextNodesKeepWhiteSpaceAsWritten) {
  EXPECT_EQ(ParseBody("<p>  a \n b  </p>"), "<p>  a \n b  </p>");
}

}  // namespace
}  // namespace engine
