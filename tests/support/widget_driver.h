// Driving a form as the operator does, for the GUI tests: keys sent to a
// control as the keyboard delivers them, the Tab order of named controls,
// where the focus lands when a dialog comes up, the items of a combo box.
#pragma once

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include <set>
#include <string>
#include <vector>

namespace zp::testing {

inline void SendKey(QWidget& to, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QCoreApplication::sendEvent(&to, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QCoreApplication::sendEvent(&to, &release);
}

// Each character as a key press of its own, through the edit's key filter.
inline void Type(QLineEdit& edit, const QString& text) {
  for (QChar c : text) SendKey(edit, Qt::Key_unknown, Qt::NoModifier, QString(c));
}

// Pastes `text` with Ctrl+V as a clerk does: over the whole content
// (`overAll`) or at its end.
inline void Paste(QLineEdit& edit, const QString& text, bool overAll) {
  edit.setFocus();
  if (overAll)
    edit.selectAll();
  else
    edit.end(false);
  QGuiApplication::clipboard()->setText(text);
  SendKey(edit, Qt::Key_V, Qt::ControlModifier);
}

// The named controls in the order Tab visits them, starting at `form`.
inline std::vector<std::string> TabOrder(QWidget& form, const std::set<std::string>& names) {
  std::vector<std::string> order;
  for (QWidget* widget = form.nextInFocusChain(); widget != &form; widget = widget->nextInFocusChain()) {
    if ((widget->focusPolicy() & Qt::TabFocus) && names.count(widget->objectName().toStdString()))
      order.push_back(widget->objectName().toStdString());
  }
  return order;
}

// The control that has the focus once the dialog is on screen and active.
inline std::string FocusOnShow(QDialog& dialog) {
  dialog.show();
  dialog.activateWindow();
  if (!QTest::qWaitForWindowActive(&dialog, 2000)) return "(never active)";
  const QWidget* focus = QApplication::focusWidget();
  return focus ? focus->objectName().toStdString() : "(none)";
}

inline std::vector<std::string> Items(const QComboBox& combo) {
  std::vector<std::string> items;
  for (int k = 0; k < combo.count(); ++k) items.push_back(combo.itemText(k).toStdString());
  return items;
}

}  // namespace zp::testing
