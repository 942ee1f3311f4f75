// The convert button: files in the current directory, the preview, failures.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <semaphore>

#include "app/form1.h"
#include "app/preview_image.h"
#include "app_test_support.h"
#include "convert/input_lines.h"
#include "convert/render_settings.h"
#include "convert/render_text.h"
#include "text/font_engine.h"
#include "widgets/colour_picker/color_combo_box.h"
#include "widgets/colour_picker/color_drop_down.h"

namespace t2j {
namespace {

namespace fs = std::filesystem;
using testing::Convert;
using testing::CurrentTempDir;
using testing::RecordingPresenter;
using testing::StartedForm;
using testing::WaitForConversion;

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool IsJpeg(const std::string& bytes) {
  return bytes.size() > 4 && bytes.compare(0, 2, "\xFF\xD8") == 0 &&
         bytes.compare(bytes.size() - 2, 2, "\xFF\xD9") == 0;
}

// What the window would render for its current fields, made anew.
RenderedPicture RenderAsTheWindowDoes(const TForm1& form) {
  const RenderSettings settings = ReadRenderSettings(
      form.cbb1->currentText().toStdString(), form.cbb2->currentText().toStdString(),
      form.cbb3->ColorValue(), form.cbb4->currentText().toStdString(),
      form.cbb5->currentText().toStdString());
  return RenderText(InputLines(MemoText(*form.Memo1)), settings, SystemFontEngine(),
                    form.PixelsPerInch());
}

TEST(Form1Convert, ClicksWriteNumberedFilesInTheCurrentDirectory) {
  CurrentTempDir dir;
  RecordingPresenter presenter;
  auto form = StartedForm();
  QTest::mouseClick(form->btn1, Qt::LeftButton);
  WaitForConversion(*form);
  ASSERT_TRUE(presenter.texts.empty()) << presenter.texts.front().toStdString();
  EXPECT_TRUE(IsJpeg(FileBytes(dir.path() / "Picture0.jpg")));
  EXPECT_EQ(form->OutputFileName(), "Picture0.jpg");
  QTest::mouseClick(form->btn1, Qt::LeftButton);
  WaitForConversion(*form);
  EXPECT_TRUE(IsJpeg(FileBytes(dir.path() / "Picture1.jpg")));
  EXPECT_EQ(form->NextFileNumber(), 2);
  EXPECT_TRUE(form->btn1->isEnabled());
  EXPECT_TRUE(presenter.texts.empty());
}

TEST(Form1Convert, GreyNumberingSwitchWritesTheUnnumberedName) {
  CurrentTempDir dir;
  RecordingPresenter presenter;
  auto form = StartedForm();
  form->chk1->setCheckState(Qt::PartiallyChecked);
  Convert(*form);
  EXPECT_TRUE(fs::exists(dir.path() / "Picture.jpg"));
  EXPECT_EQ(form->NextFileNumber(), 0);
}

// The preview's painted pixels, where the view does not cover the widget.
QImage PreviewPixels(TPreviewImage& preview) { return preview.grab().toImage(); }

TEST(Form1Convert, PreviewShowsExactlyTheRenderedPixels) {
  CurrentTempDir dir;
  RecordingPresenter presenter;
  auto form = StartedForm();
  form->chk3->setChecked(true);
  Convert(*form);
  ASSERT_TRUE(presenter.texts.empty()) << presenter.texts.front().toStdString();

  const RenderedPicture expected = RenderAsTheWindowDoes(*form);
  ASSERT_NE(form->img1->Picture(), nullptr);
  ASSERT_EQ(form->img1->size(), QSize(expected.Width, expected.Height));
  EXPECT_EQ(form->img1->accessibleDescription(),
            QString::fromUtf8("%1 × %2 像素").arg(expected.Width).arg(expected.Height));
  const QImage shown = PreviewPixels(*form->img1);
  for (int32_t y = 0; y < expected.Height; ++y) {
    for (int32_t x = 0; x < expected.Width; ++x) {
      const Rgb rgb = expected.Pixels->Pixel(x, y);
      ASSERT_EQ(shown.pixelColor(x, y), QColor(rgb.r, rgb.g, rgb.b)) << x << "," << y;
    }
  }
}

TEST(Form1Convert, AnEmptyTextWritesZeroBytesAndThePreviewKeepsItsSize) {
  CurrentTempDir dir;
  RecordingPresenter presenter;
  auto form = StartedForm();
  form->chk3->setChecked(true);
  Convert(*form);
  const QSize earlier = form->img1->size();
  form->Memo1->clear();
  Convert(*form);
  EXPECT_TRUE(presenter.texts.empty());
  EXPECT_EQ(fs::file_size(dir.path() / "Picture1.jpg"), 0u);
  EXPECT_EQ(form->img1->size(), earlier);
  EXPECT_EQ(form->img1->Picture()->Width(), 0);
}

TEST(Form1Convert, AFailureIsShownAndTheWindowWorksOn) {
  CurrentTempDir dir;
  RecordingPresenter presenter;
  auto form = StartedForm();
  form->btn1->setFocus();
  form->edt1->setText(QStringLiteral("missing/Picture"));
  QTest::keyClick(form->btn1, Qt::Key_Space);
  WaitForConversion(*form);

  ASSERT_EQ(presenter.texts.size(), 1u);
  const std::string text = presenter.texts[0].toStdString();
  EXPECT_EQ(
      text.rfind("Cannot create file \"" + (dir.path() / "missing/Picture0.jpg").string() + "\". ",
                 0),
      0u)
      << text;
  EXPECT_EQ(text.back(), '.');
  EXPECT_EQ(presenter.captions[0], QString::fromUtf8("文本to图片"));
  EXPECT_TRUE(form->btn1->isEnabled());
  EXPECT_EQ(QApplication::focusWidget(), form->btn1);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(form->NextFileNumber(), 1);

  form->edt1->setText(QStringLiteral("Picture"));
  QTest::keyClick(form->btn1, Qt::Key_Space);
  WaitForConversion(*form);
  EXPECT_EQ(presenter.texts.size(), 1u);
  EXPECT_TRUE(fs::exists(dir.path() / "Picture1.jpg"));
  EXPECT_FALSE(fs::exists(dir.path() / "Picture0.jpg"));
}

TEST(Form1Convert, AColourAcceptedFromTheListIsTheTextColour) {
  CurrentTempDir dir;
  RecordingPresenter presenter;
  auto form = StartedForm();
  form->chk3->setChecked(true);
  form->cbb3->setFocus();
  QTest::keyClick(form->cbb3, Qt::Key_F4);
  QTRY_VERIFY(form->cbb3->DropDownWindow() && form->cbb3->DropDownWindow()->isVisible());
  for (int i = 0; i < 7; ++i) QTest::keyClick(form->cbb3->DropDownWindow(), Qt::Key_Down);
  QTest::keyClick(form->cbb3->DropDownWindow(), Qt::Key_Return);
  QTRY_VERIFY(!form->cbb3->DropDownWindow()->isVisible());
  ASSERT_EQ(form->cbb3->ColorValue(), 0x000000FFu);  // clRed

  Convert(*form);
  ASSERT_TRUE(presenter.texts.empty()) << presenter.texts.front().toStdString();
  ASSERT_NE(form->img1->Picture(), nullptr);
  const QImage shown = PreviewPixels(*form->img1);
  int red = 0;
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      const QColor pixel = shown.pixelColor(x, y);
      // Red ink over white: full red, green and blue fading together.
      ASSERT_EQ(pixel.red(), 255) << x << "," << y;
      ASSERT_EQ(pixel.green(), pixel.blue()) << x << "," << y;
      red += pixel.green() < 64;
    }
  }
  EXPECT_GT(red, 100);
}

TEST(Form1Convert, APressWhileConvertingCancelsAndUsesTheNumberAsAFailureWould) {
  CurrentTempDir dir;
  RecordingPresenter presenter;
  auto form = StartedForm();
  form->chk3->setChecked(true);
  {
    std::ofstream old(dir.path() / "Picture0.jpg", std::ios::binary);
    old << "old";
  }
  // Each conversion waits, once laid out, until the test has pressed.
  std::counting_semaphore<2> pressed(0);
  form->SetLaidOutHook([&pressed] { pressed.acquire(); });
  form->btn1Click();
  ASSERT_TRUE(form->Converting());
  EXPECT_EQ(form->btn1->text(), QString::fromUtf8("取消"));
  // The fields as they are later do not reach the running conversion.
  form->edt1->setText(QStringLiteral("Other"));
  QTest::mouseClick(form->btn1, Qt::LeftButton);
  EXPECT_FALSE(form->Converting());
  EXPECT_EQ(form->btn1->text(), QString::fromUtf8("转换"));
  pressed.release();
  WaitForConversion(*form);
  EXPECT_TRUE(presenter.texts.empty());
  EXPECT_EQ(FileBytes(dir.path() / "Picture0.jpg"), "old");
  EXPECT_FALSE(fs::exists(dir.path() / "Other0.jpg"));
  EXPECT_EQ(form->NextFileNumber(), 1);
  EXPECT_EQ(form->img1->Picture(), nullptr);

  form->btn1Click();
  QTest::keyClick(form->Memo1, Qt::Key_Escape);
  EXPECT_FALSE(form->Converting());
  pressed.release();
  WaitForConversion(*form);
  EXPECT_FALSE(fs::exists(dir.path() / "Other1.jpg"));
  EXPECT_EQ(form->NextFileNumber(), 2);

  form->SetLaidOutHook(nullptr);
  Convert(*form);
  EXPECT_TRUE(IsJpeg(FileBytes(dir.path() / "Other2.jpg")));
  EXPECT_NE(form->img1->Picture(), nullptr);
}

}  // namespace
}  // namespace t2j
