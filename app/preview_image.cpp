#include "app/preview_image.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>

namespace t2j {

TPreviewImage::TPreviewImage(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TPreviewImage::SetPicture(const RenderedPicture& picture) {
  picture_ = picture;
  if (picture_.Width > 0 && picture_.Height > 0) resize(picture_.Width, picture_.Height);
  update();
}

void TPreviewImage::paintEvent(QPaintEvent* event) {
  if (picture_.Pixels == nullptr) return;
  const Raster& raster = *picture_.Pixels;
  const QRect exposed = event->rect().intersected(QRect(0, 0, raster.width(), raster.height()));
  if (exposed.isEmpty()) return;
  // Wraps the exposed rows and columns where they lie; the raster's bytes are not copied.
  const uint8_t* first =
      raster.Row(exposed.top()) + static_cast<size_t>(exposed.left()) * Raster::kBytesPerPixel;
  const QImage part(first, exposed.width(), exposed.height(),
                    static_cast<qsizetype>(raster.stride()), QImage::Format_RGB888);
  QPainter painter(this);
  painter.drawImage(exposed.topLeft(), part);
}

}  // namespace t2j
