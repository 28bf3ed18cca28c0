// Helpers shared by the engine tests.
#include "tests/engine/test_util.h"

#include <vector>

#include "ui/engine/dump.h"
#include "ui/engine/text.h"

namespace engine {

Rendered::Rendered(const std::string& html, int width, int height, const std::u16string& address) {
  view = std::make_unique<View>(&host);
  view->SetViewportSize(width, height);
  view->LoadHtml(Utf8ToUtf16(html), address);
  view->Update();
}

ElementHandle Rendered::ById(const char* id) const {
  std::u16string wanted = Utf8ToUtf16(id);
  std::vector<const Node*> pending;
  if (view->document() != nullptr && view->document()->root != nullptr) pending.push_back(view->document()->root);
  while (!pending.empty()) {
    const Node* n = pending.back();
    pending.pop_back();
    const char16_t* value = n->IsElement() ? n->attributes.Find(kAtomId) : nullptr;
    if (value != nullptr && wanted == value) return n->handle;
    for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) pending.push_back(*it);
  }
  return 0;
}

std::string Rendered::Boxes() const { return DumpBoxTree(view->rootBox()); }
std::string Rendered::Display() const { return DumpDisplayList(view->displayList()); }

std::string DumpDom(const Node* node) {
  if (node->IsText()) return Utf16ToUtf8(NodeText(node));
  std::string out = "<" + AtomName(node->tag);
  for (size_t i = 0; i < node->attributes.Count(); ++i) {
    out += " " + AtomName(node->attributes.NameAt(i)) + "=\"" + Utf16ToUtf8(node->attributes.ValueAt(i)) + "\"";
  }
  out += ">";
  for (const Node* child : node->children) out += DumpDom(child);
  return out + "</" + AtomName(node->tag) + ">";
}

std::string DumpBody(const Document& document) {
  for (const Node* child : document.root->children) {
    if (child->tag == kAtomBody) {
      std::string out;
      for (const Node* n : child->children) out += DumpDom(n);
      return out;
    }
  }
  return "(no body)";
}

}  // namespace engine
