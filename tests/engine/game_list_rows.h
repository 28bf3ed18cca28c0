// The game list as the manager builds it, through the element operations:
// one row of twelve elements per game. Shared by the engine tests and the
// engine benchmark.
#pragma once

#include <string>

#include "ui/engine/dom.h"

namespace engine {

ElementHandle BuildGameRow(const std::u16string& name, const std::u16string& id);

// Replaces the container's children with `rows` rows, ids from firstId on.
void BuildGameList(ElementHandle container, int rows, int firstId);

}  // namespace engine
