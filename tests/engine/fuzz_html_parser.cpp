// HTML parsing alone, fast enough for millions of runs: arbitrary bytes
// decoded as a document's text and parsed; the tree must hang together
// (every child's parent is its parent, text nodes have no children).
#include <cstddef>
#include <cstdint>

#include "tests/engine/stub_host.h"
#include "ui/engine/dom.h"
#include "ui/engine/html_parser.h"
#include "ui/engine/text.h"

using namespace engine;

namespace {

size_t Check(const Node* node, int depth) {
  if (depth > 10000) __builtin_trap();
  if (!node->IsElement() && !node->children.empty()) __builtin_trap();
  size_t count = 1;
  for (const Node* child : node->children) {
    if (child == nullptr || child->parent != node) __builtin_trap();
    count += Check(child, depth + 1);
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StubHost host;
  std::u16string text = DecodeText(data, size, host);
  std::unique_ptr<Document> document = ParseHtml(text, u"C:\\f\\doc.htm");
  if (document == nullptr || document->root == nullptr) __builtin_trap();
  Check(document->root, 0);
  return 0;
}
