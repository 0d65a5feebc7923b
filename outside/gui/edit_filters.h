// Key filters of edits, in the suite's style: a key handler sees the code of
// the character about to be typed and sets it to 0 to discard it. Control
// keys arrive as their codes (8 Backspace, 1 Ctrl+A, 3 Ctrl+C, 22 Ctrl+V,
// 24 Ctrl+X); keys that type nothing (arrows, Delete, Enter, Tab, Escape)
// belong to the form and never reach a handler.
#pragma once

#include <functional>

class QKeyEvent;
class QLineEdit;
class QMenu;
class QObject;
class QString;
class QWidget;

namespace zpgui {
using KeyPressHandler = std::function<void(QLineEdit& edit, char32_t& key)>;

// The character code a key press types, or -1 when it types nothing.
int TypedKey(const QKeyEvent& event);

// Attaches the handler to the edit (replacing an earlier one); typed text,
// including what an input method commits, is offered to it first.
void SetKeyPressHandler(QLineEdit* edit, KeyPressHandler handler);
// Whether the edit's handler keeps the text when it is typed at the cursor,
// one character after another; a handler that swaps a character for another
// has the swap written to *typed.
bool PassesKeyFilter(const QLineEdit& edit, const QString& text, QString* typed = nullptr);

// The standard context menu with its paste entry (named "edit-paste")
// going through the paste filter.
QMenu* GuardedContextMenu(QLineEdit* edit);
// Pastes the clipboard as OnEditPaste does; false when refused (text unchanged).
bool GuardedPaste(QLineEdit* edit);
}  // namespace zpgui

// Digits, Backspace and the clipboard keys.
void OnEditKeyPress(QLineEdit& edit, char32_t& key);
// The same and one decimal point.
void OnEditKeyPressDeciPoint(QLineEdit& edit, char32_t& key);
// Letters and digits (identity document numbers).
void OnEditKeyPressTraverseChar(QLineEdit& edit, char32_t& key);
// Digits and '-' (phone numbers).
void OnEditKeyPressTraverse(QLineEdit& edit, char32_t& key);
// What an e-mail address is written with: letters, digits, ". _ - +" and one '@'.
void OnEditKeyPressEmail(QLineEdit& edit, char32_t& key);

// Pasted and dropped text must pass the edit's key handler as a whole and
// fit the edit's length whole, or nothing of it goes in.
void OnEditPaste(QLineEdit* edit);

// For the password edit: masked echo, nothing can be copied or dragged out,
// no context menu, no input method. False when the widget is not an edit.
bool SetControlSecurity(QWidget* edit);
