// The CSS parser: typed values and shorthand expansion, error recovery,
// at-rules, selectors and their specificity.
#include <gtest/gtest.h>

#include "ui/engine/css_parser.h"
#include "ui/engine/css_values.h"

namespace engine {
namespace {

std::string Format(const std::vector<Declaration>& declarations) {
  std::string out;
  for (const Declaration& d : declarations) {
    if (!out.empty()) out += " ";
    out += std::string(PropertyName(d.property)) + "=" + FormatValue(d.value) + (d.important ? "!" : "");
  }
  return out;
}

struct DeclarationCase {
  const char* css;
  const char* parsed;  // "" when dropped
};

TEST(CssDeclarations, ParseToTypedLonghands) {
  const DeclarationCase cases[] = {
      {"width: 120px", "width=120px"},
      {"width: 50%", "width=50%"},
      {"width: auto", "width=auto"},
      {"width: 100", "width=100px"},  // unitless, as old pages write it
      {"width: 1.5em", "width=1.5em"},
      {"width: 10pt", "width=10pt"},
      {"width: -5px", ""},
      {"width: 5 px", ""},
      {"margin-left: -5px", "margin-left=-5px"},
      {"max-width: none", "max-width=none"},
      {"min-width: auto", ""},
      {"margin: 1px", "margin-top=1px margin-right=1px margin-bottom=1px margin-left=1px"},
      {"margin: 1px 2px", "margin-top=1px margin-right=2px margin-bottom=1px margin-left=2px"},
      {"margin: 1px 2px 3px", "margin-top=1px margin-right=2px margin-bottom=3px margin-left=2px"},
      {"margin: 1px 2px 3px 4px", "margin-top=1px margin-right=2px margin-bottom=3px margin-left=4px"},
      {"margin: 0 auto", "margin-top=0px margin-right=auto margin-bottom=0px margin-left=auto"},
      {"margin: 1px 2px 3px 4px 5px", ""},
      {"padding: 1px -2px", ""},
      {"border-top: 1px dashed", "border-top-width=1px border-top-style=dashed border-top-color=currentcolor"},
      {"border-left: red thick solid", "border-left-width=thick border-left-style=solid border-left-color=#ff0000"},
      {"border-right: none", "border-right-width=medium border-right-style=none border-right-color=currentcolor"},
      {"border-width: thin 2px", "border-top-width=thin border-right-width=2px border-bottom-width=thin border-left-width=2px"},
      {"border-style: solid solid", "border-top-style=solid border-right-style=solid border-bottom-style=solid border-left-style=solid"},
      {"border: 1px solid solid", ""},
      {"clip: rect(5px, auto, 2em, -3px)", "clip-top=5px clip-right=auto clip-bottom=2em clip-left=-3px"},
      {"clip: rect(1px 2px 3px 4px)", "clip-top=1px clip-right=2px clip-bottom=3px clip-left=4px"},
      {"clip: RECT(1px,2px,3px,4px)", "clip-top=1px clip-right=2px clip-bottom=3px clip-left=4px"},
      {"clip: auto", "clip-top=none clip-right=none clip-bottom=none clip-left=none"},
      {"clip: inherit", "clip-top=inherit clip-right=inherit clip-bottom=inherit clip-left=inherit"},
      {"clip: rect(1px, 2px, 3px)", ""},
      {"clip: rect(1px, 2px 3px, 4px)", ""},
      {"clip: rect(1px, 2px, 3px, 4px) auto", ""},
      {"clip: rect(1px, 2px, 3px, 10%)", ""},
      {"content: \"a\" attr(TITLE) \"\"", "content=\"a\" attr(title) \"\""},
      {"content: none", "content=none"},
      {"direction: RTL", "direction=rtl"},
      {"direction: up", ""},
      {"letter-spacing: -0.1em", "letter-spacing=-0.1em"},
      {"word-spacing: normal", "word-spacing=normal"},
      {"letter-spacing: 10%", ""},
      {"content: normal", "content=none"},
      {"content: counter(x)", ""},
      {"content: attr(a, b)", ""},
      {"content: open-quote", ""},
      {"content: \"a\" 1px", ""},
      {"clip: circle(1px)", ""},
      {"table-layout: fixed", "table-layout=fixed"},
      {"table-layout: auto", "table-layout=auto"},
      {"table-layout: collapse", ""},
      {"border-collapse: collapse", "border-collapse=collapse"},
      {"border-collapse: separate", "border-collapse=separate"},
      {"border-collapse: hidden", ""},
      {"empty-cells: hide", "empty-cells=hide"},
      {"empty-cells: show", "empty-cells=show"},
      {"empty-cells: none", ""},
      {"display: inline-table", "display=inline-table"},
      {"display: table-column-group", "display=table-column-group"},
      {"color: #abc", "color=#aabbcc"},
      {"color: #A0B1C2", "color=#a0b1c2"},
      {"color: rgb(255, 0, 10)", "color=#ff000a"},
      {"color: rgb(100%, 0%, 50%)", "color=#ff0080"},
      {"color: rgba(0, 0, 0, 0.5)", "color=#80000000"},
      {"color: Navy", "color=#000080"},
      {"color: orange", "color=#ffa500"},
      {"color: transparent", "color=#00000000"},
      {"color: #abcd", ""},
      {"color: nocolor", ""},
      {"color: rgb(1, 2)", ""},
      {"background-color: lightgrey", "background-color=#d3d3d3"},
      {"background-image: url(img/a.png)", "background-image=url(img/a.png)"},
      {"background-image: url( \"b c.png\" )", "background-image=url(b c.png)"},
      {"background-image: none", "background-image=none"},
      {"background-position: right bottom", "background-position-x=100% background-position-y=100%"},
      {"background-position: top left", "background-position-x=0% background-position-y=0%"},
      {"background-position: 10px 50%", "background-position-x=10px background-position-y=50%"},
      {"background-position: top", "background-position-x=50% background-position-y=0%"},
      {"background-position: left left", ""},
      {"background: #fff url(x.png) no-repeat right top",
       "background-color=#ffffff background-image=url(x.png) background-repeat=no-repeat "
       "background-attachment=scroll background-position-x=100% background-position-y=0%"},
      {"background: red", "background-color=#ff0000 background-image=none background-repeat=repeat "
                          "background-attachment=scroll background-position-x=0% background-position-y=0%"},
      {"background: url(a.png) repeat-x 5px 6px fixed",
       "background-color=#00000000 background-image=url(a.png) background-repeat=repeat-x "
       "background-attachment=fixed background-position-x=5px background-position-y=6px"},
      {"background: fixed red scroll", ""},
      {"background-attachment: FIXED", "background-attachment=fixed"},
      {"font: bold 12px/16px Tahoma, \"Courier New\", sans-serif",
       "font-style=normal font-weight=bold font-size=12px line-height=16px "
       "font-family=\"Tahoma, Courier New, sans-serif\""},
      {"font: italic 10pt Arial", "font-style=italic font-weight=normal font-size=10pt line-height=normal "
                                  "font-family=\"Arial\""},
      {"font: 12px", ""},
      {"font-family: Times New Roman, serif", "font-family=\"Times New Roman, serif\""},
      {"font-family: a,,b", ""},
      {"font-size: x-large", "font-size=x-large"},
      {"font-size: 120%", "font-size=120%"},
      {"font-weight: 700", "font-weight=700"},
      {"font-weight: 750", ""},
      {"line-height: 1.5", "line-height=1.5"},
      {"line-height: 20px", "line-height=20px"},
      {"text-decoration: underline", "text-decoration=1"},
      {"text-decoration: underline line-through", "text-decoration=5"},
      {"text-decoration: none", "text-decoration=none"},
      {"display: inline-block", "display=inline-block"},
      {"display: table-header-group", "display=table-header-group"},
      {"display: flex", ""},
      {"position: fixed", "position=fixed"},
      {"float: right", "float=right"},
      {"clear: both", "clear=both"},
      {"z-index: -3", "z-index=-3"},
      {"z-index: 1.5", ""},
      {"vertical-align: middle", "vertical-align=middle"},
      {"vertical-align: -2px", "vertical-align=-2px"},
      {"white-space: nowrap", "white-space=nowrap"},
      {"overflow: auto", "overflow-x=auto overflow-y=auto"},
      {"overflow-y: scroll", "overflow-y=scroll"},
      {"visibility: collapse", "visibility=hidden"},
      {"cursor: hand", "cursor=hand"},
      {"cursor: url(a.cur), pointer", "cursor=pointer"},
      {"cursor: ne-resize", "cursor=default"},
      {"list-style: none", "list-style-type=none"},
      {"list-style: square inside", "list-style-type=square"},
      {"margin: inherit", "margin-top=inherit margin-right=inherit margin-bottom=inherit margin-left=inherit"},
      {"color: red !important", "color=#ff0000!"},
      {"color: red ! IMPORTANT", "color=#ff0000!"},
      {"colour: red", ""},
  };
  for (const DeclarationCase& c : cases) EXPECT_EQ(Format(ParseDeclarationList(c.css)), c.parsed) << c.css;
}

TEST(CssDeclarations, RecoverFromErrorsOneDeclarationAtATime) {
  EXPECT_EQ(Format(ParseDeclarationList("color: red; width: ; height: 5px")), "color=#ff0000 height=5px");
  EXPECT_EQ(Format(ParseDeclarationList("color: red; width: 5px(; height: 6px)); top: 1px")),
            "color=#ff0000 top=1px");
  EXPECT_EQ(Format(ParseDeclarationList(";;color:red;;")), "color=#ff0000");
  EXPECT_EQ(Format(ParseDeclarationList("color: \"red; width: 5px")), "");
  EXPECT_EQ(Format(ParseDeclarationList("/* c */ color /* d */ : /* e */ red")), "color=#ff0000");
  EXPECT_EQ(Format(ParseDeclarationList("color: red; 5px; width: 3px")), "color=#ff0000 width=3px");
}

std::string Rules(const StyleSheet& sheet) {
  std::string out;
  for (const StyleRule& rule : sheet.rules) out += "{" + Format(rule.declarations) + "}";
  return out;
}

TEST(CssStyleSheet, KeepsValidRulesAndDropsTheRest) {
  struct Case {
    const char* css;
    const char* rules;
  };
  const Case cases[] = {
      {"p { color: red } div { width: 1px }", "{color=#ff0000}{width=1px}"},
      {"p, ul li { color: red }", "{color=#ff0000}"},
      {"p + q { color: red } div { width: 1px }", "{color=#ff0000}{width=1px}"},
      {"p + + q { color: red } div { width: 1px }", "{width=1px}"},
      {"p::first-line { color: red } div { width: 1px }", "{width=1px}"},
      {"p::before:hover { color: red } p:after p { color: red } div { width: 1px }", "{width=1px}"},
      {"p:nth-child(2) { color: red } div { width: 1px }", "{width=1px}"},
      {"p, ~q { color: red } div { width: 1px }", "{width=1px}"},
      {"p { color: red", "{color=#ff0000}"},
      {"p { color: red; } } div { width: 1px }", "{color=#ff0000}{width=1px}"},
      {"p { }", ""},
      {"@import url(a.css); p { color: red }", "{color=#ff0000}"},
      {"@charset \"utf-8\"; p { color: red }", "{color=#ff0000}"},
      {"@media screen { p { color: red } } div { width: 1px }", "{color=#ff0000}{width=1px}"},
      {"@media print { p { color: red } } div { width: 1px }", "{width=1px}"},
      {"@media print, screen { p { color: red } }", "{color=#ff0000}"},
      {"@font-face { font-family: x } div { width: 1px }", "{width=1px}"},
      {"@page :first { margin: 1in } div { width: 1px }", "{width=1px}"},
      {"<!-- p { color: red } -->", "{color=#ff0000}"},
      {"p { color: red } /* unclosed", "{color=#ff0000}"},
      {"div { width: 1px } p { color: \"red }", "{width=1px}"},
  };
  for (const Case& c : cases) EXPECT_EQ(Rules(ParseStyleSheet(c.css)), c.rules) << c.css;
}

TEST(CssSelectors, SpecificityCountsIdsClassesAndTypes) {
  struct Case {
    const char* selector;
    uint32_t specificity;
  };
  const Case cases[] = {
      {"*", 0},
      {"p", 0x000001},
      {"ul li", 0x000002},
      {".a", 0x000100},
      {"p.a.b", 0x000201},
      {"[type]", 0x000100},
      {"a[href=x]:hover", 0x000201},
      {"a:link", 0x000101},
      {"#x", 0x010000},
      {"div#x > p.c:first-child", 0x010202},
      {"*.a", 0x000100},
      {"a ~ b", 0x000002},
      {"h1+p.c", 0x000102},
      {"#x ~ li + li", 0x010002},
      {"p.c::before", 0x000102},
      {"a:after", 0x000002},
      {"::before", 0x000001},
  };
  for (const Case& c : cases) {
    std::vector<Selector> selectors;
    ASSERT_TRUE(ParseSelectorList(c.selector, &selectors)) << c.selector;
    ASSERT_EQ(selectors.size(), 1u);
    EXPECT_EQ(selectors[0].specificity, c.specificity) << c.selector;
  }
  const char* invalid[] = {"", "p +", "a ~", "~ b", "a + > b", "p:unknown", "::first-letter", "p::hover",
                           "a::before b", "a:before.c", "#1a", ".", "[=x]", "[a=]",
                           "[a^=b]", "p >", "> p", "a,", "p:not(q)"};
  for (const char* selector : invalid) {
    std::vector<Selector> selectors;
    EXPECT_FALSE(ParseSelectorList(selector, &selectors)) << selector;
  }
}

}  // namespace
}  // namespace engine
