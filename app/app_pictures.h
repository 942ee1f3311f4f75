// The pictures the program brings along: the logo, the convert button's picture, the icon.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace t2j {

// Makes the pictures of the program's resources available; safe to call more than once.
void InitAppResources();

// The logo beside the settings (119 × 63).
QPixmap LogoPicture();

// The convert button's picture (16 × 16), its magenta background transparent.
QPixmap ButtonPicture();

// The program icon (64 × 64) for the window and the taskbar.
QIcon ProgramIcon();

// The picture with every pixel of its bottom-left pixel's colour made transparent.
QPixmap TransparentByBottomLeft(const QImage& picture);

}  // namespace t2j
