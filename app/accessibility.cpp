#include "app/accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QLineEdit>
#include <QVariantMap>

namespace t2j {
namespace {

// An editable combo box. Qt names such a box by its text on Linux, where a screen reader then
// hears "12" for the size box; here the name is the label's and the text is the value.
class EditableComboAccessible : public QAccessibleWidget {
 public:
  explicit EditableComboAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}
  QComboBox* Box() const { return static_cast<QComboBox*>(widget()); }

  int childCount() const override { return 2; }
  QAccessibleInterface* child(int index) const override {
    if (index == 0) return QAccessible::queryAccessibleInterface(Box()->view());
    if (index == 1 && Box()->lineEdit() != nullptr) {
      return QAccessible::queryAccessibleInterface(Box()->lineEdit());
    }
    return nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    if (child->object() == Box()->view()) return 0;
    if (child->object() == Box()->lineEdit()) return 1;
    return -1;
  }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Box()->currentText();
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = Box()->view()->isVisible();
    state.collapsed = !state.expanded;
    state.editable = true;
    state.hasPopup = true;
    return state;
  }
  QStringList actionNames() const override {
    return {showMenuAction(), pressAction(), setFocusAction()};
  }
  void doAction(const QString& action) override {
    if (action == showMenuAction() || action == pressAction()) {
      if (Box()->view()->isVisible()) {
        Box()->hidePopup();
      } else {
        Box()->showPopup();
      }
      return;
    }
    QAccessibleWidget::doAction(action);
  }
};

// A check box: checked only when checked (Qt counts the grey state of a three-state box as
// checked too), indeterminate when grey.
class CheckBoxAccessible : public QAccessibleWidget {
 public:
  explicit CheckBoxAccessible(QCheckBox* box) : QAccessibleWidget(box, QAccessible::CheckBox) {}
  QCheckBox* Box() const { return static_cast<QCheckBox*>(widget()); }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return Box()->text();
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = Box()->checkState() == Qt::Checked;
    state.checkStateMixed = Box()->checkState() == Qt::PartiallyChecked;
    return state;
  }
  QStringList actionNames() const override { return {toggleAction(), setFocusAction()}; }
  void doAction(const QString& action) override {
    if (action == toggleAction() || action == pressAction()) {
      Box()->click();
      return;
    }
    QAccessibleWidget::doAction(action);
  }
};

QAccessibleInterface* WindowFactory(const QString& class_name, QObject* object) {
  if (class_name == QLatin1String("t2j::TForm1")) {
    // The main window is a frame to screen readers, not a bare filler.
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
  }
  if (class_name == QLatin1String("t2j::TPreviewImage")) {
    // The preview is a picture; its description tells its size.
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
  }
  if (class_name == QLatin1String("QComboBox")) {
    auto* box = qobject_cast<QComboBox*>(object);
    if (box != nullptr && box->isEditable()) return new EditableComboAccessible(box);
  } else if (class_name == QLatin1String("QCheckBox")) {
    // Every check box: one may become three-state after Qt has made its interface.
    auto* box = qobject_cast<QCheckBox*>(object);
    if (box != nullptr) return new CheckBoxAccessible(box);
  }
  return nullptr;
}

// Qt's bridge to the accessibility bus tells a change of the checked state only; the grey state
// goes out on the same connection, as the object that Qt has put there.
void SendStateChange(QAccessibleInterface& accessible, const char* state, bool on) {
  QDBusConnection bus(QStringLiteral("a11y"));
  if (!bus.isConnected()) return;
  const QString path =
      QStringLiteral("/org/a11y/atspi/accessible/%1").arg(QAccessible::uniqueId(&accessible));
  QDBusMessage signal =
      QDBusMessage::createSignal(path, QStringLiteral("org.a11y.atspi.Event.Object"),
                                 QStringLiteral("StateChanged"));
  signal << QString::fromLatin1(state) << int{on} << 0
         << QVariant::fromValue(QDBusVariant(QVariant(0))) << QVariantMap();
  bus.send(signal);
}

}  // namespace

void InstallWindowAccessibility() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(WindowFactory);
}

void AnnounceCheckState(QCheckBox& box) {
  if (!QAccessible::isActive()) return;
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&box);
  if (accessible == nullptr) return;
  QAccessible::State changed;
  changed.checked = true;
  QAccessibleStateChangeEvent event(&box, changed);
  QAccessible::updateAccessibility(&event);
  SendStateChange(*accessible, "indeterminate", box.checkState() == Qt::PartiallyChecked);
}

}  // namespace t2j
