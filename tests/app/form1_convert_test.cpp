// The convert button: files in the current directory, the preview, failures.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

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
using testing::CurrentTempDir;
using testing::RecordingPresenter;
using testing::StartedForm;

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
  ASSERT_TRUE(presenter.texts.empty()) << presenter.texts.front().toStdString();
  EXPECT_TRUE(IsJpeg(FileBytes(dir.path() / "Picture0.jpg")));
  EXPECT_EQ(form->OutputFileName(), "Picture0.jpg");
  QTest::mouseClick(form->btn1, Qt::LeftButton);
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
  form->btn1Click();
  EXPECT_TRUE(fs::exists(dir.path() / "Picture.jpg"));
  EXPECT_EQ(form->NextFileNumber(), 0);
}

TEST(Form1Convert, PreviewSharesTheRenderedPixels) {
  CurrentTempDir dir;
  RecordingPresenter presenter;
  auto form = StartedForm();
  form->chk3->setChecked(true);
  form->btn1Click();
  ASSERT_TRUE(presenter.texts.empty()) << presenter.texts.front().toStdString();

  const RenderedPicture& shown = form->img1->Picture();
  ASSERT_NE(shown.Pixels, nullptr);
  // Held by the preview alone: the conversion's picture and encoder are gone.
  EXPECT_EQ(shown.Pixels.use_count(), 1);
  EXPECT_EQ(form->img1->size(), QSize(shown.Width, shown.Height));

  const RenderedPicture expected = RenderAsTheWindowDoes(*form);
  ASSERT_EQ(expected.Width, shown.Width);
  ASSERT_EQ(expected.Height, shown.Height);
  const size_t bytes = shown.Pixels->stride() * static_cast<size_t>(shown.Height);
  EXPECT_EQ(std::memcmp(shown.Pixels->data(), expected.Pixels->data(), bytes), 0);
}

TEST(Form1Convert, AnEmptyTextWritesZeroBytesAndThePreviewKeepsItsSize) {
  CurrentTempDir dir;
  RecordingPresenter presenter;
  auto form = StartedForm();
  form->chk3->setChecked(true);
  form->btn1Click();
  const QSize earlier = form->img1->size();
  form->Memo1->clear();
  form->btn1Click();
  EXPECT_TRUE(presenter.texts.empty());
  EXPECT_EQ(fs::file_size(dir.path() / "Picture1.jpg"), 0u);
  EXPECT_EQ(form->img1->size(), earlier);
  EXPECT_EQ(form->img1->Picture().Pixels, nullptr);
}

TEST(Form1Convert, AFailureIsShownAndTheWindowWorksOn) {
  CurrentTempDir dir;
  RecordingPresenter presenter;
  auto form = StartedForm();
  form->btn1->setFocus();
  form->edt1->setText(QStringLiteral("missing/Picture"));
  QTest::keyClick(form->btn1, Qt::Key_Space);

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

  form->btn1Click();
  ASSERT_TRUE(presenter.texts.empty()) << presenter.texts.front().toStdString();
  const RenderedPicture& shown = form->img1->Picture();
  ASSERT_NE(shown.Pixels, nullptr);
  int red = 0;
  for (int32_t y = 0; y < shown.Height; ++y) {
    for (int32_t x = 0; x < shown.Width; ++x) {
      const Rgb pixel = shown.Pixels->Pixel(x, y);
      // Red ink over white: full red, green and blue fading together.
      ASSERT_EQ(pixel.r, 255) << x << "," << y;
      ASSERT_EQ(pixel.g, pixel.b) << x << "," << y;
      red += pixel.g < 64;
    }
  }
  EXPECT_GT(red, 100);
}

// Looks at the window from inside the conversion, where SavePictureFile repaints the preview.
class ProbedForm : public TForm1 {
 public:
  void RepaintPreview() override {
    button_enabled_inside = btn1->isEnabled();
    busy_cursor_inside = QApplication::overrideCursor() != nullptr &&
                         QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    TForm1::RepaintPreview();
  }
  bool button_enabled_inside = true;
  bool busy_cursor_inside = false;
};

TEST(Form1Convert, ButtonIsDisabledAndTheCursorBusyWhileTheConversionRuns) {
  CurrentTempDir dir;
  RecordingPresenter presenter;
  ProbedForm form;
  form.FormCreate(testing::FakeFontNames());
  form.show();
  QTest::mouseClick(form.btn1, Qt::LeftButton);
  ASSERT_TRUE(presenter.texts.empty()) << presenter.texts.front().toStdString();
  EXPECT_FALSE(form.button_enabled_inside);
  EXPECT_TRUE(form.busy_cursor_inside);
  EXPECT_TRUE(form.btn1->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace t2j
