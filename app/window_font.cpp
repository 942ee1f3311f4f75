#include "app/window_font.h"

#include <exception>
#include <string>

#include "app/window_metrics.h"
#include "text/font_resolver.h"

namespace t2j {

QFont WindowFont() {
  std::string family = kWindowFontName;
  try {
    FaceRequest request;
    request.face_name = kWindowFontName;
    request.pixel_size = kWindowFontPixels;
    family = ResolveFace(request).family;
  } catch (const std::exception&) {
    // Without fontconfig the name goes to Qt as it is; Qt finds its own closest font.
  }
  QFont font(QString::fromStdString(family));
  font.setPixelSize(kWindowFontPixels);  // Qt's pixel size is the em height
  return font;
}

}  // namespace t2j
