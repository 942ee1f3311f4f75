#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

#include "platform/raster.h"

namespace t2j {

// A picture that the preview draws a band of rows at a time, so that none of its size needs
// all its pixels in memory at once.
class PreviewPicture {
 public:
  virtual ~PreviewPicture() = default;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  // Draws rows [top, top + band.height()) onto `band`, which is Width() wide and white.
  virtual void DrawRows(Raster& band, int32_t top) const = 0;
};

// The preview picture img1: takes the picture's size and paints only the part that is exposed,
// drawing the rows it needs into a band that it keeps while the view stays inside it, so that
// even a picture of 65500 rows of 65500 pixels scrolls without taking its gigabytes.
class TPreviewImage : public QWidget {
  Q_OBJECT

 public:
  // The most bytes the kept band takes beyond the exposed rows themselves.
  static constexpr uint64_t kBandBytes = uint64_t{4} << 20;

  explicit TPreviewImage(QWidget* parent = nullptr);

  // The picture becomes the preview. With both sides positive the widget takes its size;
  // otherwise (nullptr, or an empty picture) it keeps its size and shows nothing. The
  // accessible description tells the size in pixels.
  void SetPicture(std::shared_ptr<const PreviewPicture> picture);
  const std::shared_ptr<const PreviewPicture>& Picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Makes the band hold rows [top, bottom) of the picture, drawn when they are not there yet.
  void DrawBand(int32_t top, int32_t bottom);

  std::shared_ptr<const PreviewPicture> picture_;
  std::unique_ptr<Raster> band_;
  int32_t band_top_ = 0;
};

}  // namespace t2j
