#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

#include "publicbusi_functions.h"

namespace {

const char* const kStopStates[] = {"管理停机", "营业停机", "挂失停机", "帐务停机",
                                   "IPBUS封锁", "营业连带停", "帐务连带停", "管理连带停"};

std::string ticks(const QListWidget& list) {
  std::string s;
  for (int i = 0; i < list.count(); ++i) s += list.item(i)->checkState() == Qt::Checked ? '1' : '0';
  return s;
}

TEST(SetOsSts, TicksOneItemPerStoppedStateAndNothingForOtherTexts) {
  const struct {
    const char* osSts;
    const char* ticked;
  } cases[] = {
      {"10000000", "10000000"}, {"01000001", "01000001"}, {"11111111", "11111111"}, {"00000000", "00000000"},
      {"", "00000000"},         {"1000000", "00000000"},  {"100000000", "00000000"}, {"1000000X", "00000000"},
      {"1 000000", "00000000"},
  };
  QListWidget list;
  for (const char* s : kStopStates) list.addItem(QString::fromUtf8(s));
  for (const auto& c : cases) {
    // Start from every item ticked: the text alone decides what stays.
    for (int i = 0; i < list.count(); ++i) {
      list.item(i)->setFlags(list.item(i)->flags() | Qt::ItemIsUserCheckable);
      list.item(i)->setCheckState(Qt::Checked);
    }
    SetOsSts(&list, c.osSts);
    EXPECT_EQ(ticks(list), c.ticked) << "[" << c.osSts << "]";
  }
  EXPECT_TRUE(list.item(3)->flags() & Qt::ItemIsUserCheckable);
  SetOsSts(nullptr, "10000000");  // no list, no crash
}

MProductIntfApp::SBrandInfoList brands() {
  MProductIntfApp::SBrandInfoList list;
  for (auto [id, name] : {std::pair{1, "全球通"}, std::pair{2, "动感地带"}, std::pair{12, "神州行"}}) {
    MProductIntfApp::SBrandInfo b;
    b.set_BRAND_ID(id);
    b.set_BRAND_NAME(name);
    list.push_back(b);
  }
  return list;
}

TEST(ComboBoxes, CatalogueListsReplaceTheItemsAndCodesSelectThem) {
  QComboBox combo;
  combo.addItem("[99] 旧的");
  InitComboBoxByZPD(brands(), &combo);
  InitComboBoxByZPD(brands(), &combo);  // twice: the list is there once
  ASSERT_EQ(combo.count(), 3);
  EXPECT_EQ(combo.itemText(0).toStdString(), "[1] 全球通");
  EXPECT_EQ(combo.itemText(2).toStdString(), "[12] 神州行");

  const struct {
    int code;
    bool found;
    int index;
  } cases[] = {{12, true, 2}, {1, true, 0}, {2, true, 1}, {99, false, -1}, {0, false, -1}};
  for (const auto& c : cases) {
    combo.setCurrentIndex(1);
    EXPECT_EQ(SetComboBoxIndex(&combo, c.code), c.found) << c.code;
    EXPECT_EQ(combo.currentIndex(), c.index) << c.code;
  }

  MProductIntfApp::SPlanIdInfoList plans;
  MProductIntfApp::SPlanIdInfo p;
  p.set_PLAN_ID(101);
  p.set_PLAN_NAME("58元套餐");
  plans.push_back(p);
  InitComboBoxPlanId(plans, &combo);
  ASSERT_EQ(combo.count(), 1);
  EXPECT_EQ(combo.itemText(0).toStdString(), "[101] 58元套餐");
  EXPECT_EQ(ExtractItemCode(combo.itemText(0).toStdString()), 101);
  InitComboBoxPlanId({}, &combo);
  EXPECT_EQ(combo.count(), 0);
}

struct Form {
  QWidget form;
  QLineEdit* name = new QLineEdit("张三");
  QComboBox* type = new QComboBox;
  QComboBox* region = new QComboBox;
  QListWidget* states = new QListWidget;
  QPlainTextEdit* memo = new QPlainTextEdit("备注");
  QLabel* caption = new QLabel("客户名称：");
  QCheckBox* check = new QCheckBox("验证密码");
  QWidget* inner = new QWidget;
  QLineEdit* nested = new QLineEdit("内层");

  Form() {
    auto* layout = new QVBoxLayout(&form);
    for (QWidget* w : {static_cast<QWidget*>(name), static_cast<QWidget*>(type), static_cast<QWidget*>(region),
                       static_cast<QWidget*>(states), static_cast<QWidget*>(memo), static_cast<QWidget*>(caption),
                       static_cast<QWidget*>(check), inner})
      layout->addWidget(w);
    (new QVBoxLayout(inner))->addWidget(nested);
    type->addItems({"[1] 个人客户", "[2] 集团客户"});
    type->setCurrentIndex(1);
    region->setEditable(true);
    region->addItems({"[571] 杭州"});
    region->setCurrentIndex(0);
    states->addItem("管理停机");
    states->item(0)->setFlags(states->item(0)->flags() | Qt::ItemIsUserCheckable);
    states->item(0)->setCheckState(Qt::Checked);
  }
};

TEST(MakeClear, ClearsTheControlAloneOrWithItsChildren) {
  Form f;
  MakeClear(f.name, 0);
  EXPECT_TRUE(f.name->text().isEmpty());
  MakeClear(f.inner, 0);
  EXPECT_EQ(f.nested->text().toStdString(), "内层");  // flag 0: the children stay

  Form g;
  MakeClear(&g.form, -1);
  EXPECT_TRUE(g.name->text().isEmpty());
  EXPECT_EQ(g.type->currentIndex(), -1);
  EXPECT_EQ(g.type->count(), 2);  // the items stay for the next selection
  EXPECT_TRUE(g.region->currentText().isEmpty());
  EXPECT_EQ(g.states->item(0)->checkState(), Qt::Unchecked);
  EXPECT_TRUE(g.memo->toPlainText().isEmpty());
  EXPECT_TRUE(g.nested->text().isEmpty());
  // Captions are no input.
  EXPECT_EQ(g.caption->text().toStdString(), "客户名称：");
  EXPECT_EQ(g.check->text().toStdString(), "验证密码");
  MakeClear(nullptr, -1);
}

// What the last customer typed cannot come back by undo once the form is
// cleared: not in an edit, nor in an editable combo box.
TEST(MakeClear, TypedTextCannotBeUndoneBackIntoAClearedForm) {
  Form f;
  const auto type = [](QWidget* w, const QString& text) {
    for (const QChar c : text) {
      QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QCoreApplication::sendEvent(w, &key);
    }
  };
  f.name->clear();
  type(f.name, QStringLiteral("周明"));
  type(f.region->lineEdit(), QStringLiteral("湖州"));
  ASSERT_TRUE(f.name->isUndoAvailable());
  MakeClear(&f.form, -1);
  for (QLineEdit* e : {f.name, f.region->lineEdit()}) {
    EXPECT_TRUE(e->text().isEmpty());
    EXPECT_FALSE(e->isUndoAvailable());
    e->undo();
    EXPECT_TRUE(e->text().isEmpty()) << e->text().toStdString();
  }
  // Typed and rubbed out again: empty, but the typing could still be undone.
  type(f.name, QStringLiteral("周"));
  QKeyEvent rubOut(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
  QCoreApplication::sendEvent(f.name, &rubOut);
  ASSERT_TRUE(f.name->text().isEmpty());
  ASSERT_TRUE(f.name->isUndoAvailable());
  MakeClear(f.name, 0);
  EXPECT_FALSE(f.name->isUndoAvailable());
  // An empty edit with nothing to undo stays empty.
  MakeClear(f.name, 0);
  EXPECT_TRUE(f.name->text().isEmpty());
}

TEST(EnterToTab, EnterMovesTheFocusToTheNextControl) {
  QWidget form;
  auto* layout = new QVBoxLayout(&form);
  auto* first = new QLineEdit;
  auto* disabled = new QLineEdit;
  auto* second = new QLineEdit;
  auto* label = new QLabel("标签");
  auto* third = new QComboBox;
  for (QWidget* w : {static_cast<QWidget*>(first), static_cast<QWidget*>(disabled), static_cast<QWidget*>(second),
                     static_cast<QWidget*>(label), static_cast<QWidget*>(third)})
    layout->addWidget(w);
  disabled->setEnabled(false);
  first->setFocus();
  ASSERT_EQ(form.focusWidget(), first);

  QKeyEvent tab(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  EXPECT_FALSE(BUSI_EnterToTab(&form, &tab));
  EXPECT_EQ(form.focusWidget(), first);

  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  enter.ignore();
  EXPECT_TRUE(BUSI_EnterToTab(&form, &enter));
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(form.focusWidget(), second);  // the disabled edit is skipped

  QKeyEvent keypadEnter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(BUSI_EnterToTab(&form, &keypadEnter));
  EXPECT_EQ(form.focusWidget(), third);  // the label takes no focus
}

}  // namespace
