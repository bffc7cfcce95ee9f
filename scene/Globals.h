#pragma once
// Process-wide values shared by the scene model and the view.
#include <cstdint>

namespace kal {

// Copied from the view's helper display setting each frame; two-object tools show helpers while set.
extern uint8_t showHelpers;

} // namespace kal
