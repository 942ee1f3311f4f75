#include "app/preview_image.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <exception>

namespace t2j {
namespace {

bool HasPixels(const PreviewPicture* picture) {
  return picture != nullptr && picture->Width() > 0 && picture->Height() > 0;
}

}  // namespace

TPreviewImage::TPreviewImage(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  setAccessibleDescription(QString::fromUtf8("无图片"));
}

void TPreviewImage::SetPicture(std::shared_ptr<const PreviewPicture> picture) {
  picture_ = std::move(picture);
  band_.reset();
  if (HasPixels(picture_.get())) {
    resize(picture_->Width(), picture_->Height());
    setAccessibleDescription(QString::fromUtf8("%1 × %2 像素")
                                 .arg(picture_->Width())
                                 .arg(picture_->Height()));
  } else {
    setAccessibleDescription(QString::fromUtf8("无图片"));
  }
  update();
}

void TPreviewImage::DrawBand(int32_t top, int32_t bottom) {
  if (band_ != nullptr && top >= band_top_ && bottom <= band_top_ + band_->height()) return;
  const int32_t width = picture_->Width();
  const int32_t height = picture_->Height();
  // A band of the budget's rows around what is exposed, so that scrolling a little draws nothing.
  const uint64_t row_bytes = Raster::ByteSize(width, 1);
  const int32_t budget_rows = static_cast<int32_t>(
      std::clamp<uint64_t>(kBandBytes / std::max<uint64_t>(row_bytes, 1), 1, uint64_t(height)));
  const int32_t rows = std::max(bottom - top, budget_rows);
  const int32_t band_top = std::clamp(top - (rows - (bottom - top)) / 2, 0, height - rows);
  band_.reset();
  band_ = Raster::MakeWhite(width, rows);
  band_top_ = band_top;
  picture_->DrawRows(*band_, band_top_);
}

void TPreviewImage::paintEvent(QPaintEvent* event) {
  if (!HasPixels(picture_.get())) return;
  const QRect exposed =
      event->rect().intersected(QRect(0, 0, picture_->Width(), picture_->Height()));
  if (exposed.isEmpty()) return;
  try {
    DrawBand(exposed.top(), exposed.bottom() + 1);
  } catch (const std::exception&) {
    // Without the memory for the band (or a font) the part stays blank; it is tried again at the
    // next paint.
    band_.reset();
    return;
  }
  // Wraps the exposed rows and columns of the band where they lie; nothing is copied.
  const uint8_t* first = band_->Row(exposed.top() - band_top_) +
                         static_cast<size_t>(exposed.left()) * Raster::kBytesPerPixel;
  const QImage part(first, exposed.width(), exposed.height(),
                    static_cast<qsizetype>(band_->stride()), QImage::Format_RGB888);
  QPainter painter(this);
  painter.drawImage(exposed.topLeft(), part);
}

}  // namespace t2j
