// The program's pictures, the preview widget and the input box's text.
#include <gtest/gtest.h>

#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegion>
#include <QTest>

#include "app/app_pictures.h"
#include "app/form1.h"
#include "app/preview_image.h"
#include "platform/raster.h"
#include <memory>

namespace t2j {
namespace {

TEST(Pictures, HaveTheirSizesAndTheButtonsMagentaIsTransparent) {
  EXPECT_EQ(LogoPicture().size(), QSize(119, 63));
  EXPECT_EQ(ButtonPicture().size(), QSize(16, 16));
  EXPECT_FALSE(ProgramIcon().pixmap(64, 64).isNull());
  EXPECT_EQ(ProgramIcon().availableSizes().value(0), QSize(64, 64));
  const QImage button = ButtonPicture().toImage();
  EXPECT_EQ(qAlpha(button.pixel(0, 15)), 0);
  EXPECT_EQ(qAlpha(button.pixel(7, 7)), 255);
}

TEST(Pictures, TheBottomLeftPixelNamesTheTransparentColour) {
  QImage picture(4, 3, QImage::Format_RGB32);
  picture.fill(QColor(10, 200, 30));
  picture.setPixelColor(0, 2, QColor(1, 2, 3));
  picture.setPixelColor(3, 0, QColor(1, 2, 3));
  const QImage masked = TransparentByBottomLeft(picture).toImage();
  EXPECT_EQ(qAlpha(masked.pixel(0, 2)), 0);
  EXPECT_EQ(qAlpha(masked.pixel(3, 0)), 0);
  EXPECT_EQ(qAlpha(masked.pixel(1, 1)), 255);
  EXPECT_TRUE(TransparentByBottomLeft(QImage()).isNull());
}

// A picture with a distinct colour in every pixel, to catch any shift of rows or columns; it
// counts the rows it is asked to draw.
class PatternPicture final : public PreviewPicture {
 public:
  PatternPicture(int32_t width, int32_t height) : width_(width), height_(height) {}
  int32_t Width() const override { return width_; }
  int32_t Height() const override { return height_; }
  void DrawRows(Raster& band, int32_t top) const override {
    rows_drawn += band.height();
    for (int32_t y = 0; y < band.height(); ++y) {
      for (int32_t x = 0; x < band.width(); ++x) band.FillRect(x, y, x + 1, y + 1, At(x, top + y));
    }
  }
  static Rgb At(int32_t x, int32_t y) {
    return Rgb{static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 5),
               static_cast<uint8_t>(x ^ y)};
  }
  static QColor Colour(int32_t x, int32_t y) {
    const Rgb rgb = At(x, y);
    return QColor(rgb.r, rgb.g, rgb.b);
  }
  mutable int64_t rows_drawn = 0;

 private:
  int32_t width_;
  int32_t height_;
};

TEST(PreviewImage, TakesThePictureSizeAndPaintsItsPixels) {
  TPreviewImage preview;
  preview.resize(489, 153);
  preview.SetPicture(std::make_shared<PatternPicture>(37, 23));  // rows of odd byte length
  EXPECT_EQ(preview.size(), QSize(37, 23));
  EXPECT_EQ(preview.accessibleDescription(), QString::fromUtf8("37 × 23 像素"));
  const QImage painted = preview.grab().toImage();
  for (int y = 0; y < 23; ++y) {
    for (int x = 0; x < 37; ++x) {
      ASSERT_EQ(painted.pixelColor(x, y), PatternPicture::Colour(x, y)) << x << "," << y;
    }
  }
}

TEST(PreviewImage, DrawsOnlyABandAroundTheExposedPartOfAHugePicture) {
  TPreviewImage preview;
  // 65500 × 65500 pixels would take 12 GB; the band the preview keeps is a few megabytes.
  auto picture = std::make_shared<PatternPicture>(65500, 65500);
  preview.SetPicture(picture);
  QImage target(40, 30, QImage::Format_RGB32);
  target.fill(Qt::black);
  preview.render(&target, QPoint(0, 0), QRegion(30000, 40000, 8, 6));
  EXPECT_EQ(target.pixelColor(0, 0), PatternPicture::Colour(30000, 40000));
  EXPECT_EQ(target.pixelColor(7, 5), PatternPicture::Colour(30007, 40005));
  EXPECT_EQ(target.pixelColor(8, 5), QColor(Qt::black));
  const int64_t band_rows = picture->rows_drawn;
  EXPECT_LE(band_rows * 65500 * 3, int64_t{TPreviewImage::kBandBytes} + 65500 * 3);
  // A little further down lies in the same band: nothing is drawn again.
  preview.render(&target, QPoint(0, 0), QRegion(30000, 40002, 8, 6));
  EXPECT_EQ(picture->rows_drawn, band_rows);
  EXPECT_EQ(target.pixelColor(0, 0), PatternPicture::Colour(30000, 40002));
}

TEST(PreviewImage, AnEmptyPictureKeepsTheSizeAndShowsNothing) {
  TPreviewImage preview;
  preview.SetPicture(std::make_shared<PatternPicture>(50, 20));
  preview.SetPicture(std::make_shared<PatternPicture>(0, 16));
  EXPECT_EQ(preview.size(), QSize(50, 20));
  EXPECT_EQ(preview.accessibleDescription(), QString::fromUtf8("无图片"));
}

TEST(MemoText, KeepsNoBreakSpacesAndTurnsSoftBreaksIntoLineBreaks) {
  QPlainTextEdit memo;
  memo.setPlainText(QString::fromUtf8("a\u00a0b\nc"));
  EXPECT_EQ(MemoText(memo), "a\u00a0b\nc");
  memo.moveCursor(QTextCursor::End);
  QTest::keyClick(&memo, Qt::Key_Return, Qt::ShiftModifier);
  QTest::keyClicks(&memo, QStringLiteral("d"));
  EXPECT_EQ(MemoText(memo), "a\u00a0b\nc\nd");
  memo.clear();
  EXPECT_EQ(MemoText(memo), "");
}

}  // namespace
}  // namespace t2j
