#include "edit_filters.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>

namespace zpgui {
namespace {

constexpr char kGuardName[] = "zpEditGuard";

bool IsDigit(char32_t key) { return key >= U'0' && key <= U'9'; }
bool IsAsciiLetter(char32_t key) { return (key >= U'a' && key <= U'z') || (key >= U'A' && key <= U'Z'); }
bool IsEditingKey(char32_t key) { return key == 8 || key == 1 || key == 3 || key == 22 || key == 24; }

// The edit's text as it will be once the selection is typed over.
QString TextAroundSelection(const QLineEdit& edit) {
  const QString text = edit.text();
  if (!edit.hasSelectedText()) return text;
  const int start = edit.selectionStart();
  return text.left(start) + text.mid(start + edit.selectedText().size());
}

// Whether `text` goes in whole: the edit would cut what is beyond its
// length, and a number or an amount cut short is another number or amount.
// A paste replaces the selection; a drop lands beside the text.
bool FitsWhole(const QLineEdit& edit, const QString& text, bool replacesSelection = true) {
  const QString kept = replacesSelection ? TextAroundSelection(edit) : edit.text();
  return kept.size() + text.size() <= edit.maxLength();
}

void KeepOnly(char32_t& key, bool (*allowed)(char32_t)) {
  if (!IsEditingKey(key) && !allowed(key)) key = 0;
}

// One per guarded edit, found again by name: the edit carries its own
// filter state, so nothing about edits is kept anywhere else.
class EditGuard final : public QObject {
 public:
  explicit EditGuard(QLineEdit* edit) : QObject(edit) {
    setObjectName(kGuardName);
    edit->installEventFilter(this);
  }

  static EditGuard* Of(const QLineEdit& edit) {
    return dynamic_cast<EditGuard*>(edit.findChild<QObject*>(kGuardName, Qt::FindDirectChildrenOnly));
  }
  static EditGuard& Ensure(QLineEdit* edit) {
    EditGuard* guard = Of(*edit);
    return guard ? *guard : *new EditGuard(edit);
  }

  KeyPressHandler handler;
  bool paste_guarded = false;
  bool secure = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* edit = static_cast<QLineEdit*>(parent());
    if (watched != edit) return false;
    switch (event->type()) {
      case QEvent::KeyPress: return KeyPress(edit, static_cast<QKeyEvent*>(event));
      case QEvent::InputMethod: {
        auto* input = static_cast<QInputMethodEvent*>(event);
        QString typed;
        if (!input->commitString().isEmpty() &&
            (!PassesKeyFilter(*edit, input->commitString(), &typed) || !FitsWhole(*edit, typed))) {
          input->setCommitString(QString());
        }
        return false;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!paste_guarded || !drop->mimeData()->hasText()) return false;
        QString typed;
        if (PassesKeyFilter(*edit, drop->mimeData()->text(), &typed) && FitsWhole(*edit, typed, false)) return false;
        drop->ignore();
        return true;
      }
      case QEvent::ContextMenu: {
        if (!paste_guarded || edit->contextMenuPolicy() != Qt::DefaultContextMenu) return false;
        QMenu* menu = GuardedContextMenu(edit);
        menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
        delete menu;
        return true;
      }
      case QEvent::MouseButtonRelease: {
        // X11's middle-button paste of the selection is a paste like any other.
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!paste_guarded || mouse->button() != Qt::MiddleButton) return false;
        const QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard->supportsSelection()) return false;
        QString typed;
        return !PassesKeyFilter(*edit, clipboard->text(QClipboard::Selection), &typed) || !FitsWhole(*edit, typed, false);
      }
      default: return false;
    }
  }

 private:
  bool KeyPress(QLineEdit* edit, QKeyEvent* event) {
    if (secure && (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut))) return true;
    const int code = TypedKey(*event);
    if (handler && code >= 0) {
      char32_t key = static_cast<char32_t>(code);
      handler(*edit, key);
      if (key == 0) return true;
      if (key != static_cast<char32_t>(code)) {
        if (key >= 0x20) edit->insert(QString::fromUcs4(&key, 1));
        return true;
      }
    }
    if (paste_guarded && (event->matches(QKeySequence::Paste))) {
      GuardedPaste(edit);
      return true;
    }
    return false;
  }
};

}  // namespace

int TypedKey(const QKeyEvent& event) {
  const int key = event.key();
  if (key == Qt::Key_Backspace) return 8;
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  // Ctrl+Alt is AltGr on many layouts: that types characters, not controls.
  if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier)) {
    return key >= Qt::Key_A && key <= Qt::Key_Z ? key - Qt::Key_A + 1 : -1;
  }
  const QList<uint> text = event.text().toUcs4();
  if (text.isEmpty()) return -1;
  const uint first = text.front();
  if (first < 0x20 || first == 0x7F) return -1;  // Enter, Tab, Escape, Delete
  return static_cast<int>(first);
}

void SetKeyPressHandler(QLineEdit* edit, KeyPressHandler handler) {
  if (!edit) return;
  EditGuard::Ensure(edit).handler = std::move(handler);
}

bool PassesKeyFilter(const QLineEdit& edit, const QString& text, QString* typed) {
  const EditGuard* guard = EditGuard::Of(edit);
  const QList<uint> codes = text.toUcs4();
  // Control characters are keys, never text: a paste carrying one is not typing.
  for (uint code : codes) {
    if (code < 0x20 || code == 0x7F) return false;
  }
  if (!guard || !guard->handler) {
    if (typed) *typed = text;
    return true;
  }
  // The handler judges each character against the text typed so far, so it
  // is shown a scratch copy of the edit rather than the edit itself.
  QLineEdit scratch;
  scratch.setMaxLength(edit.maxLength());
  scratch.setText(edit.text());
  if (edit.hasSelectedText()) {
    scratch.setSelection(edit.selectionStart(), edit.selectedText().size());
  } else {
    scratch.setCursorPosition(edit.cursorPosition());
  }
  QString result;
  for (uint code : codes) {
    char32_t key = code;
    guard->handler(scratch, key);
    if (key == 0) return false;
    const QString one = QString::fromUcs4(&key, 1);
    scratch.insert(one);
    result += one;
  }
  if (typed) *typed = result;
  return true;
}

bool GuardedPaste(QLineEdit* edit) {
  if (!edit || edit->isReadOnly()) return false;
  const QString text = QGuiApplication::clipboard()->text();
  QString typed;
  if (text.isEmpty() || !PassesKeyFilter(*edit, text, &typed) || !FitsWhole(*edit, typed)) {
    QApplication::beep();
    return false;
  }
  edit->insert(typed);
  return true;
}

QMenu* GuardedContextMenu(QLineEdit* edit) {
  QMenu* menu = edit->createStandardContextMenu();
  // The standard entries carry no names; the paste entry is known by the
  // edit's own (translated) words, ahead of its shortcut.
  const QString paste_words = QLineEdit::tr("&Paste");
  for (QAction* action : menu->actions()) {
    if (action->text().section(QLatin1Char('\t'), 0, 0) != paste_words) continue;
    action->setObjectName(QStringLiteral("edit-paste"));
    QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
    QObject::connect(action, &QAction::triggered, edit, [edit] { GuardedPaste(edit); });
  }
  return menu;
}

}  // namespace zpgui

void OnEditKeyPress(QLineEdit&, char32_t& key) { zpgui::KeepOnly(key, zpgui::IsDigit); }

void OnEditKeyPressDeciPoint(QLineEdit& edit, char32_t& key) {
  if (key == U'.') {
    if (zpgui::TextAroundSelection(edit).contains(QLatin1Char('.'))) key = 0;
    return;
  }
  zpgui::KeepOnly(key, zpgui::IsDigit);
}

void OnEditKeyPressTraverseChar(QLineEdit&, char32_t& key) {
  zpgui::KeepOnly(key, [](char32_t k) { return zpgui::IsDigit(k) || zpgui::IsAsciiLetter(k); });
}

void OnEditKeyPressTraverse(QLineEdit&, char32_t& key) {
  zpgui::KeepOnly(key, [](char32_t k) { return zpgui::IsDigit(k) || k == U'-'; });
}

void OnEditKeyPressEmail(QLineEdit& edit, char32_t& key) {
  if (key == U'@') {
    if (zpgui::TextAroundSelection(edit).contains(QLatin1Char('@'))) key = 0;
    return;
  }
  zpgui::KeepOnly(key, [](char32_t k) {
    return zpgui::IsDigit(k) || zpgui::IsAsciiLetter(k) || k == U'.' || k == U'_' || k == U'-' || k == U'+';
  });
}

void OnEditPaste(QLineEdit* edit) {
  if (!edit) return;
  zpgui::EditGuard::Ensure(edit).paste_guarded = true;
}

bool SetControlSecurity(QWidget* widget) {
  auto* edit = qobject_cast<QLineEdit*>(widget);
  if (!edit) return false;
  edit->setEchoMode(QLineEdit::Password);
  edit->setDragEnabled(false);
  edit->setContextMenuPolicy(Qt::NoContextMenu);
  edit->setAttribute(Qt::WA_InputMethodEnabled, false);
  edit->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                            Qt::ImhNoAutoUppercase);
  zpgui::EditGuard::Ensure(edit).secure = true;
  return true;
}
