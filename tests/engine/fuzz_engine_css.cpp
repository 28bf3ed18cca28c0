// Fuzz target: arbitrary bytes as a style sheet, a style attribute and a
// property value, applied to a fixed document through the whole pipeline;
// the updates after a change of style and state must end where a full
// update would.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/engine/stub_host.h"
#include "ui/engine/css_parser.h"
#include "ui/engine/dump.h"
#include "ui/engine/text.h"
#include "ui/engine/view.h"

using namespace engine;

namespace {

const char kDocument[] =
    "<div id=a class='x y'><p>Text <b>bold</b> <a href=u>link</a></p>"
    "<table><tr><td>1</td><td colspan=2>2</td></tr></table>"
    "<ul><li>item<li>item</ul><img src=a.png><progress value=3></progress>"
    "<span style='float:right'>f</span><div style='position:absolute'>abs</div></div>";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string css(reinterpret_cast<const char*>(data), size);
  StyleSheet sheet = ParseStyleSheet(css);
  std::vector<Declaration> declarations = ParseDeclarationList(css);
  std::vector<Declaration> single;
  ParseSingleProperty("background", css, &single);
  std::vector<Selector> selectors;
  ParseSelectorList(css, &selectors);
  (void)sheet;

  // The sheet in a document, and the text as a style attribute of an element.
  std::u16string text = Utf8ToUtf16(css);
  std::u16string html = u"<style>" + text + u"</style>" + Utf8ToUtf16(kDocument);
  StubHost host;
  View view(&host);
  view.SetViewportSize(300, 200);
  view.LoadHtml(html, u"C:\\f\\doc.htm");
  view.Update();
  ElementHandle body = GetChild(view.RootElement(), 1);
  ElementHandle div = GetChild(body, 1);
  if (div != 0) {
    SetAttribute(div, "style", text.c_str());
    view.Update();
    SetElementState(div, kStateHover | kStateActive, 0);
    view.Update();
    // The updates after the changes end where a full one would.
    std::string boxes = DumpBoxTree(view.rootBox()), display = DumpDisplayList(view.displayList());
    view.InvalidateEverything();
    view.Update();
    if (boxes != DumpBoxTree(view.rootBox()) || display != DumpDisplayList(view.displayList())) __builtin_trap();
  }
  return 0;
}
