#pragma once

class QPalette;

namespace t2j {

// Replaces the system colours whose role the palette has (window, window text, highlight,
// button face, shadow, text and highlights, grey text, tooltip colours) by the palette's
// colours, so that system colour values draw as the desktop does.
void SetSystemColorsFromPalette(const QPalette& palette);

}  // namespace t2j
