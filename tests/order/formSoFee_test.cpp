#include "formSoFee.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "MBusiPublic.h"
#include "backend_world.h"
#include "fixtures.h"
#include "cbusinesspublic.h"
#include "edit_filters.h"
#include "gui_message.h"
#include "look.h"
#include "modal.h"
#include "money.h"
#include "order_money.h"
#include "record_table.h"
#include "sample_orders.h"

using MPublicDef::SPrepayOper;
using MPublicDef::SPrepayOperList;
using MPublicDef::SSoFee;
using MPublicDef::SSoFeeList;
using zp::store::Backend;
using zp::testing::BackendWorld;

namespace {

// 104 is discounted only outside the counter (relation kind 1); 105 has a
// relation but no catalogue name; 302 is both a discount item and a name.
const char* kFeeItems = R"json({
  "book_items": [{"item_id": 101, "name": "功能费"}, {"item_id": 103, "name": "手续费"},
                 {"item_id": 104, "name": "卡费"}, {"item_id": 22000002, "name": "SIM卡费"},
                 {"item_id": 27000003, "name": "退还押金"}, {"item_id": 302, "name": "手续费优惠"},
                 {"item_id": 201, "name": "预存话费", "prepay": 1}, {"item_id": 202, "name": "保底预存", "prepay": 1}],
  "acc_item_rels": [{"fee_item": 101, "disc_item": 301, "item_name": "功能费优惠"},
                    {"fee_item": 103, "disc_item": 302, "item_name": "手续费优惠"},
                    {"fee_item": 105, "disc_item": 305},
                    {"fee_item": 22000002, "disc_item": 322},
                    {"fee_item": 27000003, "disc_item": 327},
                    {"fee_item": 104, "disc_item": 304, "rel_flag": 1}]
})json";

// Relations exist, but none of the counter's kind.
const char* kNoCounterRelations = R"json({
  "book_items": [{"item_id": 101, "name": "功能费"}, {"item_id": 201, "name": "预存话费", "prepay": 1}],
  "acc_item_rels": [{"fee_item": 101, "disc_item": 301, "rel_flag": 1}]
})json";

SSoFee Fee(int item, std::int64_t value, std::int64_t discount = 0) {
  SSoFee fee;
  fee.set_BOOK_ITEM_ID(item);
  fee.set_RES_CODE(3);
  fee.set_ITEM_VALUE(value);
  fee.set_ITEM_DISCOUNT(discount);
  fee.set_ITEM_COUNT(1);
  fee.set_ITEM_TOTAL(value + discount);
  fee.set_REMARK("计费");
  fee.set_OPER_TYPE(1);
  fee.set_OP_ID(11);
  return fee;
}

SPrepayOper Prepay(int item, std::int64_t amount, const std::string& remark) {
  SPrepayOper p;
  p.set_BOOK_ID(9001);
  p.set_BOOK_ITEM_ID(item);
  p.set_AMOUNT(amount);
  p.set_REMARK(remark);
  return p;
}

SSoFee DiscountEntry(SSoFee of, int discItem, std::int64_t amount, const std::string& remark) {
  of.set_BOOK_ITEM_ID(discItem);
  of.set_ITEM_VALUE(amount);
  of.set_ITEM_DISCOUNT(0);
  of.set_ITEM_RETREAT(0);
  of.set_ITEM_COUNT(1);
  of.set_ITEM_TOTAL(amount);
  of.set_REMARK(remark);
  of.set_OPER_TYPE(2);
  return of;
}

SSoFee PrepayFee(int item, std::int64_t amount, const std::string& remark) {
  SSoFee fee;
  fee.set_BOOK_ITEM_ID(item);
  fee.set_RES_CODE(0);
  fee.set_ITEM_VALUE(amount);
  fee.set_ITEM_DISCOUNT(0);
  fee.set_ITEM_RETREAT(0);
  fee.set_ITEM_COUNT(1);
  fee.set_ITEM_TOTAL(amount);
  fee.set_REMARK(remark);
  fee.set_OPER_TYPE(1);
  return fee;
}

using Row = std::array<std::string, 4>;
struct Totals {
  std::string due, reduction, collect;
  bool operator==(const Totals&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Totals& t) {
  return os << t.due << " / " << t.reduction << " / " << t.collect;
}

// A discount dialog step: checks nothing, types the discount and the reason
// and presses OK (or Cancel when discount is null).
zpgui::ModalScript::Step Grant(const char* discount, const char* remark = "老客户") {
  return [=](QDialog& d) {
    if (!discount) {
      d.findChild<QPushButton*>("btnCancel")->click();
      return;
    }
    d.findChild<QLineEdit*>("edDiscount")->setText(discount);
    d.findChild<QLineEdit*>("edRemark")->setText(remark);
    d.findChild<QPushButton*>("btnOK")->click();
  };
}

class SoFee : public ::testing::Test {
 protected:
  template <class W>
  W& Control(const char* name) {
    W* control = dialog->findChild<W*>(name);
    if (!control) throw std::runtime_error(std::string("no control ") + name);
    return *control;
  }
  QTreeWidget& List() { return Control<QTreeWidget>("lvSoFeeInfo"); }

  std::vector<Row> Rows() {
    std::vector<Row> rows;
    for (int i = 0; i < List().topLevelItemCount(); ++i) {
      const QTreeWidgetItem* item = List().topLevelItem(i);
      rows.push_back({item->text(0).toStdString(), item->text(1).toStdString(), item->text(2).toStdString(),
                      item->text(3).toStdString()});
    }
    return rows;
  }
  Totals Shown() {
    return {Control<QLineEdit>("edTotalFee").text().toStdString(), Control<QLineEdit>("edReduceFee").text().toStdString(),
            Control<QLineEdit>("edRealFee").text().toStdString()};
  }

  // A real double click on the row, as the mouse delivers it.
  void DoubleClickRow(int row) {
    QTreeWidget& list = List();
    const QModelIndex index = list.model()->index(row, 1);
    list.scrollTo(index);
    const QPointF at = list.visualRect(index).center();
    const QPointF global = list.viewport()->mapToGlobal(at);
    const auto send = [&](QEvent::Type type) {
      const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
      QMouseEvent event(type, at, global, Qt::LeftButton, held, Qt::NoModifier);
      QCoreApplication::sendEvent(list.viewport(), &event);
    };
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    send(QEvent::MouseButtonDblClick);
    send(QEvent::MouseButtonRelease);
  }

  SSoFeeList Fees() {
    SSoFeeList fees;
    SPrepayOperList prepays;
    dialog->GetSoFeeResult(fees, prepays);
    return fees;
  }

  std::unique_ptr<BackendWorld> world = std::make_unique<BackendWorld>(Backend::sqlite, kFeeItems);
  zpgui::MessageLog messages;
  std::unique_ptr<TfrmSoFee> dialog = std::make_unique<TfrmSoFee>();
};

TEST_F(SoFee, ListsFeesThenPrepaymentsWithTheirTotals) {
  dialog->InitSoFee({Fee(101, 3000), Fee(103, 2000, -500)}, {Prepay(201, 10000, "预存")});
  EXPECT_TRUE(messages.Shown().empty());
  EXPECT_EQ(dialog->windowTitle(), "费用显示");
  const QTreeWidgetItem* header = List().headerItem();
  EXPECT_EQ(header->text(0), "费用科目");
  EXPECT_EQ(header->text(1), "应付金额(元)");
  EXPECT_EQ(header->text(2), "科目优惠(元)");
  EXPECT_EQ(header->text(3), "费用类型");
  EXPECT_EQ(Rows(), (std::vector<Row>{{"[101] 功能费", "30.00", "0.00", "[0]受理费"},
                                      {"[103] 手续费", "20.00", "-5.00", "[0]受理费"},
                                      {"[201] 预存话费", "100.00", "0.00", "[1]预付费"}}));
  EXPECT_EQ(Shown(), (Totals{"150.00", "-5.00", "145.00"}));
  for (const char* name : {"edTotalFee", "edReduceFee", "edRealFee"})
    EXPECT_TRUE(zpgui::IsReadOnly(&Control<QLineEdit>(name))) << name;
}

TEST_F(SoFee, EachKindOfRowIsNamedFromItsOwnCatalogue) {
  // 101 is no prepayment item and 999 no item at all: each is captioned by
  // its bare code. Order follows the lists as handed in.
  dialog->InitSoFee({Fee(999, 100), Fee(201, 200), Fee(103, 300)}, {Prepay(202, 400, "保底"), Prepay(101, 500, "x")});
  EXPECT_EQ(Rows(), (std::vector<Row>{{"999", "1.00", "0.00", "[0]受理费"},
                                      {"[201] 预存话费", "2.00", "0.00", "[0]受理费"},
                                      {"[103] 手续费", "3.00", "0.00", "[0]受理费"},
                                      {"[202] 保底预存", "4.00", "0.00", "[1]预付费"},
                                      {"101", "5.00", "0.00", "[1]预付费"}}));
}

TEST_F(SoFee, TotalsAreExactAndTheReductionItemMovesToTheReduction) {
  const struct {
    const char* what;
    SSoFeeList fees;
    SPrepayOperList prepays;
    Totals expected;
  } cases[] = {
      {"reduction item", {Fee(101, 5000), Fee(103, 2000), Fee(27000003, -1000)}, {}, {"70.00", "-10.00", "60.00"}},
      {"only its first row moves",
       {Fee(27000003, -1000), Fee(101, 5000), Fee(27000003, -400)},
       {},
       {"46.00", "-10.00", "36.00"}},
      {"amounts beyond 32 bits are shown whole",
       {Fee(101, 12'345'678'900, -1), Fee(103, 9'000'000'000)},
       {Prepay(201, 1, "")},
       {"213456789.01", "-0.01", "213456789.00"}},
      {"cents add up exactly", {Fee(101, 10), Fee(103, 20, -1)}, {Prepay(201, 70, "")}, {"1.00", "-0.01", "0.99"}},
  };
  for (const auto& c : cases) {
    TfrmSoFee one;
    one.InitSoFee(c.fees, c.prepays);
    auto text = [&](const char* name) { return one.findChild<QLineEdit*>(name)->text().toStdString(); };
    EXPECT_EQ((Totals{text("edTotalFee"), text("edReduceFee"), text("edRealFee")}), c.expected) << c.what;
  }
}

TEST_F(SoFee, ADiscountIsBookedOnTheDiscountItemAndGrantingAgainReplacesIt) {
  const SSoFee functionFee = Fee(101, 3000);
  dialog->InitSoFee({functionFee, Fee(103, 2000, -500)}, {Prepay(201, 10000, "预存")});

  zpgui::ModalScript script;
  script.Then([](QDialog& d) {
    EXPECT_EQ(d.objectName(), "frmBookItemSoFee");
    EXPECT_EQ(d.findChild<QLineEdit*>("edBookItemId")->text(), "[101] 功能费");
    EXPECT_EQ(d.findChild<QLineEdit*>("edValue")->text(), "30.00");
    EXPECT_EQ(d.findChild<QLineEdit*>("edDiscount")->text(), "0");
    Grant("5", "老客户")(d);
  });
  DoubleClickRow(0);
  EXPECT_EQ(Rows()[0], (Row{"[101] 功能费", "30.00", "-5", "[0]受理费"}));
  EXPECT_EQ(Shown(), (Totals{"150.00", "-10.00", "140.00"}));
  EXPECT_EQ(Fees(), (SSoFeeList{functionFee, Fee(103, 2000, -500), DiscountEntry(functionFee, 301, -500, "老客户")}));

  script.Then([](QDialog& d) {
    EXPECT_EQ(d.findChild<QLineEdit*>("edDiscount")->text(), "5") << "the granted discount, sign reversed";
    Grant("3.5", "再议")(d);
  });
  DoubleClickRow(0);
  EXPECT_EQ(Rows()[0], (Row{"[101] 功能费", "30.00", "-3.5", "[0]受理费"}));
  EXPECT_EQ(Shown(), (Totals{"150.00", "-8.50", "141.50"}));
  EXPECT_EQ(Fees(), (SSoFeeList{functionFee, Fee(103, 2000, -500), DiscountEntry(functionFee, 301, -350, "再议")}));

  EXPECT_EQ(script.Shown(), (std::vector<std::string>{"frmBookItemSoFee", "frmBookItemSoFee"}));
  EXPECT_EQ(script.Unexpected(), 0);
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(SoFee, RowsThatCannotBeDiscountedStayAsTheyWere) {
  const zpgui::GUIMessage noRelation{"没有配置优惠科目对应表.", "提示", 64};
  const zpgui::GUIMessage secondDiscount{"配置实现的优惠记录,不能再进行二次优惠!...", "提示", 64};
  const struct {
    const char* what;
    int row;
    bool opensDialog;
    const char* discount;  // null: the item dialog is cancelled
    std::vector<zpgui::GUIMessage> shown;
  } cases[] = {
      {"a prepayment", 5, false, "1", {}},
      {"the fixed-price item", 3, false, "1", {}},
      {"no counter relation", 2, true, "1", {noRelation}},
      {"the fee calculation already discounted it", 1, true, "1", {secondDiscount}},
      {"the item dialog cancelled", 0, true, nullptr, {}},
  };
  // Rows: 101, 103, 104, the fixed-price item, the configured discount 302
  // the fee calculation booked on 103, then the prepayment.
  const SSoFeeList fees{Fee(101, 3000), Fee(103, 2000), Fee(104, 1500), Fee(22000002, 2500), Fee(302, -300)};
  for (const auto& c : cases) {
    dialog = std::make_unique<TfrmSoFee>();
    zpgui::MessageLog log;
    dialog->InitSoFee(fees, {Prepay(201, 10000, "预存")});
    const std::vector<Row> before = Rows();
    const Totals totalsBefore = Shown();

    zpgui::ModalScript script;
    script.Then(Grant(c.discount));
    DoubleClickRow(c.row);
    ASSERT_EQ(List().currentIndex().row(), c.row) << c.what;

    EXPECT_EQ(script.Shown().size(), c.opensDialog ? 1u : 0u) << c.what;
    EXPECT_EQ(log.Shown(), c.shown) << c.what;
    EXPECT_EQ(Rows(), before) << c.what;
    EXPECT_EQ(Shown(), totalsBefore) << c.what;
    EXPECT_EQ(Fees(), fees) << c.what;
  }
}

TEST_F(SoFee, AnItemMissingFromTheCatalogueCanStillBeDiscounted) {
  // Its caption is the bare code, which carries no code to read back; the
  // discount must still reach the fee list, not only the screen.
  const SSoFee cardFee = Fee(105, 2000);
  dialog->InitSoFee({cardFee}, {});
  zpgui::ModalScript script;
  script.Then(Grant("2", "补偿"));
  DoubleClickRow(0);
  EXPECT_EQ(Rows(), (std::vector<Row>{{"105", "20.00", "-2", "[0]受理费"}}));
  EXPECT_EQ(Fees(), (SSoFeeList{cardFee, DiscountEntry(cardFee, 305, -200, "补偿")}));
  EXPECT_EQ(Shown(), (Totals{"20.00", "-2.00", "18.00"}));
}

TEST_F(SoFee, OkHandsBackTheFeesWithPrepaymentsAfterTheDiscounts) {
  const SSoFee functionFee = Fee(101, 3000);
  dialog->InitSoFee({functionFee, Fee(103, 2000, -500)}, {Prepay(201, 10000, "预存"), Prepay(202, 3000, "保底")});
  zpgui::ModalScript script;
  script.Then([&](QDialog&) {
    DoubleClickRow(0);
    Control<QPushButton>("btnOK").click();
  });
  script.Then(Grant("5"));
  EXPECT_EQ(ShowModal(*dialog), 1);
  EXPECT_EQ(script.Unexpected(), 0);

  SSoFeeList fees;
  SPrepayOperList prepays;
  EXPECT_EQ(dialog->GetSoFeeResult(fees, prepays), 1);
  EXPECT_EQ(fees, (SSoFeeList{functionFee, Fee(103, 2000, -500), DiscountEntry(functionFee, 301, -500, "老客户"),
                              PrepayFee(201, 10000, "预存"), PrepayFee(202, 3000, "保底")}));
  SPrepayOperList expected{Prepay(201, 10000, "预存"), Prepay(202, 3000, "保底")};
  for (SPrepayOper& p : expected) p.set_BOOK_ID(0);
  EXPECT_EQ(prepays, expected);

  // Pressing OK again must not charge the prepayments twice.
  Control<QPushButton>("btnOK").click();
  EXPECT_EQ(Fees().size(), 5u);
}

TEST_F(SoFee, CancelAndTheCloseBoxHandBackNothingToGoOnWith) {
  const SSoFeeList in{Fee(101, 3000)};
  const SPrepayOperList prepaysIn{Prepay(201, 10000, "预存")};
  for (bool closeBox : {false, true}) {
    TfrmSoFee one;
    one.InitSoFee(in, prepaysIn);
    zpgui::ModalScript script;
    script.Then([&](QDialog& d) {
      if (!closeBox) d.findChild<QPushButton*>("btnCancel")->click();
    });
    EXPECT_EQ(ShowModal(one), 2) << closeBox;
    SSoFeeList fees;
    SPrepayOperList prepays;
    EXPECT_EQ(one.GetSoFeeResult(fees, prepays), 2) << closeBox;
    EXPECT_EQ(fees, in) << "no prepayment folded in";
    EXPECT_EQ(prepays, prepaysIn);
  }
  SSoFeeList fees;
  SPrepayOperList prepays;
  EXPECT_EQ(dialog->GetSoFeeResult(fees, prepays), 2) << "cancelled from construction on";
}

// A catalogue that cannot be read is shown, and the rows are listed all the
// same, named by bare codes where the names are missing: OK hands back only
// amounts the operator was shown, and the totals are theirs.
TEST_F(SoFee, AFailedCatalogueCallIsShownAndTheRowsAreStillListed) {
  const zpd_fault fault{4712, 5, "目录故障", "产品服务暂不可用"};
  const struct {
    const zpd_operation* op;
    zpgui::GUIMessage shown;
    std::vector<Row> rows;
  } cases[] = {
      {&MBusiPublic::IBusiCatalogue_get_bookItems,
       {"获取营业用的科目名称列表出错\n[目录故障]\n[产品服务暂不可用]", "错误", 16},
       {{"101", "30.00", "-2.00", "[0]受理费"}, {"201", "100.00", "0.00", "[1]预付费"}}},
      {&MBusiPublic::IBusiCatalogue_get_accItemRel,
       {"获取优惠科目列表服务出错\n[目录故障]\n[产品服务暂不可用]", "错误", 16},
       {{"[101] 功能费", "30.00", "-2.00", "[0]受理费"}, {"201", "100.00", "0.00", "[1]预付费"}}},
      {&MBusiPublic::IBusiCatalogue_get_prepayItems,
       {"获取预付的科目名称列表出错\n[目录故障]\n[产品服务暂不可用]", "错误", 16},
       {{"[101] 功能费", "30.00", "-2.00", "[0]受理费"}, {"201", "100.00", "0.00", "[1]预付费"}}},
  };
  const SSoFeeList fees{Fee(101, 3000, -200)};
  for (const auto& c : cases) {
    world->fail(*c.op, fault);
    zpgui::MessageLog log;
    TfrmSoFee one;
    one.InitSoFee(fees, {Prepay(201, 10000, "预存")});
    world->dispatcher->clear_faults();
    EXPECT_EQ(log.Shown(), (std::vector<zpgui::GUIMessage>{c.shown})) << c.op->serviceCode;
    const QTreeWidget* list = one.findChild<QTreeWidget*>("lvSoFeeInfo");
    ASSERT_EQ(list->topLevelItemCount(), static_cast<int>(c.rows.size())) << c.op->serviceCode;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* item = list->topLevelItem(i);
      EXPECT_EQ((Row{item->text(0).toStdString(), item->text(1).toStdString(), item->text(2).toStdString(),
                     item->text(3).toStdString()}),
                c.rows[static_cast<std::size_t>(i)])
          << c.op->serviceCode;
    }
    EXPECT_EQ(one.findChild<QLineEdit*>("edTotalFee")->text(), "130.00") << c.op->serviceCode;
    EXPECT_EQ(one.findChild<QLineEdit*>("edRealFee")->text(), "128.00") << c.op->serviceCode;

    one.findChild<QPushButton*>("btnOK")->click();
    SSoFeeList out;
    SPrepayOperList prepays;
    EXPECT_EQ(one.GetSoFeeResult(out, prepays), 1);
    EXPECT_EQ(out, (SSoFeeList{Fee(101, 3000, -200), PrepayFee(201, 10000, "预存")})) << c.op->serviceCode;
  }
}

TEST_F(SoFee, NoCounterRelationsConfiguredIsAnError) {
  world = std::make_unique<BackendWorld>(Backend::sqlite, kNoCounterRelations);
  dialog->InitSoFee({Fee(101, 3000)}, {});
  EXPECT_EQ(messages.Shown(), (std::vector<zpgui::GUIMessage>{{"优惠科目不表没有配置!...", "错误", 16}}));
  EXPECT_EQ(Rows(), (std::vector<Row>{{"[101] 功能费", "30.00", "0.00", "[0]受理费"}}));
  // Nothing can be discounted without the relations.
  zpgui::ModalScript script;
  script.Then(Grant("5"));
  DoubleClickRow(0);
  EXPECT_EQ(Fees(), (SSoFeeList{Fee(101, 3000)}));
  EXPECT_EQ(messages.Shown().back(), (zpgui::GUIMessage{"没有配置优惠科目对应表.", "提示", 64}));
}

TEST_F(SoFee, AServiceThatCannotBeReachedIsShownWithTheLibrarysReason) {
  world.reset();
  CBusinessPublic probe;
  ASSERT_FALSE(probe.Init(0, 0, 0, 0, 0));
  dialog->InitSoFee({Fee(101, 3000)}, {Prepay(201, 100, "")});
  const std::string text = "服务初始化出错.\n[" + probe.LastError().text1 + "]\n[" + probe.LastError().text2 + "]";
  // The older message form adds its two flag words.
  EXPECT_EQ(messages.Shown(), (std::vector<zpgui::GUIMessage>{{text, "提示", 16 | 64}}));
  EXPECT_EQ(Rows(), (std::vector<Row>{{"101", "30.00", "0.00", "[0]受理费"}, {"201", "1.00", "0.00", "[1]预付费"}}));
  EXPECT_EQ(Shown(), (Totals{"31.00", "0.00", "31.00"}));
}

// The row shows the entry's whole discount; the dialog opens with it, and
// what the operator confirms is the whole discount, never a second one on
// top of the calculated one.
TEST_F(SoFee, AGrantOnACalculatedDiscountReplacesItAndConfirmingItUnchangedAddsNothing) {
  const SSoFee monthly = Fee(101, 1000, -200);
  dialog->InitSoFee({monthly}, {});
  zpgui::ModalScript script;
  script.Then([](QDialog& d) {
    EXPECT_EQ(d.findChild<QLineEdit*>("edDiscount")->text(), "2");
    d.findChild<QPushButton*>("btnOK")->click();  // confirmed unchanged
  });
  DoubleClickRow(0);
  EXPECT_EQ(Rows()[0], (Row{"[101] 功能费", "10.00", "-2", "[0]受理费"}));
  EXPECT_EQ(Shown(), (Totals{"10.00", "-2.00", "8.00"}));
  EXPECT_EQ(Fees(), (SSoFeeList{monthly}));

  script.Then(Grant("5", "老客户"));
  DoubleClickRow(0);
  EXPECT_EQ(Rows()[0], (Row{"[101] 功能费", "10.00", "-5", "[0]受理费"}));
  EXPECT_EQ(Shown(), (Totals{"10.00", "-5.00", "5.00"}));
  EXPECT_EQ(Fees(), (SSoFeeList{monthly, DiscountEntry(monthly, 301, -300, "老客户")}));

  script.Then(Grant("1"));  // less than the configured 2.00
  DoubleClickRow(0);
  EXPECT_EQ(messages.Shown().back(),
            (zpgui::GUIMessage{"该科目已有优惠2.00元,科目优惠不能少于已有的优惠,请重新输入.", "提示", 64}));
  EXPECT_EQ(Rows()[0], (Row{"[101] 功能费", "10.00", "-5", "[0]受理费"}));
  EXPECT_EQ(Fees(), (SSoFeeList{monthly, DiscountEntry(monthly, 301, -300, "老客户")}));
}

TEST_F(SoFee, GrantsOnRowsSharingADiscountItemAreEachKept) {
  // Two entries of 101 (→ 301), and 103 (→ 302) with 105 (→ 305).
  const SSoFeeList fees{Fee(101, 3000), Fee(101, 1000), Fee(103, 2000)};
  dialog->InitSoFee(fees, {});
  zpgui::ModalScript script;
  script.Then(Grant("5", "一"));
  DoubleClickRow(0);
  script.Then(Grant("2", "二"));
  DoubleClickRow(1);
  EXPECT_EQ(Rows(), (std::vector<Row>{{"[101] 功能费", "30.00", "-5", "[0]受理费"},
                                      {"[101] 功能费", "10.00", "-2", "[0]受理费"},
                                      {"[103] 手续费", "20.00", "0.00", "[0]受理费"}}));
  EXPECT_EQ(Shown(), (Totals{"60.00", "-7.00", "53.00"}));
  EXPECT_EQ(Fees(), (SSoFeeList{fees[0], fees[1], fees[2], DiscountEntry(fees[0], 301, -500, "一"),
                                DiscountEntry(fees[1], 301, -200, "二")}));
}

TEST_F(SoFee, TotalFieldsKeepTheMoneyFormat) {
  dialog->InitSoFee({Fee(101, 3000)}, {});
  QLineEdit& total = Control<QLineEdit>("edTotalFee");
  EXPECT_FALSE(zpgui::PassesKeyFilter(total, "1a"));
  EXPECT_FALSE(zpgui::PassesKeyFilter(total, "-1"));
  EXPECT_TRUE(zpgui::PassesKeyFilter(total, "12.5"));
  for (const char* name : {"edTotalFee", "edReduceFee", "edRealFee"}) {
    QLineEdit& edit = Control<QLineEdit>(name);
    EXPECT_EQ(edit.maxLength(), 10) << name;
    edit.setText("7.5");
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&edit, &out);
    EXPECT_EQ(edit.text(), "7.50") << name;
  }
}

TEST_F(SoFee, EnterMovesThroughTheControlsInTabOrderWithoutPressingOk) {
  dialog->InitSoFee({Fee(101, 3000)}, {});
  zpgui::ModalScript script;
  script.Then([&](QDialog&) {
    const char* chain[] = {"edTotalFee", "edReduceFee", "edRealFee", "btnOK", "btnCancel", "lvSoFeeInfo", "edTotalFee"};
    Control<QLineEdit>("edTotalFee").setFocus();
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i) {
      QWidget* from = dialog->focusWidget();
      ASSERT_TRUE(from);
      ASSERT_EQ(from->objectName().toStdString(), chain[i]);
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
      QCoreApplication::sendEvent(from, &press);
      EXPECT_TRUE(dialog->isVisible()) << "Enter on " << chain[i] << " pressed a button";
      EXPECT_EQ(dialog->focusWidget()->objectName().toStdString(), chain[i + 1]) << "Enter on " << chain[i];
    }
  });
  EXPECT_EQ(ShowModal(*dialog), 2);
}

}  // namespace


// Whatever the operator does in the dialog, the amount it says to collect is
// what the order books and what its invoice asks, to the fen. Fee sets are
// drawn from the demo catalogue (two fee items share one discount item),
// with calculated discounts, counts, a reduction item, the fixed-price item,
// rows the fee calculation already discounted, and prepayments; grants come
// in any order, are repeated, re-confirmed, cancelled or refused; OK is
// pressed more than once.
TEST_F(SoFee, CollectedIsBookedIsInvoicedForAnyFeeSet) {
  constexpr int kRounds = 80;
  world = std::make_unique<BackendWorld>(Backend::sqlite, "{}");
  zp::testing::loadDemo(*world->db, {"40-catalogue.json"});
  zp::store::loadFixtures(*world->db, zp::testing::manySubscribers(7001, kRounds));
  zp::store::loadFixtures(*world->db, R"({"book_items": [{"item_id": 27000003, "name": "固定减免"},
                                                        {"item_id": 22000002, "name": "SIM卡费"}]})");
  world->signIn(11);  // the operator of the orders
  CBusinessPublic lib;
  ASSERT_TRUE(lib.Init(1070, 571, 1, 110, 11));
  MVasDesk::IVasDesk desk;
  ASSERT_EQ(desk.bind_zpBroker("ZEPHYRON"), 0);

  int roundsWithGrants = 0;
  std::mt19937 random(20261210);
  const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    SSoFeeList fees;
    for (int n = pick(1, 5); n > 0; --n) {
      static const int kItems[] = {101, 102, 103, 103, 102, 27000003, 22000002};
      const int item = kItems[pick(0, 6)];
      SSoFee fee;
      if (item == 27000003) {
        fee = Fee(item, -pick(1, 5000));
      } else {
        const std::int64_t value = pick(0, 200000);
        fee = Fee(item, value, pick(0, 2) == 0 ? -pick(0, static_cast<int>(value)) : 0);
        const int count = pick(0, 3) == 0 ? 2 : 1;
        fee.set_ITEM_COUNT(count);
        fee.set_ITEM_TOTAL(value * count + fee.get_ITEM_DISCOUNT());
      }
      fees.push_back(fee);
    }
    if (pick(0, 4) == 0) fees.push_back(Fee(302, -pick(1, 300)));  // a discount the calculation booked
    SPrepayOperList prepays;
    for (int n = pick(0, 2); n > 0; --n) {
      int item = pick(0, 1) ? 201 : 202;
      if (!prepays.empty() && prepays[0].get_BOOK_ITEM_ID() == item) item = 403 - item;  // one prepayment an item
      prepays.push_back(Prepay(item, pick(1, 100000), "预存"));
    }
    // zpserver prices GPRS opening at this round's fee set, as if its
    // catalogue had offered it, so the order submitted below is one the
    // counter builds from the price it was given.
    zp::testing::priceGprsOpen(*world->db, fees, prepays);

    dialog = std::make_unique<TfrmSoFee>();
    zpgui::MessageLog log;
    dialog->InitSoFee(fees, prepays);
    const int rows = List().topLevelItemCount();
    zpgui::ModalScript script;
    script.Then([&](QDialog&) {
      for (int step = pick(2, 8); step > 0; --step) {
        const int row = pick(0, rows - 1);
        const std::string due = List().topLevelItem(row)->text(1).toStdString();
        const std::int64_t dueFen = StringToCurrency(due);
        const int how = pick(0, 4);
        zpgui::ModalScript grant;
        if (how == 0) {
          grant.Then(Grant(nullptr));  // cancelled
        } else if (how == 1) {
          grant.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });  // confirmed as shown
        } else {
          const std::int64_t whole = dueFen > 0 ? pick(1, static_cast<int>(std::min<std::int64_t>(dueFen, 1 << 30))) : 1;
          const std::string text = CurrencyToPlainText(whole);
          grant.Then([text](QDialog& d) { Grant(text.c_str())(d); });
        }
        DoubleClickRow(row);
      }
      for (int press = pick(1, 3); press > 0; --press) Control<QPushButton>("btnOK").click();
    });
    ASSERT_EQ(ShowModal(*dialog), 1);
    Control<QPushButton>("btnOK").click();  // once more, after the dialog closed
    const std::int64_t collected = StringToCurrency(Control<QLineEdit>("edRealFee").text().toStdString());

    SSoFeeList booked;
    SPrepayOperList prepaysOut;
    ASSERT_EQ(dialog->GetSoFeeResult(booked, prepaysOut), 1);
    ASSERT_GE(booked.size(), fees.size() + prepays.size());
    if (booked.size() > fees.size() + prepays.size()) ++roundsWithGrants;
    MVasDesk::SSoUserServiceIn in = zp::testing::gprsOpen(7001 + round);
    in.set_SOFEELIST(booked);
    MVasDesk::SSoUserServiceOut out;
    CBSErrorMsg err;
    ASSERT_EQ(desk.so_userService(in, out, err, nullptr), 0) << err.text2;
    const long long soNbr = out.get_SORESULTINFO().get_SO_NBR();
    const long long bookedFen = world->count(
        "SELECT COALESCE(SUM(amount), 0) FROM zp_order_line WHERE kind = 'fee' AND so_nbr = " + std::to_string(soNbr));

    zp::report::RecordTable invoice = zp::report::RecordTable::busiInvoice();
    invoice.open();
    ASSERT_TRUE(lib.PrintDataGetSoInvoice("13910000000", {}, out.get_SORESULTINFO(), out.get_TIKETINFOLIST(), "", 11,
                                          invoice))
        << lib.LastError().text2;
    const std::int64_t invoiced = StringToCurrency(invoice.get("totalFeeLower"));
    EXPECT_EQ(collected, bookedFen);
    EXPECT_EQ(bookedFen, invoiced);
    EXPECT_EQ(zpmoney::InvoiceTotal(out.get_TIKETINFOLIST()), invoiced);
  }
  // The draw must reach the grants, or the rounds prove little.
  EXPECT_GT(roundsWithGrants, kRounds / 4);
}
