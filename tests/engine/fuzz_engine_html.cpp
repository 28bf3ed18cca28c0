// Fuzz target: arbitrary bytes as a document, through the whole pipeline
// (decoding, parsing, cascade, boxes, layout, display list), then a few
// element operations and mouse events driven by the input, each followed by
// an update, checking that every handle the API returns resolves and that the
// update after a change ends where a full one would.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <string>

#include "tests/engine/stub_host.h"
#include "ui/engine/dump.h"
#include "ui/engine/view.h"

using namespace engine;

namespace {

void CollectHandles(ElementHandle element, std::vector<ElementHandle>* out, int depth) {
  out->push_back(element);
  if (depth > 40 || out->size() > 400) return;
  int count = CountChildren(element);
  for (int i = 0; i < count; ++i) {
    ElementHandle child = GetChild(element, i);
    if (child == 0 || GetParent(child) != element) __builtin_trap();
    CollectHandles(child, out, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StubHost host;
  host.SetImage(u"C:\\f\\a.png", Size{20, 10});
  View view(&host);
  view.SetViewportSize(320, 240);
  view.LoadHtml(data, size, u"C:\\f\\doc.htm");
  view.Update();
  std::vector<ElementHandle> handles;
  if (view.RootElement() != 0) CollectHandles(view.RootElement(), &handles, 0);
  if (handles.empty() || size < 4) return 0;

  // The last bytes choose some changes.
  const uint8_t* ops = data + size - 4;
  ElementHandle target = handles[ops[0] % handles.size()];
  ElementHandle other = handles[ops[1] % handles.size()];
  switch (ops[2] % 6) {
    case 0: SetAttribute(target, "style", u"float: left; width: 30%; position: relative; top: 3px"); break;
    case 1: SetInnerText(target, u"some new text that wraps", 24); break;
    case 2: InsertElement(target, other, ops[3] % 4); break;
    case 3: DeleteElement(target); break;
    case 4: SetStyleProperty(target, "visibility", u"hidden"); break;
    case 5: SetAttribute(target, "class", u"a b"); break;
  }
  view.Update();
  // The incremental update ends where a full one from the document alone
  // would: the same boxes and the same display list.
  std::string boxes = DumpBoxTree(view.rootBox()), display = DumpDisplayList(view.displayList());
  view.InvalidateEverything();
  view.Update();
  if (boxes != DumpBoxTree(view.rootBox()) || display != DumpDisplayList(view.displayList())) __builtin_trap();
  MouseEvent e;
  e.point = Point{ops[3] % 320, ops[1] % 240};
  e.buttons = kMainButton;
  for (MouseEventType type : {MouseEventType::kMove, MouseEventType::kDown, MouseEventType::kUp,
                              MouseEventType::kWheel}) {
    e.type = type;
    e.wheelDelta = -120;
    view.HandleMouse(e);
  }
  view.SetViewportSize(100, 500);
  view.Update();
  DestroyDetachedTrees();
  return 0;
}
