// The main window's fixed geometry and texts, in pixels at 96 dots per inch. Positions of the
// controls are relative to the client area of their parent.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace t2j {

// The application's title: the taskbar's text and the caption of every failure box.
inline constexpr char kApplicationTitle[] = "文本to图片";
// The main window's own caption.
inline constexpr char kWindowCaption[] = "岚舟【文本To图片】转换工具V1.0";

// Outer heights of the window as the layout gives them (a Windows 10 frame adds 8, 31, 8, 8).
constexpr int NormalWindowHeight = 329;
constexpr int PreviewWindowHeight = 481;
constexpr int kFrameLeft = 8;
constexpr int kFrameTop = 31;
constexpr int kFrameRight = 8;
constexpr int kFrameBottom = 8;

constexpr int kClientWidth = 518 - kFrameLeft - kFrameRight;                          // 502
constexpr int kNormalClientHeight = NormalWindowHeight - kFrameTop - kFrameBottom;    // 290
constexpr int kPreviewClientHeight = PreviewWindowHeight - kFrameTop - kFrameBottom;  // 442

// Top-left corner of the frame on the screen.
constexpr QPoint kWindowPosition{759, 252};

// The window's font: "宋体" with a character (em) height of 12 pixels.
inline constexpr char kWindowFontName[] = "宋体";
constexpr int kWindowFontPixels = 12;

// The controls, as laid out.
constexpr int kMemoHeight = 113;  // Memo1 spans the client width
constexpr QRect kGrp1Rect{8, 128, 481, 121};
constexpr QRect kLbl1Rect{8, 24, 24, 12};
constexpr QRect kCbb1Rect{32, 20, 89, 20};
constexpr QRect kLbl2Rect{152, 24, 24, 12};
constexpr QRect kCbb2Rect{176, 20, 73, 20};
constexpr QRect kLbl3Rect{280, 24, 48, 12};
constexpr QRect kCbb3Rect{336, 20, 121, 20};
constexpr QRect kLbl4Rect{8, 58, 24, 12};
constexpr QRect kCbb4Rect{32, 54, 89, 20};
constexpr QRect kLbl5Rect{140, 58, 36, 12};
constexpr QRect kCbb5Rect{176, 54, 73, 20};
constexpr QRect kImg2Rect{336, 48, 121, 65};
constexpr QRect kLbl6Rect{8, 88, 72, 12};
constexpr QRect kEdt1Rect{80, 84, 57, 20};
constexpr QRect kLbl7Rect{144, 88, 24, 12};
constexpr QRect kChk1Rect{192, 85, 113, 17};
constexpr QRect kChk3Rect{8, 257, 57, 17};
constexpr QRect kScrlbx1Rect{8, 280, 489, 153};
constexpr QRect kImg1Rect{0, 0, 489, 153};
constexpr QRect kBtn1Rect{408, 253, 75, 25};
// The progress of a long conversion, between the preview switch and the button.
constexpr QRect kProgressRect{72, 257, 328, 17};

// Pictures made for the program.
constexpr QSize kLogoSize{119, 63};
constexpr QSize kButtonPictureSize{16, 16};
constexpr QSize kIconSize{64, 64};

// The open list of an editable combo box shows at most this many entries.
constexpr int kComboVisibleItems = 8;

}  // namespace t2j
