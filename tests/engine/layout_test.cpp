// Layout against the stub metrics (16px text: 8px per character, lines of
// 18px with the baseline 13px below the line top): the CSS 2.1 rules one at
// a time, each as the border box of one element.
#include <gtest/gtest.h>

#include "tests/engine/test_util.h"

namespace engine {
namespace {

std::string RectOf(const Rendered& r, const char* id) {
  Rect rect;
  if (!GetElementRect(r.ById(id), &rect)) return "(none)";
  return std::to_string(rect.x) + "," + std::to_string(rect.y) + " " + std::to_string(rect.width) + "x" +
         std::to_string(rect.height);
}

struct LayoutCase {
  const char* name;
  const char* html;  // inside <body style="margin:0">
  const char* rect;  // of the element with id x
};

void Check(const LayoutCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    Rendered r(std::string("<body style='margin:0'>") + cases[i].html);
    EXPECT_EQ(RectOf(r, "x"), cases[i].rect) << cases[i].name;
  }
}

TEST(BlockLayout, WidthsAndMargins) {
  const LayoutCase cases[] = {
      {"a block fills its containing block", "<div id=x style='height:10px'></div>", "0,0 730x10"},
      {"margins and padding", "<div id=x style='margin:10px 20px;padding:5px;height:10px'></div>", "20,10 690x20"},
      {"auto margins centre a fixed width", "<div id=x style='width:100px;margin:0 auto;height:1px'></div>",
       "315,0 100x1"},
      {"auto left margin pushes right", "<div id=x style='width:100px;margin-left:auto;height:1px'></div>",
       "630,0 100x1"},
      {"percentage width", "<div style='width:200px'><div id=x style='width:50%;height:1px'></div></div>",
       "0,0 100x1"},
      {"min-width beats width", "<div id=x style='width:50px;min-width:80px;height:1px'></div>", "0,0 80x1"},
      {"max-width beats width", "<div id=x style='width:500px;max-width:100px;height:1px'></div>", "0,0 100x1"},
      {"max-width with auto width and auto margins",
       "<div id=x style='max-width:100px;margin:0 auto;height:1px'></div>", "315,0 100x1"},
      {"rtl: an over-constrained block keeps its right margin",
       "<div style='direction:rtl'><div id=x style='width:100px;margin-right:10px;height:1px'></div></div>",
       "620,0 100x1"},
      {"rtl: an over-constrained absolute box keeps its right offset",
       "<div style='position:relative;direction:rtl;width:200px;height:10px'>"
       "<div id=x style='position:absolute;left:10px;right:20px;width:50px;height:5px'></div></div>",
       "130,0 50x5"},
      {"rtl: an absolute block with auto offsets keeps its static right edge",
       "<div style='position:relative;width:300px;height:10px'><div style='direction:rtl;padding-right:7px;width:200px'>"
       "<div id=x style='position:absolute;width:50px;height:5px;margin-right:3px'></div></div></div>",
       "147,0 50x5"},
      {"rtl: lines start at the right", "<div style='direction:rtl;width:100px'><span id=x>abc</span></div>",
       "76,1 24x16"},
      {"rtl: a line too long sticks out at the left",
       "<div style='direction:rtl;width:20px'><span id=x>abcde</span></div>", "-20,1 40x16"},
      {"... also the last line of a justified block",
       "<div style='direction:rtl;width:100px;text-align:justify'><span id=x>abc</span></div>", "76,1 24x16"},
      {"border adds outside the width", "<div id=x style='width:10px;height:10px;border:3px solid'></div>",
       "0,0 16x16"},
  };
  Check(cases, std::size(cases));
}

TEST(BlockLayout, HeightsAndCollapsingMargins) {
  const LayoutCase cases[] = {
      {"auto height is the content", "<div id=x><div style='height:7px'></div><div style='height:5px'></div></div>",
       "0,0 730x12"},
      {"sibling margins collapse to the larger",
       "<div style='margin-bottom:20px;height:10px'></div><div id=x style='margin-top:30px;height:10px'></div>",
       "0,40 730x10"},
      {"a negative margin subtracts",
       "<div style='margin-bottom:20px;height:10px'></div><div id=x style='margin-top:-5px;height:10px'></div>",
       "0,25 730x10"},
      {"parent and first child top margins collapse",
       "<div style='margin-top:10px'><div id=x style='margin-top:25px;height:5px'></div></div>", "0,25 730x5"},
      {"padding keeps them apart",
       "<div style='margin-top:10px;padding-top:1px'><div id=x style='margin-top:25px;height:5px'></div></div>",
       "0,36 730x5"},
      {"a last child's bottom margin leaves through the parent",
       "<div><div style='height:5px;margin-bottom:20px'></div></div><div id=x style='height:1px'></div>",
       "0,25 730x1"},
      {"an empty block's margins collapse through it",
       "<div style='height:10px'></div><div style='margin:10px 0 30px'></div>"
       "<div id=x style='margin-top:20px;height:5px'></div>",
       "0,40 730x5"},
      {"percentage height of a fixed-height parent",
       "<div style='height:200px'><div id=x style='height:25%'></div></div>", "0,0 730x50"},
      {"percentage height of an auto-height parent is auto",
       "<div><div id=x style='height:25%'></div></div>", "0,0 730x0"},
      {"min-height", "<div id=x style='min-height:30px'>a</div>", "0,0 730x30"},
      {"max-height clips the height, not the content", "<div id=x style='max-height:5px'>a</div>", "0,0 730x5"},
      {"line-height sets the line box", "<div id=x style='line-height:30px'>a</div>", "0,0 730x30"},
      {"line-height as a number", "<div id=x style='line-height:2;font-size:10px'>a</div>", "0,0 730x20"},
      {"an overflow container holds its floats",
       "<div id=x style='overflow:hidden'><div style='float:left;width:10px;height:40px'></div></div>",
       "0,0 730x40"},
      {"a plain block does not", "<div id=x><div style='float:left;width:10px;height:40px'></div></div>",
       "0,0 730x0"},
  };
  Check(cases, std::size(cases));
}

TEST(FloatLayout, PlacementAndClearance) {
  const LayoutCase cases[] = {
      {"a right float", "<div id=x style='float:right;width:50px;height:5px'></div>", "680,0 50x5"},
      {"left floats line up",
       "<div style='float:left;width:100px;height:5px'></div><div id=x style='float:left;width:100px;height:5px'></div>",
       "100,0 100x5"},
      {"a float that does not fit goes below",
       "<div style='width:150px'><div style='float:left;width:100px;height:10px'></div>"
       "<div id=x style='float:left;width:100px;height:5px'></div></div>",
       "0,10 100x5"},
      {"floats do not rise above earlier floats",
       "<div style='width:150px'><div style='float:left;width:100px;height:10px'></div>"
       "<div style='float:left;width:100px;height:10px'></div>"
       "<div id=x style='float:right;width:20px;height:5px'></div></div>",
       "130,10 20x5"},
      {"clearance moves a block below floats",
       "<div style='float:left;width:10px;height:40px'></div><div id=x style='clear:left;height:5px'></div>",
       "0,40 730x5"},
      {"clear right ignores left floats",
       "<div style='float:left;width:10px;height:40px'></div><div id=x style='clear:right;height:5px'></div>",
       "0,0 730x5"},
      {"shrink-to-fit width of a float", "<div id=x style='float:left'>Hello world</div>", "0,0 88x18"},
      {"shrink-to-fit width with a scroll bar the content needs: the bar comes on top",
       "<div id=x style='position:absolute;overflow:auto;height:30px'><div style='height:100px'>s</div></div>",
       "0,0 24x30"},
      {"... and with overflow-y: scroll", "<div id=x style='float:left;overflow-y:scroll;height:10px'>ab</div>",
       "0,0 32x10"},
      {"... but not where the content fits", "<div id=x style='float:left;overflow:auto;height:30px'>ab</div>",
       "0,0 16x30"},
      {"shrink-to-fit stops at the available width",
       "<div style='width:50px'><div id=x style='float:left'>Hello world</div></div>", "0,0 50x36"},
      {"lines beside a float are shortened",
       "<div style='width:100px'><div style='float:left;width:60px;height:10px'></div><span id=x>abc def</span></div>",
       "0,1 84x34"},  // the first line beside the float, the second below it
      {"a formatting context beside a float is narrowed",
       "<div style='float:left;width:60px;height:10px'></div><div id=x style='overflow:hidden;height:5px'></div>",
       "60,0 670x5"},
      {"a formatting context too wide to fit beside a float goes below it",
       "<div style='float:left;width:500px;height:30px'></div>"
       "<div id=x style='overflow:hidden;width:300px;height:5px'></div>",
       "0,30 300x5"},
      {"... below the first float it clears, beside a narrower one",
       "<div style='float:left;width:500px;height:30px'></div><div style='float:right;clear:left;width:100px;height:50px'></div>"
       "<div id=x style='overflow:hidden;width:300px;height:5px'></div>",
       "0,30 300x5"},
      {"a table too wide to fit beside a float goes below it",
       "<div style='float:right;width:500px;height:30px'></div>"
       "<table id=x style='width:300px;border-spacing:0'><tr><td style='padding:0'>a</td></tr></table>",
       "0,30 300x18"},
      {"a table that fits sits beside it",
       "<div style='float:left;width:100px;height:30px'></div>"
       "<table id=x style='width:300px;border-spacing:0'><tr><td style='padding:0'>a</td></tr></table>",
       "100,0 300x18"},
      {"margins after an empty box with clearance stay inside the parent",
       "<div id=x><div style='float:left;height:1px'></div><div style='clear:left'></div>"
       "<div style='margin-top:99px'></div></div>",
       "0,0 730x100"},
      {"clear without floats leaves the margins collapsing",
       "<div id=x><div style='clear:both;margin-top:20px;height:5px'></div></div>", "0,20 730x5"},
      {"... and so do floats it is already below",
       "<div style='float:left;width:10px;height:10px'></div><div style='height:50px'></div>"
       "<div id=x><div style='clear:left;margin-top:20px;height:5px'></div></div>",
       "0,70 730x5"},
      {"a first child that needs clearance keeps its margin from its parent's",
       "<div style='float:left;width:10px;height:40px'></div>"
       "<div id=x style='margin-top:10px'><div style='clear:left;margin-top:5px;height:5px'></div></div>",
       "0,10 730x45"},  // the float moves down with the body, to 10
  };
  Check(cases, std::size(cases));
}

TEST(InlineLayout, LinesAndAlignment) {
  const LayoutCase cases[] = {
      {"lines break at spaces", "<div style='width:100px'><span id=x>aaa bbb ccc ddd</span></div>", "0,1 88x34"},
      {"a word longer than the line stays whole and sticks out",
       "<div style='width:30px'><span id=x>abcdefghij</span> k</div>", "0,1 80x16"},
      {"a text-indent wider than the line: the first word goes on it all the same",
       "<div style='width:50px;text-indent:80px'><span id=x>abc def</span></div>", "0,1 104x34"},
      {"letter-spacing after each character", "<span id=x style='letter-spacing:2px'>abc</span>", "0,1 30x16"},
      {"... negative, and inherited", "<div style='letter-spacing:-1px'><span id=x>abc</span></div>", "0,1 21x16"},
      {"word-spacing on each space", "<span id=x style='word-spacing:10px'>ab cd</span>", "0,1 50x16"},
      {"... where lines break", "<div style='width:40px;word-spacing:10px'><span id=x>ab cd</span></div>",
       "0,1 16x34"},
      {"nowrap keeps one line", "<div style='width:30px;white-space:nowrap'><span id=x>aa bb cc</span></div>",
       "0,1 64x16"},
      {"pre keeps spaces and line ends", "<pre id=x style='margin:0'>a  b\nc</pre>", "0,0 730x36"},
      {"spaces collapse", "<div><span id=x>a \n\t  b</span></div>", "0,1 24x16"},
      {"text-align center", "<div style='text-align:center'><span id=x>ab</span></div>", "357,1 16x16"},
      {"text-align right", "<div style='text-align:right'><span id=x>ab</span></div>", "714,1 16x16"},
      {"trailing space does not shift right-aligned text",
       "<div style='text-align:right'><span id=x>ab </span></div>", "714,1 16x16"},
      {"text-indent", "<div style='text-indent:20px'><span id=x>ab</span></div>", "20,1 16x16"},
      {"inline padding and margin take room",
       "<div>a<span id=x style='padding:0 4px;margin-left:3px;border:1px solid'>b</span></div>",
       "11,0 18x18"},
      {"a bigger font makes the line taller", "<div id=x>a<span style='font-size:32px'>b</span></div>",
       "0,0 730x36"},
      {"an image sits on the baseline", "<div><img id=x width=20 height=10></div>", "0,3 20x10"},
      {"vertical-align top", "<div><img width=5 height=30 style='vertical-align:top'><img id=x width=5 height=10 "
                             "style='vertical-align:top'>a</div>",
       "5,0 5x10"},
      {"vertical-align middle", "<div><img id=x width=5 height=30 style='vertical-align:middle'>a</div>",
       "0,0 5x30"},
      {"an empty inline-block sits on its bottom edge",
       "<div><span id=x style='display:inline-block;width:10px;height:30px'></span>a</div>", "0,0 10x30"},
      {"inline-block shrinks to its content", "<div><span id=x style='display:inline-block'>ab cd</span></div>",
       "0,0 40x18"},
      {"br ends the line", "<div id=x>a<br>b</div>", "0,0 730x36"},
      {"a lone br makes a line", "<div id=x><br></div>", "0,0 730x18"},
      {"white space alone makes no line", "<div id=x> </div>", "0,0 730x0"},
  };
  Check(cases, std::size(cases));
}

TEST(PositionedLayout, OffsetsAndContainingBlocks) {
  const LayoutCase cases[] = {
      {"absolute against the viewport",
       "<div id=x style='position:absolute;right:10px;bottom:20px;width:30px;height:40px'></div>",
       "690,452 30x40"},
      {"absolute against a positioned ancestor",
       "<div style='position:relative;margin-left:50px;margin-top:10px;height:100px'>"
       "<div id=x style='position:absolute;left:5px;top:6px;width:10px;height:10px'></div></div>",
       "55,16 10x10"},
      {"left and right stretch an auto width",
       "<div style='position:relative;width:200px;height:50px'>"
       "<div id=x style='position:absolute;left:10px;right:20px;top:0;bottom:0'></div></div>",
       "10,0 170x50"},
      {"auto offsets keep the static position",
       "<div style='height:30px'></div><div id=x style='position:absolute;width:5px;height:5px'></div>",
       "0,30 5x5"},
      {"static position inside a line",
       "<div>ab<span id=x style='position:absolute;width:5px;height:5px'></span></div>", "16,0 5x5"},
      {"a block-level one in a line: below that line, at its start",
       "<div style='padding-left:3px'>ab<div id=x style='position:absolute;width:5px;height:5px'></div>cd</div>",
       "3,18 5x5"},
      {"... at the line's top while the line is empty",
       "<div style='padding-left:3px'><div id=x style='position:absolute;width:5px;height:5px'></div>cd</div>",
       "3,0 5x5"},
      {"absolute shrinks to fit its content", "<div id=x style='position:absolute;top:0'>ab cd</div>",
       "0,0 40x18"},
      {"relative offsets move the box only", "<div id=x style='position:relative;left:7px;top:-3px;height:10px'></div>",
       "7,-3 730x10"},
      {"fixed against the viewport", "<div style='height:2000px'></div>"
                                     "<div id=x style='position:fixed;left:0;top:0;width:5px;height:5px'></div>",
       "0,0 5x5"},
      {"percentages against the containing block",
       "<div style='position:relative;width:200px;height:100px'>"
       "<div id=x style='position:absolute;left:50%;top:10%;width:25%;height:50%'></div></div>",
       "100,10 50x50"},
  };
  Check(cases, std::size(cases));
}

TEST(TableLayout, ColumnsRowsAndCells) {
  const LayoutCase cases[] = {
      {"extra width goes to columns by their content",
       "<table width=400 cellspacing=0 cellpadding=0><tr><td id=x>aa</td><td>aaaaaa</td></tr></table>",
       "0,0 100x18"},
      {"the second column",
       "<table width=400 cellspacing=0 cellpadding=0><tr><td>aa</td><td id=x>aaaaaa</td></tr></table>",
       "100,0 300x18"},
      {"an auto table shrinks to its content",
       "<table id=x cellspacing=0 cellpadding=0><tr><td>abc</td></tr></table>", "0,0 24x18"},
      {"cell spacing and padding", "<table cellspacing=4 cellpadding=2><tr><td id=x>abc</td></tr></table>",
       "4,4 28x22"},
      {"a fixed-width column keeps its width",
       "<table width=300 cellspacing=0 cellpadding=0><tr><td id=x width=50>a</td><td>b</td></tr></table>",
       "0,0 50x18"},
      {"a narrow table squeezes to the minimum",
       "<div style='width:50px'><table id=x cellspacing=0 cellpadding=0><tr><td>aaa bbb</td><td>cc dd</td></tr>"
       "</table></div>",
       "0,0 50x36"},  // 40 at least, 96 at most: the room there is
      {"colspan spans columns and spacing",
       "<table cellspacing=2 cellpadding=0><tr><td>aa</td><td>bb</td></tr><tr><td id=x colspan=2>c</td></tr></table>",
       "2,22 34x18"},
      {"cells in a row share its height",
       "<table cellspacing=0 cellpadding=0><tr><td id=x>a</td><td>b<br>c</td></tr></table>", "0,0 8x36"},
      {"a percentage column", "<table width=200 cellspacing=0 cellpadding=0><tr><td id=x width=25%>a</td><td>b</td>"
                              "</tr></table>",
       "0,0 50x18"},
      {"centred table", "<table id=x align=center cellspacing=0 cellpadding=0><tr><td>ab</td></tr></table>",
       "357,0 16x18"},
      {"a cell outside a table gets one made up", "<div><span id=x style='display:table-cell'>ab</span></div>",
       "0,0 16x18"},
  };
  Check(cases, std::size(cases));
}

// In the cases below a <b> is a block of the size its class names (b10x120:
// 10 by 120 pixels), so that no text measures decide; every expected rect
// is what a browser (Chromium) gives for the same markup.
const char kBlocks[] =
    "<style>b{display:block}.b10x120{width:10px;height:120px}.b10x20{width:10px;height:20px}"
    ".b10x40{width:10px;height:40px}.b10x10{width:10px;height:10px}.b10x0{width:10px;height:0}"
    ".b10x30{width:10px;height:30px}.b20x10{width:20px;height:10px}.b100x10{width:100px;height:10px}"
    ".b10x124{width:10px;height:124px}</style>";

void CheckWithBlocks(const LayoutCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    Rendered r(std::string("<body style='margin:0'>") + kBlocks + cases[i].html);
    EXPECT_EQ(RectOf(r, "x"), cases[i].rect) << cases[i].name;
  }
}

TEST(TableLayout, RowSpans) {
  const LayoutCase cases[] = {
      {"the rows grow in proportion to their heights",
       "<table cellspacing=0 cellpadding=0><tr><td rowspan=2><b class=b10x120></b></td><td><b class=b10x20></b>"
       "</td></tr><tr id=x><td><b class=b10x40></b></td></tr></table>",
       "0,40 20x80"},
       {"spacing between the rows counts",
       "<table cellspacing=4 cellpadding=0><tr id=x><td rowspan=2><b class=b10x124></b></td><td>"
       "<b class=b10x20></b></td></tr><tr><td><b class=b10x40></b></td></tr></table>",
       "4,4 24x40"},
      {"rows of no height: the last takes it all",
       "<table cellspacing=0 cellpadding=0><tr><td rowspan=3><b class=b10x120></b></td></tr><tr></tr>"
       "<tr id=x></tr></table>",
       "0,0 10x120"},
      {"rows of a fixed height grow last",
       "<table cellspacing=0 cellpadding=0><tr style='height:50px'><td rowspan=2><b class=b10x120></b></td>"
       "<td><b class=b10x10></b></td></tr><tr id=x><td><b class=b10x10></b></td></tr></table>",
       "0,50 20x70"},
      {"a span past the last row stops there",
       "<table cellspacing=0 cellpadding=0><tr><td rowspan=5><b class=b10x120></b></td><td><b class=b10x10></b>"
       "</td></tr><tr id=x><td><b class=b10x10></b></td></tr></table>",
       "0,60 20x60"},
      {"rowspan=0 reaches the end of the group",
       "<table cellspacing=0 cellpadding=0><tr><td id=x rowspan=0><b class=b10x10></b></td><td><b class=b10x10>"
       "</b></td></tr><tr><td><b class=b10x10></b></td></tr><tr><td><b class=b10x10></b></td></tr></table>",
       "0,0 10x30"},
      {"a later row's cell skips the slot covered from above",
       "<table cellspacing=0 cellpadding=0><tr><td rowspan=0><b class=b10x10></b></td><td><b class=b10x10></b>"
       "</td></tr><tr><td id=x><b class=b10x10></b></td></tr></table>",
       "10,10 10x10"},
      {"a span stops at the end of its row group",
       "<table cellspacing=0 cellpadding=0><tbody><tr><td rowspan=3><b class=b10x120></b></td><td>"
       "<b class=b10x10></b></td></tr></tbody><tbody><tr><td id=x><b class=b10x10></b></td></tr></tbody></table>",
       "0,120 10x10"},
      {"spanning rows and columns at once",
       "<table cellspacing=2 cellpadding=0><tr><td rowspan=2 colspan=2><b class=b20x10></b></td><td>"
       "<b class=b10x10></b></td></tr><tr><td><b class=b10x10></b></td></tr><tr><td><b class=b10x10></b></td>"
       "<td><b class=b10x10></b></td><td id=x><b class=b10x10></b></td></tr></table>",
       "26,26 10x10"},
      {"vertical-align bottom in the rows' height",
       "<table cellspacing=0 cellpadding=0><tr><td rowspan=2 style='vertical-align:bottom'><b id=x "
       "class=b10x10></b></td><td><b class=b10x30></b></td></tr><tr><td><b class=b10x30></b></td></tr></table>",
       "0,50 10x10"},
      {"vertical-align middle in the rows' height",
       "<table cellspacing=0 cellpadding=0><tr><td rowspan=2><b id=x class=b10x10></b></td><td>"
       "<b class=b10x30></b></td></tr><tr><td><b class=b10x30></b></td></tr></table>",
       "0,25 10x10"},
      {"a span beyond 65534 rows is held there, and to the rows there are",
       "<table cellspacing=0 cellpadding=0><tr><td id=x rowspan=70000><b class=b10x10></b></td><td>"
       "<b class=b10x10></b></td></tr><tr><td><b class=b10x10></b></td></tr></table>",
       "0,0 10x20"},
      {"a span beyond 1000 columns is held there",
       "<table cellspacing=0 cellpadding=0 style='table-layout:fixed;width:10px'><tr><td colspan=5000 "
       "style='width:2000px'></td></tr><tr><td id=x><b class=b10x10></b></td></tr></table>",
       "0,0 2x10"},
  };
  CheckWithBlocks(cases, std::size(cases));
}

TEST(TableLayout, ColumnElements) {
  const LayoutCase cases[] = {
      {"a column's width", "<table cellspacing=0 cellpadding=0><col width=100><tr><td id=x><b class=b20x10></b>"
                           "</td><td><b class=b20x10></b></td></tr></table>",
       "0,0 100x10"},
      {"content wider than the column widens it",
       "<table cellspacing=0 cellpadding=0><col width=10><tr><td id=x><b class=b20x10></b></td></tr></table>",
       "0,0 20x10"},
      {"a column group's span and width",
       "<table cellspacing=0 cellpadding=0><colgroup id=x span=2 width=50></colgroup><tr><td><b class=b20x10></b>"
       "</td><td><b class=b20x10></b></td><td><b class=b20x10></b></td></tr></table>",
       "0,0 100x10"},
      {"a group's width goes to each of its columns without one",
       "<table cellspacing=0 cellpadding=0><colgroup style='width:150px'><col style='width:30px'><col></colgroup>"
       "<tr><td><b class=b20x10></b></td><td id=x><b class=b20x10></b></td><td><b class=b20x10></b></td></tr>"
       "</table>",
       "30,0 150x10"},
      {"a column's span", "<table cellspacing=0 cellpadding=0><col id=x span=2 width=40><tr><td><b class=b20x10>"
                          "</b></td><td><b class=b20x10></b></td><td><b class=b20x10></b></td></tr></table>",
       "0,0 80x10"},
      {"columns without cells take their room",
       "<table id=x cellspacing=0 cellpadding=0><col width=100><col width=100><col width=100><tr><td>"
       "<b class=b20x10></b></td></tr></table>",
       "0,0 300x10"},
      {"a percentage column", "<table cellspacing=0 cellpadding=0 width=400><col width=25%><tr><td id=x>"
                              "<b class=b20x10></b></td><td><b class=b20x10></b></td></tr></table>",
       "0,0 100x10"},
      {"a column beside its group's, with spacing",
       "<table cellspacing=5 cellpadding=0><colgroup><col width=30><col width=40></colgroup><col id=x width=20>"
       "<tr><td><b class=b10x10></b></td><td><b class=b10x10></b></td><td><b class=b10x10></b></td></tr>"
       "<tr><td><b class=b10x10></b></td><td><b class=b10x10></b></td><td><b class=b10x10></b></td></tr></table>",
       "85,5 20x25"},
      {"a column's span is held to 1000 columns",
       "<table id=x cellspacing=0 cellpadding=0 style='table-layout:fixed;width:10px'><col span=5000 width=1>"
       "<tr><td></td></tr></table>",
       "0,0 1000x0"},
      {"a column's width is no minimum",
       "<div style='width:50px'><table cellspacing=0 cellpadding=0><col width=100><col width=100><tr><td id=x>"
       "<b class=b10x10></b></td><td><b class=b10x10></b></td></tr></table></div>",
       "0,0 25x10"},
      {"nor its content a maximum",
       "<table cellspacing=0 cellpadding=0><col width=100><tr><td id=x><span style='display:inline-block;"
       "width:75px;height:10px'></span> <span style='display:inline-block;width:75px;height:10px'></span></td>"
       "</tr></table>",
       "0,0 100x36"},
  };
  CheckWithBlocks(cases, std::size(cases));
}

TEST(TableLayout, FixedLayout) {
  const char* fixed = "<table cellspacing=0 cellpadding=0 style='table-layout:fixed;width:300px'>";
  const std::string f(fixed);
  const std::string cases[][3] = {
      {"the columns share the width evenly", f + "<tr><td><b class=b20x10></b></td><td id=x><b class=b100x10></b>"
                                                 "</td><td></td></tr></table>",
       "100,0 100x10"},
      {"a column element, then the first row", f + "<col width=100><tr><td>a</td><td style='width:50px'>a</td>"
                                                   "<td id=x>a</td></tr><tr><td style='width:200px'>a</td><td>a</td>"
                                                   "<td style='width:250px'>a</td></tr></table>",
       "150,0 150x18"},
      {"columns wider than the table widen it",
       f + "<tr><td style='width:200px'>a</td><td style='width:200px'>a</td><td id=x>a</td></tr></table>",
       "400,0 0x18"},
      {"a wider table grows columns in proportion",
       f + "<tr><td style='width:50px'>a</td><td id=x style='width:100px'>a</td></tr></table>", "100,0 200x18"},
      {"cell padding and border count, the table's too",
       "<table cellspacing=4 style='table-layout:fixed;width:300px;border:3px solid;padding:5px'><tr>"
       "<td style='width:50px;padding:2px;border:1px solid'>a</td><td id=x>a</td></tr></table>",
       "72,12 216x24"},
      {"a first-row cell spanning columns shares its width",
       f + "<tr><td colspan=2 style='width:100px'>a</td><td>a</td></tr><tr><td>a</td><td id=x>a</td><td>a</td>"
           "</tr></table>",
       "50,18 50x18"},
      {"a percentage of the table", f + "<tr><td id=x style='width:50%'>a</td><td>a</td></tr></table>",
       "0,0 150x18"},
      {"content does not widen a column",
       f + "<tr><td style='width:50px'><b class=b100x10></b></td><td id=x>a</td></tr></table>", "50,0 250x18"},
      {"an auto width keeps the automatic layout",
       "<table cellspacing=0 cellpadding=0 style='table-layout:fixed'><tr><td id=x style='width:50px'>"
       "<b class=b100x10></b></td></tr></table>",
       "0,0 100x10"},
      {"a fixed table in a float is as wide as it says",
       "<div style='float:left'><table id=x cellspacing=0 cellpadding=0 style='table-layout:fixed;width:120px'>"
       "<col width=30><tr><td><b class=b100x10></b></td><td>a</td></tr></table></div>",
       "0,0 120x18"},
  };
  for (const auto& c : cases) {
    Rendered r(std::string("<body style='margin:0'>") + kBlocks + c[1]);
    EXPECT_EQ(RectOf(r, "x"), c[2]) << c[0];
  }
}

TEST(TableLayout, CollapsedBorders) {
  const LayoutCase cases[] = {
      {"neighbours share a border, halves on each side",
       "<table style='border-collapse:collapse'><tr><td style='border:4px solid;padding:0'><b class=b10x10></b>"
       "</td><td id=x style='border:4px solid;padding:0'><b class=b10x10></b></td></tr></table>",
       "16,2 14x14"},
      {"the table's wider border wins its edges; its padding and spacing go",
       "<table id=x style='border-collapse:collapse;border:6px solid;padding:7px;border-spacing:9px'><tr>"
       "<td style='border:2px solid;padding:0'><b class=b10x10></b></td><td style='border:2px solid;padding:0'>"
       "<b class=b10x10></b></td></tr></table>",
       "0,0 34x22"},
      {"a grid line is as wide as its widest border",
       "<table style='border-collapse:collapse'><tr><td style='border-right:6px solid;padding:0'><b class=b10x10>"
       "</b></td><td style='padding:0'><b class=b10x10></b></td></tr><tr><td id=x style='border-right:2px solid;"
       "padding:0'><b class=b10x10></b></td><td style='padding:0'><b class=b10x10></b></td></tr></table>",
       "0,10 13x10"},
      {"hidden wins over everything",
       "<table style='border-collapse:collapse;border:10px solid'><tr><td id=x style='border:4px hidden;"
       "padding:0'><b class=b10x10></b></td><td style='border:2px solid;padding:0'><b class=b10x10></b></td></tr>"
       "</table>",
       "0,5 10x20"},  // the line above is the table's 10px beside it
      {"rows and columns take part; their own boxes span the cells",
       "<table style='border-collapse:collapse'><col style='border:4px solid'><col><tr id=x style='border:8px "
       "solid'><td style='padding:0'><b class=b10x10></b></td><td style='padding:0'><b class=b10x10></b></td></tr>"
       "<tr><td style='padding:0'><b class=b10x10></b></td><td style='padding:0'><b class=b10x10></b></td></tr>"
       "</table>",
       "4,4 32x18"},
      {"a table's width holds the outer halves",
       "<table id=x style='border-collapse:collapse;width:100px;border:4px solid'><tr><td style='border:2px "
       "solid;padding:0'><b class=b10x10></b></td></tr></table>",
       "0,0 100x18"},
  };
  CheckWithBlocks(cases, std::size(cases));
}

TEST(TableLayout, BoxSizesAndInlineTables) {
  const LayoutCase cases[] = {
      {"a table element's width and height are its border box's",
       "<table id=x cellspacing=0 cellpadding=0 style='width:200px;height:100px;border:5px solid;padding:10px'>"
       "<tr><td><b class=b10x10></b></td></tr></table>",
       "0,0 200x100"},
      {"another display: table box sizes its content box",
       "<div id=x style='display:table;width:200px;height:100px;border:5px solid;padding:10px'>"
       "<div style='display:table-cell'><b class=b10x10></b></div></div>",
       "0,0 230x130"},
      {"so does a percentage", "<div style='width:400px'><div id=x style='display:table;width:50%;border:5px solid;"
                               "padding:10px'><div style='display:table-cell'><b class=b10x10></b></div></div></div>",
       "0,0 230x40"},
      {"an inline table sits on its first row's baseline",
       "<div style='font-size:0;line-height:0'><span style='display:inline-block;width:5px;height:25px'></span>"
       "<table id=x style='display:inline-table' cellspacing=0 cellpadding=0><tr><td style='vertical-align:"
       "baseline'><b class=b10x30></b></td><td style='vertical-align:baseline'><span style='display:inline-block;"
       "width:10px;height:10px'></span></td></tr><tr><td><b class=b10x30></b></td></tr></table></div>",
       "5,0 20x60"},
      {"its border and margin count",
       "<div style='font-size:0;line-height:0'><span style='display:inline-block;width:5px;height:25px'></span>"
       "<div id=x style='display:inline-table;border:5px solid;margin:3px;border-spacing:2px'><div "
       "style='display:table-row'><div style='display:table-cell'><b class=b10x30></b></div></div></div></div>",
       "8,3 24x44"},
      {"one without rows sits on its bottom margin edge",
       "<div style='font-size:0;line-height:0'><span style='display:inline-block;width:5px;height:25px'></span>"
       "<div id=x style='display:inline-table;width:30px;height:20px;border:1px solid'></div></div>",
       "5,3 32x22"},
      {"inline tables wrap like words",
       "<div style='width:100px;font-size:0;line-height:0'><table style='display:inline-table' cellspacing=0 "
       "cellpadding=0><tr><td><b class=b100x10></b></td></tr></table><table id=x style='display:inline-table' "
       "cellspacing=0 cellpadding=0><tr><td><b class=b100x10></b></td></tr></table></div>",
       "0,10 100x10"},
  };
  CheckWithBlocks(cases, std::size(cases));
}

TEST(ReplacedLayout, PicturesTakeTheirSizeWhenTheyArrive) {
  Rendered r("<body style='margin:0'><img id=x src=pic.png><img id=y src=pic.png width=100>");
  EXPECT_EQ(RectOf(r, "x"), "0,13 0x0");  // not loaded yet
  ASSERT_EQ(r.host.requests.size(), 1u);
  EXPECT_EQ(r.host.requests[0].first, u"C:\\screens\\pic.png");
  EXPECT_EQ(r.host.requests[0].second, ResourceKind::kImage);
  r.host.SetImage(u"C:\\screens\\pic.png", Size{40, 30});
  r.view->DeliverImage(u"C:\\screens\\pic.png", true);
  r.view->Update();
  // Both sit on the baseline of a line grown to hold the taller one; the
  // second keeps the picture's ratio.
  EXPECT_EQ(RectOf(r, "x"), "0,45 40x30");
  EXPECT_EQ(RectOf(r, "y"), "40,0 100x75");
}

TEST(Scrolling, OverflowAutoGetsAScrollBarAndARange) {
  Rendered r("<body style='margin:0'><div id=x style='height:50px;overflow:auto'>"
             "<div id=inner style='height:200px'></div></div>");
  ScrollInfo info;
  ASSERT_TRUE(GetScrollInfo(r.ById("x"), &info));
  EXPECT_EQ(info.page, 50);
  EXPECT_EQ(info.contentHeight, 200);
  EXPECT_EQ(info.maxPosition, 150);
  EXPECT_EQ(info.position, 0);
  EXPECT_EQ(RectOf(r, "inner"), "0,0 714x200");  // beside the scroll bar
  ASSERT_TRUE(SetScrollPosition(r.ById("x"), 500));
  r.view->Update();
  ASSERT_TRUE(GetScrollInfo(r.ById("x"), &info));
  EXPECT_EQ(info.position, 150);  // clamped to the range
  EXPECT_EQ(RectOf(r, "inner"), "0,-150 714x200");
}

}  // namespace
}  // namespace engine
