// The pixel font of the content, also used to letter generated pictures.
#pragma once

#include <string>

#include "content/image.h"

namespace content {

// Renders a line of text in white (transparent background) with the font
// design scaled by `scale` output pixels per design pixel.
Image RenderPixelText(const std::string& text, int scale, bool bold, bool outline);

}  // namespace content
