#include "app/key_filter.h"

#include <QKeyEvent>

namespace t2j {

bool IsCharacterInput(const QKeyEvent& event) {
  const int key = event.key();
  switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
    case Qt::Key_Insert:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Menu:
      return false;
    default:
      break;
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F35) return false;
  // Modifier keys, media keys and the like carry key codes from 0x01000000 up and no text.
  if (!event.text().isEmpty()) return true;
  const bool control = event.modifiers().testFlag(Qt::ControlModifier);
  return control && key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde;
}

}  // namespace t2j
