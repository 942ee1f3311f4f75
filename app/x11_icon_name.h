#pragma once

class QWidget;

namespace t2j {

// Qt names a window's icon only in _NET_WM_ICON_NAME; taskbars that read the older
// WM_ICON_NAME would fall back to the caption. Writes the window's icon text there as well, on
// X11 only; does nothing elsewhere. The window must be shown.
void SetX11IconName(QWidget& window);

}  // namespace t2j
