// TfrmMDIChild: base of the workspace windows the host shows in its
// multiple-document area. It carries the suite's shared icons and actions
// (actCommit runs the subclass's commit, actClose closes the window) and the
// key handlers forms bind to their edits.
#pragma once

#include <QAction>
#include <QIcon>
#include <QList>
#include <QWidget>

#include "edit_filters.h"

class QMdiArea;
class QMdiSubWindow;

// A list of small icons, addressed by index as the suite's forms do.
class TImageList : public QObject {
  Q_OBJECT

 public:
  explicit TImageList(QObject* owner = nullptr) : QObject(owner) {}
  int Add(const QIcon& icon) {
    icons_.append(icon);
    return static_cast<int>(icons_.size()) - 1;
  }
  int Count() const { return static_cast<int>(icons_.size()); }
  QIcon Icon(int index) const { return index >= 0 && index < icons_.size() ? icons_[index] : QIcon(); }

 private:
  QList<QIcon> icons_;
};

// The actions a form shares with its buttons; they are its children.
class TActionList : public QObject {
  Q_OBJECT

 public:
  explicit TActionList(QObject* owner = nullptr) : QObject(owner) {}
  QList<QAction*> Actions() const { return findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly); }
};

class TfrmMDIChild : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmMDIChild(QWidget* owner = nullptr);

  // Makes the window a child of the host's area, freed when it is closed.
  QMdiSubWindow* AttachTo(QMdiArea* area);

  // Key handlers forms bind to their edits (see edit_filters.h).
  void OnEditKeyPressTraverseChar(QLineEdit& edit, char32_t& key) { ::OnEditKeyPressTraverseChar(edit, key); }
  void OnEditKeyPressTraverse(QLineEdit& edit, char32_t& key) { ::OnEditKeyPressTraverse(edit, key); }
  void OnEditKeyPressEmail(QLineEdit& edit, char32_t& key) { ::OnEditKeyPressEmail(edit, key); }
  // Binds one of the handlers above (or a subclass's) to an edit.
  template <class Form>
  void BindKeyPress(QLineEdit* edit, void (Form::*handler)(QLineEdit&, char32_t&)) {
    Form* form = static_cast<Form*>(this);
    zpgui::SetKeyPressHandler(edit, [form, handler](QLineEdit& e, char32_t& k) { (form->*handler)(e, k); });
  }

  TImageList* ImageListNormal;
  TActionList* ActionListPublic;
  QAction* actCommit;
  QAction* actClose;

 public slots:
  // The form's commit; the base does nothing.
  virtual void actCommitExecute() {}
  // Closes the window, with its sub-window when it has one.
  virtual void actCloseExecute();
};
