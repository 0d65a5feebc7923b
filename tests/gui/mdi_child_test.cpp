#include "mdi_child.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include <gtest/gtest.h>

namespace {

class Workspace : public TfrmMDIChild {
 public:
  Workspace() {
    edRegNbr = new QLineEdit(this);
    edLinkPhone = new QLineEdit(this);
    edEMail = new QLineEdit(this);
    BindKeyPress(edRegNbr, &TfrmMDIChild::OnEditKeyPressTraverseChar);
    BindKeyPress(edLinkPhone, &TfrmMDIChild::OnEditKeyPressTraverse);
    BindKeyPress(edEMail, &TfrmMDIChild::OnEditKeyPressEmail);
  }
  void actCommitExecute() override { ++commits; }
  QLineEdit *edRegNbr, *edLinkPhone, *edEMail;
  int commits = 0;
};

void Type(QLineEdit* edit, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(edit, &press);
  }
}

}  // namespace

TEST(MDIChild, CarriesTheNamedIconsAndActions) {
  Workspace form;
  EXPECT_EQ(form.findChild<TImageList*>("ImageListNormal"), form.ImageListNormal);
  EXPECT_GE(form.ImageListNormal->Count(), 2);
  EXPECT_FALSE(form.ImageListNormal->Icon(0).isNull());
  EXPECT_TRUE(form.ImageListNormal->Icon(form.ImageListNormal->Count()).isNull());
  EXPECT_EQ(form.findChild<TActionList*>("ActionListPublic"), form.ActionListPublic);
  EXPECT_EQ(form.ActionListPublic->findChild<QAction*>("actCommit"), form.actCommit);
  EXPECT_EQ(form.ActionListPublic->findChild<QAction*>("actClose"), form.actClose);
  EXPECT_EQ(form.ActionListPublic->Actions().size(), 2);
}

TEST(MDIChild, CommitActionRunsTheSubclassCommit) {
  Workspace form;
  form.actCommit->trigger();
  form.actCommit->trigger();
  EXPECT_EQ(form.commits, 2);
  form.actCommit->setEnabled(false);  // as btnCommit is until there is an order
  form.actCommit->trigger();
  EXPECT_EQ(form.commits, 2);
}

TEST(MDIChild, LivesInTheAreaUntilItsCloseAction) {
  QMdiArea area;
  area.show();
  QPointer<Workspace> form = new Workspace;
  form->setWindowTitle("新业务受理");
  QPointer<QMdiSubWindow> sub = form->AttachTo(&area);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(area.subWindowList().size(), 1);
  EXPECT_EQ(sub->widget(), form.data());
  EXPECT_EQ(sub->windowTitle(), "新业务受理");
  form->actClose->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(sub.isNull());
  EXPECT_TRUE(form.isNull());
  EXPECT_TRUE(area.subWindowList().isEmpty());
}

TEST(MDIChild, BoundKeyHandlersFilterTheAgentEdits) {
  Workspace form;
  Type(form.edRegNbr, "3301-02x 号");
  Type(form.edLinkPhone, "0571-8888 abc");
  Type(form.edEMail, "zp user@a@b.cn");
  EXPECT_EQ(form.edRegNbr->text(), "330102x");
  EXPECT_EQ(form.edLinkPhone->text(), "0571-8888");
  EXPECT_EQ(form.edEMail->text(), "zpuser@ab.cn");
}
