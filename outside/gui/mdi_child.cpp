#include "mdi_child.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>

TfrmMDIChild::TfrmMDIChild(QWidget* owner)
    : QWidget(owner),
      ImageListNormal(new TImageList(this)),
      ActionListPublic(new TActionList(this)),
      actCommit(new QAction(QStringLiteral("提交"), ActionListPublic)),
      actClose(new QAction(QStringLiteral("关闭"), ActionListPublic)) {
  ImageListNormal->setObjectName(QStringLiteral("ImageListNormal"));
  ActionListPublic->setObjectName(QStringLiteral("ActionListPublic"));
  actCommit->setObjectName(QStringLiteral("actCommit"));
  actClose->setObjectName(QStringLiteral("actClose"));

  const QIcon commit = style()->standardIcon(QStyle::SP_DialogApplyButton);
  const QIcon close = style()->standardIcon(QStyle::SP_DialogCloseButton);
  actCommit->setIcon(ImageListNormal->Icon(ImageListNormal->Add(commit)));
  actClose->setIcon(ImageListNormal->Icon(ImageListNormal->Add(close)));
  ImageListNormal->Add(style()->standardIcon(QStyle::SP_DialogCancelButton));
  ImageListNormal->Add(style()->standardIcon(QStyle::SP_FileDialogDetailedView));

  // Shortcuts reach the actions only when the window holds them.
  addAction(actCommit);
  addAction(actClose);
  connect(actCommit, &QAction::triggered, this, &TfrmMDIChild::actCommitExecute);
  connect(actClose, &QAction::triggered, this, &TfrmMDIChild::actCloseExecute);
}

QMdiSubWindow* TfrmMDIChild::AttachTo(QMdiArea* area) {
  if (!area) return nullptr;
  QMdiSubWindow* sub = area->addSubWindow(this);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->setWindowTitle(windowTitle());
  sub->show();
  return sub;
}

void TfrmMDIChild::actCloseExecute() {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
    sub->close();
  } else {
    close();
  }
}
