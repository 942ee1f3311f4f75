#pragma once

#include <QFont>

namespace t2j {

// The font of the window and its controls: "宋体" with a character (em) height of 12 pixels,
// resolved through the renderer's face substitution so that the texts show in a Song face.
QFont WindowFont();

}  // namespace t2j
