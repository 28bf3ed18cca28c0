// CSS parser: style sheets, style attributes and single properties into the
// records of css_types.h, with the error recovery of CSS 2.1 (section 4.2): an
// invalid declaration is dropped alone, a rule with an invalid selector is
// dropped whole, unclosed blocks and strings end at the end of the sheet.
//
// Selectors: *, type, #id, .class, [attr], [attr=v], [attr~=v], [attr|=v],
// descendant, child and sibling (+ ~) combinators, grouping, :hover, :active, :focus,
// :first-child, :last-child, :link, :visited (never matches).
// At-rules: @media blocks apply when their media list names all or screen (or
// is empty); @import, @charset, @font-face, @page and others are skipped.
//
// Not supported (the rule or declaration is dropped): pseudo-elements, other
// pseudo-classes (:nth-child, :not...), namespaces, attribute operators
// ^= $= *=.
#pragma once

#include <string_view>
#include <vector>

#include "ui/engine/css_types.h"

namespace engine {

StyleSheet ParseStyleSheet(std::string_view text);

// The content of a style attribute ("color: red; margin: 0").
std::vector<Declaration> ParseDeclarationList(std::string_view text);

// One property with its value, as the API sets it ("visibility", "hidden").
// False when the name is unknown or the value invalid.
bool ParseSingleProperty(std::string_view name, std::string_view value, std::vector<Declaration>* out);

// A selector group such as "div.a > p, #b"; false when any is invalid.
bool ParseSelectorList(std::string_view text, std::vector<Selector>* out);

}  // namespace engine
