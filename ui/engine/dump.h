// Text dumps of the box tree with its geometry, for tests and for looking at
// what layout made of a screen. Positions are page coordinates (as if
// nothing were scrolled), one box per line, children indented.
#pragma once

#include <string>

#include "ui/engine/box_tree.h"

namespace engine {

std::string DumpBoxTree(const Box* root);
// "<div#id.class>" for an element, "#text" for text.
std::string DescribeNode(const Node* node);

}  // namespace engine
