// The handlers that are not the conversion: the preview switch, the numbering switch's three
// states and the combo boxes' key filter.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTest>

#include "app/form1.h"
#include "app/key_filter.h"
#include "app_test_support.h"
#include "widgets/colour_picker/color_combo_box.h"
#include "widgets/colour_picker/color_drop_down.h"

namespace t2j {
namespace {

using testing::StartedForm;

TEST(Form1Preview, SwitchShowsThePaneAndSetsBothHeights) {
  auto form = StartedForm();
  const QPoint position = form->pos();
  QTest::mouseClick(form->chk3, Qt::LeftButton);
  EXPECT_TRUE(form->chk3->isChecked());
  EXPECT_TRUE(form->scrlbx1->isVisible());
  EXPECT_EQ(form->size(), QSize(502, 442));
  EXPECT_EQ(form->pos(), position);

  QTest::mouseClick(form->chk3, Qt::LeftButton);
  EXPECT_FALSE(form->scrlbx1->isVisible());
  EXPECT_EQ(form->size(), QSize(502, 290));
  EXPECT_EQ(form->pos(), position);
}

TEST(Form1Preview, SwitchKeepsAWidthTheUserGaveButReplacesTheHeight) {
  auto form = StartedForm();
  form->resize(640, 350);
  QTest::keyClick(form->chk3, Qt::Key_Space);
  EXPECT_TRUE(form->chk3->isChecked());
  EXPECT_EQ(form->size(), QSize(640, 442));
  form->resize(600, 200);
  QTest::keyClick(form->chk3, Qt::Key_Space);
  EXPECT_EQ(form->size(), QSize(600, 290));
}

TEST(Form1Preview, PaneCountsForTheScrolledExtentOnlyWhileShown) {
  auto form = StartedForm();
  form->resize(400, 200);
  QApplication::processEvents();
  EXPECT_LT(form->ClientArea()->height(), 433);
  form->chk3->setChecked(true);
  form->resize(400, 200);
  QApplication::processEvents();
  EXPECT_GE(form->ClientArea()->height(), 433);
  EXPECT_GE(form->ClientArea()->width(), 497);
}

TEST(Form1Numbering, ClicksCycleUncheckedGreyChecked) {
  auto form = StartedForm();
  const Qt::CheckState expected[] = {Qt::Unchecked, Qt::PartiallyChecked, Qt::Checked,
                                     Qt::Unchecked};
  for (Qt::CheckState state : expected) {
    QTest::mouseClick(form->chk1, Qt::LeftButton);
    EXPECT_EQ(form->chk1->checkState(), state);
  }
}

struct TypedKey {
  const char* name;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  const char* text;
};

class Form1KeyFilterDiscards : public ::testing::TestWithParam<TypedKey> {};

TEST_P(Form1KeyFilterDiscards, EveryEditableComboKeepsTextCaretSelectionAndEntry) {
  auto form = StartedForm();
  QApplication::clipboard()->setText(QStringLiteral("pasted"));
  const TypedKey& typed = GetParam();
  for (QComboBox* combo : {form->cbb1, form->cbb2, form->cbb4, form->cbb5}) {
    SCOPED_TRACE(combo->objectName().toStdString());
    combo->setFocus();
    combo->lineEdit()->setSelection(0, 1);
    const QString text = combo->currentText();
    const int index = combo->currentIndex();
    QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), typed.key,
                        QString::fromUtf8(typed.text), typed.modifiers);
    EXPECT_EQ(combo->currentText(), text);
    EXPECT_EQ(combo->currentIndex(), index);
    EXPECT_EQ(combo->lineEdit()->selectionStart(), 0);
    EXPECT_EQ(combo->lineEdit()->selectedText().size(), 1);
    EXPECT_FALSE(combo->view()->isVisible());
  }
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("pasted"));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, Form1KeyFilterDiscards,
    ::testing::Values(TypedKey{"Letter", Qt::Key_A, Qt::NoModifier, "a"},
                      TypedKey{"Digit", Qt::Key_7, Qt::NoModifier, "7"},
                      TypedKey{"ShiftedLetter", Qt::Key_B, Qt::ShiftModifier, "B"},
                      TypedKey{"Space", Qt::Key_Space, Qt::NoModifier, " "},
                      TypedKey{"Backspace", Qt::Key_Backspace, Qt::NoModifier, "\b"},
                      TypedKey{"Enter", Qt::Key_Return, Qt::NoModifier, "\r"},
                      TypedKey{"KeypadEnter", Qt::Key_Enter, Qt::KeypadModifier, "\r"},
                      TypedKey{"Escape", Qt::Key_Escape, Qt::NoModifier, "\x1b"},
                      TypedKey{"CtrlC", Qt::Key_C, Qt::ControlModifier, "\x03"},
                      TypedKey{"CtrlV", Qt::Key_V, Qt::ControlModifier, "\x16"},
                      TypedKey{"CtrlX", Qt::Key_X, Qt::ControlModifier, "\x18"},
                      TypedKey{"CtrlZ", Qt::Key_Z, Qt::ControlModifier, "\x1a"},
                      TypedKey{"CtrlA", Qt::Key_A, Qt::ControlModifier, "\x01"},
                      TypedKey{"CtrlVWithoutText", Qt::Key_V, Qt::ControlModifier, ""},
                      TypedKey{"Chinese", Qt::Key_unknown, Qt::NoModifier, "宋"}),
    [](const ::testing::TestParamInfo<TypedKey>& info) { return info.param.name; });

TEST(Form1KeyFilter, DeleteRemovesTheCharacterAfterTheCaret) {
  auto form = StartedForm();
  form->cbb2->setFocus();
  form->cbb2->lineEdit()->setCursorPosition(0);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
  EXPECT_EQ(form->cbb2->currentText(), QStringLiteral("2"));
}

TEST(Form1KeyFilter, ClipboardKeysCutCopyAndPaste) {
  auto form = StartedForm();
  QLineEdit* field = form->cbb5->lineEdit();
  form->cbb5->setFocus();
  QApplication::clipboard()->setText(QStringLiteral("25"));
  field->selectAll();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ(form->cbb5->currentText(), QStringLiteral("25"));

  field->setSelection(0, 1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("2"));

  field->setSelection(1, 1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_EQ(form->cbb5->currentText(), QStringLiteral("2"));
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("5"));
}

TEST(Form1KeyFilter, UpAndDownStepThroughTheEntriesFromTheCurrentOne) {
  auto form = StartedForm();
  form->cbb2->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  EXPECT_EQ(form->cbb2->currentText(), QStringLiteral("9"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  EXPECT_EQ(form->cbb2->currentText(), QStringLiteral("10"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
  EXPECT_EQ(form->cbb2->currentText(), QStringLiteral("9"));
}

// Qt would make the entry matching the field's text current once the field loses the focus.
TEST(Form1KeyFilter, DownAfterAFocusChangeStepsFromTheListsCurrentEntry) {
  auto form = StartedForm();
  for (auto [combo, expected] : {std::pair{form->cbb1, "Default"}, std::pair{form->cbb2, "9"},
                                 std::pair{form->cbb4, "2"}, std::pair{form->cbb5, "2"}}) {
    combo->setFocus();
    form->Memo1->setFocus();
    QTRY_VERIFY(form->Memo1->hasFocus());
    combo->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(combo->currentText(), QString::fromUtf8(expected))
        << combo->objectName().toStdString();
  }
}

TEST(Form1KeyFilter, CaretKeysMoveTheCaret) {
  auto form = StartedForm();
  QLineEdit* field = form->cbb1->lineEdit();
  form->cbb1->setFocus();
  field->setCursorPosition(0);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
  EXPECT_EQ(field->cursorPosition(), 2);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
  EXPECT_EQ(field->cursorPosition(), 1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
  EXPECT_EQ(field->cursorPosition(), 0);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  EXPECT_EQ(field->cursorPosition(), 1);
}

TEST(Form1KeyFilter, F4AndAltArrowsOpenTheList) {
  auto form = StartedForm();
  for (auto [key, modifiers] : {std::pair{Qt::Key_F4, Qt::KeyboardModifiers(Qt::NoModifier)},
                                std::pair{Qt::Key_Down, Qt::KeyboardModifiers(Qt::AltModifier)},
                                std::pair{Qt::Key_Up, Qt::KeyboardModifiers(Qt::AltModifier)}}) {
    form->cbb4->setFocus();
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    QTRY_VERIFY(form->cbb4->view()->isVisible());
    form->cbb4->hidePopup();
    QTRY_VERIFY(!form->cbb4->view()->isVisible());
    EXPECT_EQ(form->cbb4->currentText(), QStringLiteral("4"));
  }
}

TEST(Form1KeyFilter, AnEntryPickedFromTheListGoesIntoTheField) {
  auto form = StartedForm();
  form->cbb4->setFocus();
  form->cbb4->showPopup();
  QTRY_VERIFY(form->cbb4->view()->isVisible());
  QAbstractItemView* view = form->cbb4->view();
  const QModelIndex twenty = view->model()->index(10, 0);
  view->setCurrentIndex(twenty);
  QTest::keyClick(view, Qt::Key_Return);
  QTRY_VERIFY(!view->isVisible());
  EXPECT_EQ(form->cbb4->currentText(), QStringLiteral("20"));
}

TEST(Form1KeyFilter, TypingIntoTheColourBoxChangesNothing) {
  auto form = StartedForm();
  form->cbb3->setFocus();
  QTest::keyClicks(form->cbb3, QStringLiteral("clRed 9"));
  QTest::keyClick(form->cbb3, Qt::Key_Backspace);
  EXPECT_EQ(form->cbb3->DropDownWindow(), nullptr) << "the list never opened";
  EXPECT_EQ(form->cbb3->ColorValue(), 0x00008000u);
  EXPECT_FALSE(form->cbb3->Model().Modified());

  QTest::keyClick(form->cbb3, Qt::Key_Up, Qt::AltModifier);
  QTRY_VERIFY(form->cbb3->DropDownWindow() && form->cbb3->DropDownWindow()->isVisible());
  QTest::keyClicks(form->cbb3->DropDownWindow(), QStringLiteral("clb"));
  EXPECT_EQ(form->cbb3->Model().HighlightedRow(), 2) << "no search by typed text";
  QTest::keyClick(form->cbb3->DropDownWindow(), Qt::Key_Escape);
  QTRY_VERIFY(!form->cbb3->DropDownWindow()->isVisible());
}

TEST(IsCharacterInput, KeysWithControlTextStayKeys) {
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    bool character;
  } cases[] = {
      {Qt::Key_Y, Qt::ControlModifier, "", true},
      {Qt::Key_Backspace, Qt::ControlModifier, "", true},
      // X11 sends Delete with the text "\x7f", which must stay a key.
      {Qt::Key_Delete, Qt::NoModifier, "\x7f", false},
      {Qt::Key_Tab, Qt::NoModifier, "\t", false},
  };
  for (const auto& c : cases) {
    const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers, c.text);
    EXPECT_EQ(IsCharacterInput(event), c.character) << "key " << std::hex << c.key;
  }
}

}  // namespace
}  // namespace t2j
