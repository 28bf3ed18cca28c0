#include "core/app_state.h"

namespace {
AppState gApp{};  // static storage: zeroed before start-up
}

AppState& App() { return gApp; }
