#pragma once

#include <string>
#include <vector>

#include "convert/render_settings.h"
#include "convert/rendered_picture.h"
#include "platform/font_engine.h"

namespace t2j {

// Draws the lines onto a new white picture, one line per cell of the font's cell height h (the
// height measured for "a"), each line at (Margin, Margin + i × (h + LineSpacing)).
//   Width  = 2 × Margin + the widest line, or 0 when no line has a positive width;
//   Height = n × (h + LineSpacing) − LineSpacing + 2 × Margin.
// The pixels equal those of a picture widened line by line: each line is clipped to the width
// the picture has once that line is measured. The raster is made once at the final size.
// Fails with EOutOfResources, before drawing anything, when a size is negative while the other
// is not zero, does not fit into 32 bits, or the raster would not fit into available memory.
RenderedPicture RenderText(const std::vector<std::string>& lines, const RenderSettings& settings,
                           FontEngine& engine, int32_t pixels_per_inch);

}  // namespace t2j
