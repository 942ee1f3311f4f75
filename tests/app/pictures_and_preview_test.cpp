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

// A raster with a distinct colour in every pixel, to catch any shift of rows or columns.
RenderedPicture PatternPicture(int32_t width, int32_t height) {
  std::unique_ptr<Raster> raster = Raster::MakeWhite(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      raster->FillRect(x, y, x + 1, y + 1,
                       Rgb{static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 5),
                           static_cast<uint8_t>(x ^ y)});
    }
  }
  RenderedPicture picture;
  picture.Width = width;
  picture.Height = height;
  picture.Pixels = std::move(raster);
  return picture;
}

TEST(PreviewImage, TakesThePictureSizeAndPaintsItsPixels) {
  TPreviewImage preview;
  preview.resize(489, 153);
  const RenderedPicture picture = PatternPicture(37, 23);  // rows of odd byte length
  preview.SetPicture(picture);
  EXPECT_EQ(preview.size(), QSize(37, 23));
  EXPECT_EQ(preview.Picture().Pixels, picture.Pixels);
  const QImage painted = preview.grab().toImage();
  for (int y = 0; y < 23; ++y) {
    for (int x = 0; x < 37; ++x) {
      const Rgb rgb = picture.Pixels->Pixel(x, y);
      ASSERT_EQ(painted.pixelColor(x, y), QColor(rgb.r, rgb.g, rgb.b)) << x << "," << y;
    }
  }
}

TEST(PreviewImage, PaintsOnlyTheExposedPart) {
  TPreviewImage preview;
  const RenderedPicture picture = PatternPicture(40, 30);
  preview.SetPicture(picture);
  QImage target(40, 30, QImage::Format_RGB32);
  target.fill(Qt::black);
  preview.render(&target, QPoint(10, 5), QRegion(10, 5, 8, 6));
  EXPECT_EQ(target.pixelColor(0, 0), QColor(Qt::black));
  EXPECT_EQ(target.pixelColor(9, 5), QColor(Qt::black));
  const Rgb inside = picture.Pixels->Pixel(12, 7);
  EXPECT_EQ(target.pixelColor(12, 7), QColor(inside.r, inside.g, inside.b));
  const Rgb corner = picture.Pixels->Pixel(17, 10);
  EXPECT_EQ(target.pixelColor(17, 10), QColor(corner.r, corner.g, corner.b));
  EXPECT_EQ(target.pixelColor(18, 10), QColor(Qt::black));
}

TEST(PreviewImage, AnEmptyPictureKeepsTheSizeAndShowsNothing) {
  TPreviewImage preview;
  preview.SetPicture(PatternPicture(50, 20));
  RenderedPicture empty;
  empty.Width = 0;
  empty.Height = 16;
  preview.SetPicture(empty);
  EXPECT_EQ(preview.size(), QSize(50, 20));
  EXPECT_EQ(preview.Picture().Pixels, nullptr);
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
