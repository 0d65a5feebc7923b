// The suite's look of data controls. MakeReadOnly and MakeDefault act on a
// control and everything inside it: edits, combo boxes, spin and date edits,
// list and tree views, check boxes and radio buttons (push buttons are left
// alone: they are commands, not data).
#pragma once

#include <QColor>

class QWidget;

namespace zpgui {
// Base colour of controls the operator may change, and of those he may not.
inline const QColor kEditableColour{0xFF, 0xFF, 0xFF};
inline const QColor kReadOnlyColour{0xEC, 0xE9, 0xD8};
// Window colour of the suite's forms.
inline const QColor kFormColour{0xEE, 0xF3, 0xFA};

bool IsReadOnly(const QWidget* control);

// While one lives, MakeReadOnly and MakeDefault (and MakeInit) change at once
// whether a control may be changed, but only note the colour it should have;
// the outermost gives every noted control its last colour when it goes. A
// query first makes the whole workspace read-only and then opens part of it
// again: without this, most controls would have their colour set, and passed
// on to their children, twice over to end where they began.
class LookBatch {
 public:
  LookBatch();
  ~LookBatch();
  LookBatch(const LookBatch&) = delete;
  LookBatch& operator=(const LookBatch&) = delete;
};
}  // namespace zpgui

// Read-only look and behaviour: nothing can be typed, ticked, picked or
// dropped; scrolling, moving through a list by keys and copying still work.
void MakeReadOnly(QWidget* control);
// The normal editable look and behaviour again.
void MakeDefault(QWidget* control);
// The initial look of a form's controls: each gets the look of the state it
// is in (read-only stays read-only, the rest look editable).
void MakeInit(QWidget* form);
// The suite's font (one that covers Chinese) and colours; applying it again
// changes nothing.
void SetGUIStyle(QWidget* form);
