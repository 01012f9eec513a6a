#pragma once
// The search behind Enter-key navigation, apart from any window.
#include <functional>

namespace hotaru::ui {

// From the slot `current`, the next slot in 0..count-1 (wrapping after the
// last) for which canTake is true; -1 when no slot can take the focus.
// The slot `current` itself is tried last, so a window with one field keeps it.
int NextTabStop(int current, int count, const std::function<bool(int)>& canTake);

}  // namespace hotaru::ui
