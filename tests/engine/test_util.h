// Helpers shared by the engine tests: rendering a document against the stub
// host, finding elements, dumping the DOM as compact markup.
#pragma once

#include <memory>
#include <string>

#include "tests/engine/stub_host.h"
#include "ui/engine/view.h"

namespace engine {

// A view over the stub host, loaded and updated.
struct Rendered {
  StubHost host;
  std::unique_ptr<View> view;

  explicit Rendered(const std::string& html, int width = 730, int height = 512,
                    const std::u16string& address = u"C:\\screens\\test.htm");
  Rendered(const Rendered&) = delete;
  Rendered& operator=(const Rendered&) = delete;

  ElementHandle Root() const { return view->RootElement(); }
  // The first element in document order whose id equals `id`; 0 when none.
  ElementHandle ById(const char* id) const;
  Node* NodeById(const char* id) const { return ResolveHandle(ById(id)); }
  std::string Boxes() const;
  std::string Display() const;
};

// The tree as markup: <tag a="v">children</tag>, text as is.
std::string DumpDom(const Node* node);
// The document's body content only.
std::string DumpBody(const Document& document);

}  // namespace engine
