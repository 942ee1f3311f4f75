#pragma once

#include <QWidget>

#include "convert/rendered_picture.h"

namespace t2j {

// The preview picture img1: holds the rendered picture (its pixels shared, never copied or
// decoded), takes the picture's size and paints only the part that is exposed, so that even a
// picture of 65500 rows scrolls smoothly.
class TPreviewImage : public QWidget {
 public:
  explicit TPreviewImage(QWidget* parent = nullptr);

  // The picture becomes the preview. With both sides positive the widget takes its size;
  // otherwise it keeps its size and shows nothing.
  void SetPicture(const RenderedPicture& picture);
  const RenderedPicture& Picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  RenderedPicture picture_;
};

}  // namespace t2j
