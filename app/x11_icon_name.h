#pragma once

class QWidget;

namespace t2j {

// Qt names a window's icon only in _NET_WM_ICON_NAME; taskbars that read the older
// WM_ICON_NAME would fall back to the caption. Writes the window's icon text there as well, on
// X11 only; does nothing elsewhere. The window must be shown.
void SetX11IconName(QWidget& window);

// Qt writes the application name, here the Chinese title, as the class of WM_CLASS, a Latin-1
// STRING property; docks match the class with the desktop entry's StartupWMClass. Writes
// "text2jpg" as instance and class, on X11 only. Call after the native window exists and before
// it is shown: the window manager reads WM_CLASS when the window is mapped.
void SetX11WindowClass(QWidget& window);

}  // namespace t2j
