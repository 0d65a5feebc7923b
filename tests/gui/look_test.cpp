#include "look.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <map>

namespace {

// A frame like the agent frame: edits (one inside a group), combos, a check
// box, a date edit, a check list and a report list, and a button.
struct Frame {
  Frame() {
    auto* layout = new QVBoxLayout(&frame);
    auto* group = new QGroupBox("gb", &frame);
    auto* inner = new QVBoxLayout(group);
    inner->addWidget(edRemark = new QLineEdit(group));
    layout->addWidget(edSoMen = new QLineEdit(&frame));
    layout->addWidget(group);
    layout->addWidget(cmbRegType = new QComboBox(&frame));
    layout->addWidget(cmbRegionCode = new QComboBox(&frame));
    cmbRegionCode->setEditable(true);
    for (QComboBox* combo : {cmbRegType, cmbRegionCode}) combo->addItems({"[1] 身份证", "[2] 护照"});
    layout->addWidget(chkAfterFlag = new QCheckBox("事后补单", &frame));
    layout->addWidget(dtp = new QDateEdit(QDate(2004, 7, 6), &frame));
    layout->addWidget(lstStop = new QListWidget(&frame));
    auto* item = new QListWidgetItem("停机", lstStop);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
    item->setCheckState(Qt::Unchecked);
    layout->addWidget(lstv = new QTreeWidget(&frame));
    lstv->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked);
    layout->addWidget(btnQuery = new QPushButton("查询", &frame));
    frame.show();
  }
  QList<QWidget*> DataControls() const {
    return {edSoMen, edRemark, cmbRegType, cmbRegionCode, chkAfterFlag, dtp, lstStop, lstv};
  }
  QFrame frame;
  QLineEdit *edSoMen, *edRemark;
  QComboBox *cmbRegType, *cmbRegionCode;
  QCheckBox* chkAfterFlag;
  QDateEdit* dtp;
  QListWidget* lstStop;
  QTreeWidget* lstv;
  QPushButton* btnQuery;
};

void Key(QWidget* w, int key, const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(w, &press);
}

void Click(QWidget* w) {
  const QPointF at(8, w->height() / 2);  // on the check box's indicator
  const QPointF global = QPointF(w->mapToGlobal(at.toPoint()));
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &press);
  QCoreApplication::sendEvent(w, &release);
}

// What the operator can still change: each control is poked once.
struct Pokes {
  QString edit, inner_edit;
  int combo, editable_combo;
  bool checked;
  QDate date;
  Qt::CheckState listed;
};

Pokes Poke(Frame& f) {
  Key(f.edSoMen, Qt::Key_A, "A");
  Key(f.edRemark, Qt::Key_B, "b");
  Key(f.cmbRegType, Qt::Key_Down);
  Key(f.cmbRegionCode->lineEdit(), Qt::Key_Down);
  Click(f.chkAfterFlag);
  f.dtp->setCurrentSection(QDateTimeEdit::DaySection);
  Key(f.dtp, Qt::Key_Up);
  f.lstStop->setCurrentRow(0);
  Key(f.lstStop, Qt::Key_Space, " ");
  return {f.edSoMen->text(), f.edRemark->text(), f.cmbRegType->currentIndex(), f.cmbRegionCode->currentIndex(),
          f.chkAfterFlag->isChecked(), f.dtp->date(), f.lstStop->item(0)->checkState()};
}

}  // namespace

TEST(Look, ReadOnlyFrameRefusesChangesAndDefaultAllowsThemAgain) {
  Frame f;
  const auto triggers = f.lstv->editTriggers();
  MakeReadOnly(&f.frame);
  for (QWidget* w : f.DataControls()) {
    EXPECT_TRUE(zpgui::IsReadOnly(w)) << w->metaObject()->className();
    EXPECT_EQ(w->palette().color(QPalette::Base), zpgui::kReadOnlyColour) << w->metaObject()->className();
  }
  EXPECT_EQ(f.lstv->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_FALSE(zpgui::IsReadOnly(f.btnQuery));
  EXPECT_TRUE(f.btnQuery->isEnabled());

  const Pokes refused = Poke(f);
  EXPECT_EQ(refused.edit, "");
  EXPECT_EQ(refused.inner_edit, "");
  EXPECT_EQ(refused.combo, 0);
  EXPECT_EQ(refused.editable_combo, 0);
  EXPECT_FALSE(refused.checked);
  EXPECT_EQ(refused.date, QDate(2004, 7, 6));
  EXPECT_EQ(refused.listed, Qt::Unchecked);

  MakeReadOnly(&f.frame);  // twice must not lose the list's own triggers
  MakeDefault(&f.frame);
  for (QWidget* w : f.DataControls()) {
    EXPECT_FALSE(zpgui::IsReadOnly(w)) << w->metaObject()->className();
    EXPECT_EQ(w->palette().color(QPalette::Base), zpgui::kEditableColour) << w->metaObject()->className();
  }
  EXPECT_EQ(f.lstv->editTriggers(), triggers);
  const Pokes taken = Poke(f);
  EXPECT_EQ(taken.edit, "A");
  EXPECT_EQ(taken.inner_edit, "b");
  EXPECT_EQ(taken.combo, 1);
  EXPECT_EQ(taken.editable_combo, 1);
  EXPECT_TRUE(taken.checked);
  EXPECT_EQ(taken.date, QDate(2004, 7, 7));
  EXPECT_EQ(taken.listed, Qt::Checked);
}

TEST(Look, SingleControlsAndInitKeepEachControlsState) {
  Frame f;
  MakeReadOnly(f.edSoMen);
  EXPECT_TRUE(zpgui::IsReadOnly(f.edSoMen));
  EXPECT_FALSE(zpgui::IsReadOnly(f.edRemark));  // only what was named

  QPalette odd = f.edRemark->palette();
  odd.setColor(QPalette::Base, Qt::red);
  f.edRemark->setPalette(odd);
  MakeInit(&f.frame);
  EXPECT_TRUE(zpgui::IsReadOnly(f.edSoMen));
  EXPECT_EQ(f.edSoMen->palette().color(QPalette::Base), zpgui::kReadOnlyColour);
  EXPECT_FALSE(zpgui::IsReadOnly(f.edRemark));
  EXPECT_EQ(f.edRemark->palette().color(QPalette::Base), zpgui::kEditableColour);
}

TEST(Look, GUIStyleCoversChineseKeepsControlColoursAndIsIdempotent) {
  Frame f;
  MakeReadOnly(f.edSoMen);
  SetGUIStyle(&f.frame);
  EXPECT_TRUE(QFontMetrics(f.edRemark->font()).inFontUcs4(U'受'));
  EXPECT_EQ(f.frame.palette().color(QPalette::Window), zpgui::kFormColour);
  EXPECT_EQ(f.edSoMen->palette().color(QPalette::Base), zpgui::kReadOnlyColour);
  const QFont font = f.frame.font();
  const QPalette palette = f.frame.palette();
  SetGUIStyle(&f.frame);
  EXPECT_EQ(f.frame.font(), font);
  EXPECT_EQ(f.frame.palette(), palette);
}

// Inside a batch a control becomes read-only or editable at once, but takes
// its colour when the outermost batch ends, and only its last one: a control
// made read-only and editable again is never repainted.
TEST(Look, ABatchChangesStatesAtOnceAndGivesEachControlItsLastColourOnce) {
  Frame f;
  MakeDefault(&f.frame);
  // Palette changes each control is told of.
  struct Counter : QObject {
    std::map<QObject*, int> changes;
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::PaletteChange) ++changes[o];
      return false;
    }
  } counter;
  for (QWidget* w : f.DataControls()) w->installEventFilter(&counter);

  {
    const zpgui::LookBatch outer;
    {
      const zpgui::LookBatch inner;
      MakeReadOnly(&f.frame);
      for (QWidget* w : f.DataControls()) EXPECT_TRUE(zpgui::IsReadOnly(w)) << w->metaObject()->className();
      const Pokes pokes = Poke(f);
      EXPECT_EQ(pokes.edit, "") << "read-only already, before any colour";
      EXPECT_FALSE(pokes.checked);
    }
    // The inner batch gave nothing: the outer one still notes.
    EXPECT_EQ(f.edSoMen->palette().color(QPalette::Base), zpgui::kEditableColour);
    MakeDefault(&f.frame);
    MakeReadOnly(f.edRemark);
    auto* late = new QLineEdit(&f.frame);  // made and gone inside the batch
    MakeReadOnly(late);
    delete late;
    EXPECT_TRUE(counter.changes.empty());
  }
  EXPECT_EQ(f.edRemark->palette().color(QPalette::Base), zpgui::kReadOnlyColour);
  EXPECT_EQ(counter.changes[f.edRemark], 1);
  for (QWidget* w : f.DataControls()) {
    if (w == f.edRemark) continue;
    EXPECT_FALSE(zpgui::IsReadOnly(w)) << w->metaObject()->className();
    EXPECT_EQ(w->palette().color(QPalette::Base), zpgui::kEditableColour) << w->metaObject()->className();
    EXPECT_EQ(counter.changes[w], 0) << w->metaObject()->className() << " repainted for nothing";
  }
  // Without a batch, colours are given at once again.
  MakeReadOnly(f.edSoMen);
  EXPECT_EQ(f.edSoMen->palette().color(QPalette::Base), zpgui::kReadOnlyColour);
}
