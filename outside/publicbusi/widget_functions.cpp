// Clearing controls, the stop-state check list and Enter as Tab.
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include "publicbusi_functions.h"

namespace {

// Empties an edit and forgets its undo history: QLineEdit::clear() can be
// undone, and the last customer's text would come back with Ctrl+Z. An edit
// already empty with nothing to undo is left alone (the reset of a query
// passes over dozens of them).
void emptyEdit(QLineEdit* e) {
  if (!e->text().isEmpty() || e->isUndoAvailable() || e->isRedoAvailable()) e->setText(QString());
}

void clearOne(QWidget* w) {
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    emptyEdit(e);
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    c->setCurrentIndex(-1);
    if (QLineEdit* typed = c->lineEdit()) emptyEdit(typed);
  } else if (auto* t = qobject_cast<QTextEdit*>(w)) {
    t->clear();
  } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
    p->clear();
  } else if (auto* s = qobject_cast<QAbstractSpinBox*>(w)) {
    s->clear();
  } else if (auto* l = qobject_cast<QListWidget*>(w)) {
    for (int i = 0; i < l->count(); ++i)
      if (l->item(i)->flags() & Qt::ItemIsUserCheckable) l->item(i)->setCheckState(Qt::Unchecked);
  }
}

}  // namespace

void MakeClear(QWidget* control, int flag) {
  if (!control) return;
  clearOne(control);
  if (flag != -1) return;
  // A combo's own line edit is part of the combo, cleared with it.
  for (QWidget* child : control->findChildren<QWidget*>())
    if (!qobject_cast<QComboBox*>(child->parentWidget())) clearOne(child);
}

void SetOsSts(QListWidget* list, const std::string& osSts) {
  if (!list) return;
  bool valid = osSts.size() == 8;
  for (char c : osSts) valid = valid && (c == '0' || c == '1');
  for (int i = 0; i < list->count(); ++i) {
    QListWidgetItem* item = list->item(i);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    const bool stopped = valid && i < 8 && osSts[static_cast<std::size_t>(i)] == '1';
    item->setCheckState(stopped ? Qt::Checked : Qt::Unchecked);
  }
}

bool BUSI_EnterToTab(QWidget* form, QKeyEvent* key) {
  if (!form || !key || (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)) return false;
  QWidget* from = form->focusWidget();
  if (!from) return false;
  for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain()) {
    if (!form->isAncestorOf(w) || !(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled() || !w->isVisibleTo(form))
      continue;
    // A combo's own line edit takes the focus with the combo.
    if (w->focusProxy()) continue;
    w->setFocus(Qt::TabFocusReason);
    key->accept();
    return true;
  }
  return false;
}
