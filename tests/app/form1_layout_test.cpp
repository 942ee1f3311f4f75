// A fresh start: where everything is, what it says, which values it holds, where the focus goes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

#include "app/form1.h"
#include "app/preview_image.h"
#include "app/window_metrics.h"
#include "app_test_support.h"
#include "widgets/colour_picker/color_combo_box.h"

namespace t2j {
namespace {

using testing::StartedForm;

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(Form1Start, ClientAreaAndPosition) {
  auto form = StartedForm();
  EXPECT_EQ(form->size(), QSize(502, 290));
  EXPECT_EQ(form->ClientArea()->size(), QSize(502, 290));
  // The layout's place, moved only as far as the screen needs (the test screen is small).
  const QRect available = form->screen()->availableGeometry();
  EXPECT_EQ(form->frameGeometry().topLeft(), PlaceWindow({759, 252}, {518, 329}, available));
  EXPECT_EQ(form->windowTitle(), Q("岚舟【文本To图片】转换工具V1.0"));
  const Qt::WindowFlags flags = form->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
}

TEST(Form1Start, KeepsItsPlaceWhereItFitsAndMovesJustEnoughWhereNot) {
  const QPoint place(759, 252);
  const QSize frame(518, 329);
  EXPECT_EQ(PlaceWindow(place, frame, {0, 0, 1920, 1080}), place);
  EXPECT_EQ(PlaceWindow(place, frame, {0, 0, 1277, 581}), place);
  // 1280 × 1024 at scale 2.
  EXPECT_EQ(PlaceWindow(place, frame, {0, 0, 640, 512}), QPoint(122, 183));
  EXPECT_EQ(PlaceWindow(place, frame, {0, 0, 1024, 768}), QPoint(506, 252));
  // A panel at the left and top; a screen smaller than the window.
  EXPECT_EQ(PlaceWindow({0, 0}, frame, {48, 30, 1000, 700}), QPoint(48, 30));
  EXPECT_EQ(PlaceWindow(place, frame, {0, 0, 400, 300}), QPoint(0, 0));
  // A second screen to the right of the first.
  EXPECT_EQ(PlaceWindow(place, frame, {1280, 0, 1280, 1024}), QPoint(1280, 252));
}

struct ControlPlace {
  const char* name;
  QRect rect;
};

class Form1ControlPlace : public ::testing::TestWithParam<ControlPlace> {};

TEST_P(Form1ControlPlace, IsWhereTheLayoutPutsIt) {
  auto form = StartedForm();
  const QWidget* control = form->findChild<QWidget*>(QString::fromUtf8(GetParam().name));
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->geometry(), GetParam().rect);
}

INSTANTIATE_TEST_SUITE_P(
    Layout, Form1ControlPlace,
    ::testing::Values(
        ControlPlace{"Memo1", {0, 0, 502, 113}}, ControlPlace{"grp1", {8, 128, 481, 121}},
        ControlPlace{"cbb1", {32, 20, 89, 20}}, ControlPlace{"cbb2", {176, 20, 73, 20}},
        ControlPlace{"cbb3", {336, 20, 121, 20}}, ControlPlace{"cbb4", {32, 54, 89, 20}},
        ControlPlace{"cbb5", {176, 54, 73, 20}}, ControlPlace{"img2", {336, 48, 121, 65}},
        ControlPlace{"edt1", {80, 84, 57, 20}}, ControlPlace{"chk1", {192, 85, 113, 17}},
        ControlPlace{"chk3", {8, 257, 57, 17}}, ControlPlace{"scrlbx1", {8, 280, 489, 153}},
        ControlPlace{"img1", {0, 0, 489, 153}}, ControlPlace{"btn1", {408, 253, 75, 25}}),
    [](const ::testing::TestParamInfo<ControlPlace>& info) { return info.param.name; });

TEST(Form1Start, LabelsStartWhereTheLayoutPutsThemAndFitTheirTexts) {
  auto form = StartedForm();
  const struct {
    QLabel* label;
    const char* text;
    QPoint top_left;
  } labels[] = {{form->lbl1, "字体", {8, 24}},       {form->lbl2, "大小", {152, 24}},
                {form->lbl3, "文字颜色", {280, 24}}, {form->lbl4, "行距", {8, 58}},
                {form->lbl5, "页边距", {140, 58}},   {form->lbl6, "生成的文件名", {8, 88}},
                {form->lbl7, ".JPG", {144, 88}}};
  for (const auto& entry : labels) {
    SCOPED_TRACE(entry.text);
    EXPECT_EQ(entry.label->text(), Q(entry.text));
    EXPECT_EQ(entry.label->pos(), entry.top_left);
    EXPECT_GE(entry.label->width(), entry.label->sizeHint().width());
  }
}

TEST(Form1Start, TextsAndStartingValues) {
  auto form = StartedForm();
  EXPECT_EQ(form->grp1->title(), Q("属性设置"));
  EXPECT_EQ(form->chk1->text(), Q("文件名自动递增"));
  EXPECT_EQ(form->chk3->text(), Q("预览"));
  EXPECT_EQ(form->btn1->text(), Q("转换"));
  EXPECT_FALSE(form->btn1->icon().isNull());
  ASSERT_FALSE(form->img2->pixmap().isNull());
  EXPECT_EQ(form->img2->pixmap().size(), QSize(119, 63));

  EXPECT_EQ(form->cbb1->currentText(), Q("宋体"));
  EXPECT_EQ(form->cbb1->currentIndex(), -1);
  ASSERT_EQ(form->cbb1->count(), static_cast<int>(testing::FakeFontNames().size()));
  for (int i = 0; i < form->cbb1->count(); ++i) {
    EXPECT_EQ(form->cbb1->itemText(i).toStdString(), testing::FakeFontNames()[i]);
  }
  EXPECT_EQ(form->cbb2->currentText(), Q("12"));
  EXPECT_EQ(form->cbb2->currentIndex(), 0);
  EXPECT_EQ(form->cbb2->count(), 28);
  EXPECT_EQ(form->cbb2->itemText(27), Q("100"));
  EXPECT_EQ(form->cbb4->currentText(), Q("4"));
  EXPECT_EQ(form->cbb5->currentText(), Q("10"));
  for (QComboBox* pixels : {form->cbb4, form->cbb5}) {
    EXPECT_EQ(pixels->currentIndex(), 0);
    EXPECT_EQ(pixels->count(), 12);
    EXPECT_EQ(pixels->itemText(11), Q("30"));
  }
  for (QComboBox* combo : {form->cbb1, form->cbb2, form->cbb4, form->cbb5}) {
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(combo->maxVisibleItems(), 8);
    EXPECT_EQ(combo->insertPolicy(), QComboBox::NoInsert);
  }
  EXPECT_EQ(form->cbb3->ColorValue(), 0x00008000u);
  EXPECT_EQ(form->cbb3->Model().ShownState().text, "clGreen");
  EXPECT_EQ(form->cbb3->Model().RowCount(), 52);
  EXPECT_EQ(form->cbb3->font(), form->font());
  EXPECT_EQ(form->edt1->text(), Q("Picture"));
  EXPECT_TRUE(form->chk1->isTristate());
  EXPECT_EQ(form->chk1->checkState(), Qt::Checked);
  EXPECT_FALSE(form->chk3->isChecked());
  EXPECT_FALSE(form->scrlbx1->isVisible());
  EXPECT_EQ(form->NextFileNumber(), 0);
  EXPECT_EQ(form->OutputFileName(), "");
}

TEST(Form1Start, InputBoxHoldsTheInitialLinesWithoutWrapping) {
  auto form = StartedForm();
  const QStringList lines = form->Memo1->toPlainText().split(u'\n');
  ASSERT_EQ(lines.size(), 7);
  EXPECT_EQ(lines[0], Q("说明："));
  EXPECT_EQ(lines[1], Q("   1 转换的文本宽度是根据本输入框输入的文字和设置的字体大小来决定的。"));
  EXPECT_EQ(lines[2], Q("   2 生成的JPG文件自动保存在软件运行目录。"));
  EXPECT_TRUE(lines[3].startsWith(Q("   3 ")));
  EXPECT_TRUE(lines[4].startsWith(Q("   4 ")));
  EXPECT_EQ(lines[5], QString());
  EXPECT_EQ(lines[6], Q("   请输入转换的文本内容，然后按【转换】按纽！"));
  EXPECT_EQ(form->Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_TRUE(form->Memo1->tabChangesFocus());
}

TEST(Form1Start, WindowFontIsASongFaceTwelvePixelsHigh) {
  auto form = StartedForm();
  const QFont font = form->edt1->font();
  EXPECT_EQ(font.pixelSize(), 12);
  const QString family = QFontInfo(font).family();
  EXPECT_TRUE(family.contains(QStringLiteral("Ming"), Qt::CaseInsensitive) ||
              family.contains(QStringLiteral("Song"), Qt::CaseInsensitive) ||
              family.contains(QStringLiteral("Serif CJK"), Qt::CaseInsensitive))
      << family.toStdString();
}

TEST(Form1Start, FocusStartsInTheInputBoxAndTabGoesRound) {
  auto form = StartedForm();
  ASSERT_EQ(QApplication::focusWidget(), form->Memo1);
  const std::vector<QWidget*> order = {form->cbb1, form->cbb2, form->cbb3, form->cbb4, form->cbb5,
                                       form->edt1, form->chk1, form->chk3, form->btn1, form->Memo1};
  for (QWidget* expected : order) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    // An editable combo box keeps the focus in its line edit.
    const bool in_expected = focus == expected || focus->parentWidget() == expected;
    EXPECT_TRUE(in_expected) << "expected " << expected->objectName().toStdString() << ", got "
                             << focus->metaObject()->className() << " "
                             << focus->objectName().toStdString();
  }
}

TEST(Form1Start, ControlsScrollWhenTheWindowIsSmallerAndMemoFollowsTheWidth) {
  auto form = StartedForm();
  form->resize(300, 150);
  QApplication::processEvents();
  EXPECT_GE(form->ClientArea()->width(), 489);
  EXPECT_GE(form->ClientArea()->height(), 278);
  EXPECT_EQ(form->Memo1->width(), form->ClientArea()->width());

  form->resize(700, 300);
  QApplication::processEvents();
  EXPECT_EQ(form->ClientArea()->width(), 700);
  EXPECT_EQ(form->Memo1->width(), 700);
  EXPECT_EQ(form->Memo1->height(), 113);
}

}  // namespace
}  // namespace t2j
