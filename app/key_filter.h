#pragma once

class QKeyEvent;

namespace t2j {

// True for a key press that an edit field would take as a typed character: printable text,
// Backspace, Enter, Escape and the control characters of Ctrl+letter (copy, paste, cut, undo,
// select all...). False for the keys that act as keys: the arrows, Home, End, Page Up/Down,
// Insert and Delete with any modifiers (so Shift+Delete, Shift+Insert and Ctrl+Insert keep
// cutting, pasting and copying), Tab, the function keys and the modifiers themselves.
bool IsCharacterInput(const QKeyEvent& event);

}  // namespace t2j
