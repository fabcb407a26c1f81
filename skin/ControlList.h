// The process-wide list of skinned controls, destroyed once when the program exits.
#pragma once

#include <cstddef>
#include <memory>

namespace ui {

class BitmapButton;

// Hands a created bitmap button to the list, which owns it from now on; returns it. Entries whose
// control has been destroyed in the meantime are dropped on the way (their images are already
// freed), so pages created again and again do not make the list grow.
BitmapButton* RegisterControl(std::unique_ptr<BitmapButton> control);
// Entries held (for tests).
std::size_t RegisteredControlCount();
// Destroys every skinned control registered during the run; called once at program exit. Later
// calls find the list empty.
void DestroyRegisteredControls();

}  // namespace ui
