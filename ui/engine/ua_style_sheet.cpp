// The user-agent style sheet, in the spirit of the CSS 2.1 sample style sheet
// for HTML 4 (appendix D) with today's browser margins.
#include "ui/engine/ua_style_sheet.h"

namespace engine {

const char kUserAgentStyleSheet[] = R"CSS(
html, address, blockquote, body, dd, div, dl, dt, fieldset, form, h1, h2, h3, h4, h5, h6,
ol, p, ul, center, dir, hr, menu, pre, section, article, header, footer, nav, aside, main,
figure, caption, legend { display: block }
li { display: list-item }
head, script, style, title, meta, link, base, area, param, [hidden] { display: none }
table { display: table; border-spacing: 2px }
tr { display: table-row }
col { display: table-column }
colgroup { display: table-column-group }
thead { display: table-header-group }
tbody { display: table-row-group }
tfoot { display: table-footer-group }
td, th { display: table-cell; padding: 1px; vertical-align: middle }
th { font-weight: bold; text-align: center }
caption { text-align: center }
body { margin: 8px }
h1 { font-size: 2em; margin: .67em 0 }
h2 { font-size: 1.5em; margin: .83em 0 }
h3 { font-size: 1.17em; margin: 1em 0 }
h4 { margin: 1.33em 0 }
h5 { font-size: .83em; margin: 1.67em 0 }
h6 { font-size: .67em; margin: 2.33em 0 }
h1, h2, h3, h4, h5, h6, b, strong { font-weight: bold }
p, blockquote, ul, ol, dl, fieldset, menu, dir, pre { margin: 1em 0 }
ul ul, ul ol, ol ul, ol ol, ul dl, ol dl, dl ul, dl ol { margin-top: 0; margin-bottom: 0 }
blockquote { margin-left: 40px; margin-right: 40px }
ul, ol, menu, dir { padding-left: 40px }
ul, menu, dir { list-style-type: disc }
ol { list-style-type: decimal }
dd { margin-left: 40px }
i, em, cite, var, address, dfn { font-style: italic }
pre, tt, code, kbd, samp { font-family: Courier New, monospace }
pre { white-space: pre }
nobr { white-space: nowrap }
u, ins { text-decoration: underline }
s, strike, del { text-decoration: line-through }
big { font-size: larger }
small { font-size: smaller }
sub { vertical-align: sub; font-size: smaller }
sup { vertical-align: super; font-size: smaller }
center { text-align: center }
a:link { color: #0000ee; text-decoration: underline; cursor: pointer }
hr { border: 1px inset #808080; margin: .5em 0; height: 0 }
progress { display: inline-block; width: 160px; height: 16px; border: 1px solid #808080;
           background-color: #e6e6e6; color: #3c78d8 }
)CSS";

}  // namespace engine
