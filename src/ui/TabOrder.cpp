#include "ui/TabOrder.h"

namespace hotaru::ui {

int NextTabStop(int current, int count, const std::function<bool(int)>& canTake) {
    if (count <= 0) return -1;
    int index = current;
    // One round at most: a window where nothing can take the focus must not hang.
    for (int step = 0; step < count; ++step) {
        ++index;
        if (index >= count || index < 0) index = 0;
        if (canTake(index)) return index;
    }
    return -1;
}

}  // namespace hotaru::ui
