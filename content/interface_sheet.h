// The layout of the interface sheet that the content paints.
#pragma once

#include <vector>

namespace content {

struct SheetRect {
    int id, left, top, right, bottom;
};

// Every interface image of the first edition sheet with its rectangle.
const std::vector<SheetRect>& SheetRects();

}  // namespace content
