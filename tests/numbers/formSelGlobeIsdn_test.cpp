#include "formSelGlobeIsdn.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "backend_world.h"
#include "gui_message.h"
#include "modal.h"
#include "scoped_env.h"
#include "vasdesk_service.h"
#include "wait_box.h"
#include "wiretap.h"
#include "widget_driver.h"

using MVasDesk::SQueryResListIn;
using MVasDesk::SQueryResListOut;
using zp::store::Backend;
using zp::testing::BackendWorld;

namespace {

using zp::testing::SendKey;
using zp::testing::Type;

// 101 free numbers, 55100000 to 55100100, in the operator's region; a few
// of another region that the operator must never see.
const char* kPool = R"({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1}],
  "number_ranges": [{"first": "55100000", "count": 101, "region_code": 571},
                    {"first": "55100200", "count": 5, "region_code": 572}]
})";

std::string Number(int k) { return std::to_string(55100000 + k); }

const zpgui::GUIMessage kEndBelowStart{"结束号码不能小于起始号码！", "提示", 64};
const zpgui::GUIMessage kNothingFound{"没有查询到数据...", "提示", 64};
const zpgui::GUIMessage kChooseFirst{"请您选择想使用的号码再确定!", "提示", 64};
const std::vector<std::string> kOneQueryWait{"+正在查询可用资源", "-"};

// A real click (and, for `twice`, the double click that follows it) on a
// cell, as the mouse delivers it to the grid.
void ClickCell(QTableWidget& grid, int row, int column, bool twice = false) {
  const QModelIndex index = grid.model()->index(row, column);
  grid.scrollTo(index);
  const QPointF at = grid.visualRect(index).center();
  const QPointF global = grid.viewport()->mapToGlobal(at);
  const auto send = [&](QEvent::Type type) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, global, Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(grid.viewport(), &event);
  };
  send(QEvent::MouseButtonPress);
  send(QEvent::MouseButtonRelease);
  if (twice) {
    send(QEvent::MouseButtonDblClick);
    send(QEvent::MouseButtonRelease);
  }
}

class SelGlobeIsdn : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dialog.InitSelect(1302, 571, 1, 110, 11)); }

  template <class W>
  W& Control(const char* name) {
    W* control = dialog.findChild<W*>(name);
    if (!control) throw std::runtime_error(std::string("no control ") + name);
    return *control;
  }
  QLineEdit& Edit(const char* name) { return Control<QLineEdit>(name); }
  QTableWidget& Grid() { return Control<QTableWidget>("sgIsdn"); }
  QString Selected() { return Edit("edSelectedMsisdn").text(); }

  void Query(const QString& start, const QString& end, const QString& quantity) {
    Edit("edStartIsdn").setText(start);
    Edit("edEndIsdn").setText(end);
    Edit("edNumber").setText(quantity);
    Control<QPushButton>("btnQuery").click();
  }
  void NextPage() { Control<QToolButton>("spbNextPage").click(); }
  void PreviousPage() { Control<QToolButton>("spbPrePage").click(); }

  // The grid's fifty cells row by row; "" where a cell shows nothing.
  std::vector<std::string> Cells() {
    std::vector<std::string> cells;
    for (int row = 0; row < Grid().rowCount(); ++row) {
      for (int column = 0; column < Grid().columnCount(); ++column) {
        const QTableWidgetItem* item = Grid().item(row, column);
        cells.push_back(item ? item->text().toStdString() : std::string());
      }
    }
    return cells;
  }
  // What page `page` of the 101 numbers must look like.
  static std::vector<std::string> PageOfPool(int page) {
    std::vector<std::string> cells(50);
    for (int k = 0; k < 50 && page * 50 + k <= 100; ++k) cells[k] = Number(page * 50 + k);
    return cells;
  }

  // Shows the dialog modally with `operatorSteps` acting in it; the
  // dialog's result as ShowModal returns it.
  int Run(std::function<void()> operatorSteps) {
    zpgui::ModalScript script;
    script.Then([&](QDialog&) { operatorSteps(); });
    const int result = ShowModal(dialog);
    EXPECT_EQ(script.Unexpected(), 0);
    return result;
  }

  BackendWorld world{Backend::sqlite, kPool};
  zpgui::MessageLog messages;
  zpgui::WaitBoxLog waits;
  TfrmSelGlobeIsdn dialog;
};

// A wiretap on query_resList that lets the real pool answer.
struct QueryTap {
  explicit QueryTap(BackendWorld& world)
      : service(std::make_shared<zp::backend::VasDeskService>(*world.db)),
        tap(*world.dispatcher, MVasDesk::IVasDesk_query_resList,
            [s = service](const SQueryResListIn& in, SQueryResListOut& out, CBSErrorMsg& err) {
              return s->query_resList(in, out, err);
            }) {}
  std::shared_ptr<zp::backend::VasDeskService> service;
  zp::testing::Wiretap<SQueryResListIn, SQueryResListOut> tap;
};

}  // namespace

TEST_F(SelGlobeIsdn, InitSelectFailsWhenTheBrokerCannotBeReached) {
  zp::testing::ScopedEnv nowhere("ZP_BROKER_ZEPHYRON", "inproc:no-such-world");
  TfrmSelGlobeIsdn unbound;
  EXPECT_FALSE(unbound.InitSelect(1302, 571, 1, 110, 11));
}

TEST_F(SelGlobeIsdn, ShowsItsControlsWithTheirCaptions) {
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "选择新号码");
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "the border is fixed";
  EXPECT_EQ(Control<QGroupBox>("gpbSelGlobeIsdn").title(), "查询条件");
  EXPECT_EQ(Control<QLabel>("lblStartGSM").text(), "号  码：");
  EXPECT_EQ(Control<QLabel>("Label1").text(), "--");
  EXPECT_EQ(Control<QLabel>("lblNumber").text(), "数   量：");
  EXPECT_EQ(Control<QLabel>("lblSelectedGSM").text(), "当前选择号码：");
  EXPECT_EQ(Control<QToolButton>("spbPrePage").text(), "上页");
  EXPECT_EQ(Control<QToolButton>("spbNextPage").text(), "下页");
  EXPECT_EQ(Edit("edNumber").maxLength(), 3);
  EXPECT_TRUE(Edit("edSelectedMsisdn").isReadOnly());
  EXPECT_TRUE(Control<QWidget>("pnlToolbar").isVisible());
  ASSERT_EQ(Grid().rowCount(), 10);
  ASSERT_EQ(Grid().columnCount(), 5);
  for (int column = 0; column < 5; ++column)
    EXPECT_EQ(Grid().horizontalHeaderItem(column)->text(), "备选号码") << "column " << column;
  EXPECT_EQ(Cells(), std::vector<std::string>(50)) << "empty before the first query";
  for (const char* name : {"btnQuery", "btnOK", "btnCancel"}) {
    const auto& button = Control<QPushButton>(name);
    EXPECT_TRUE(button.text().isEmpty()) << name;
    EXPECT_FALSE(button.icon().isNull()) << name;
    EXPECT_FALSE(button.toolTip().isEmpty()) << name;
  }
}

TEST_F(SelGlobeIsdn, RangeAndQuantityReachThePoolAsEightCharacterTexts) {
  QueryTap wire(world);
  struct Case {
    const char* start;
    const char* end;
    const char* quantity;
    const char* startNo;
    const char* endNo;
    int maxNum;
  };
  const Case cases[] = {
      {"", "", "", "00000000", "99999999", 100},
      {"5510", "", "", "55100000", "55109999", 100},
      {"551000071", "55101", "5", "55100007", "55101999", 5},
      {"5510", "", "0", "55100000", "55109999", 0},
  };
  for (const Case& c : cases) {
    Query(c.start, c.end, c.quantity);
    ASSERT_GT(wire.tap.Count(), 0u);
    const SQueryResListIn& in = wire.tap.Last();
    EXPECT_EQ(in.get_START_NO(), c.startNo) << c.start << "-" << c.end;
    EXPECT_EQ(in.get_END_NO(), c.endNo) << c.start << "-" << c.end;
    EXPECT_EQ(in.get_MAX_NUM(), c.maxNum) << c.start << "-" << c.end;
  }
  EXPECT_EQ(wire.tap.Count(), std::size(cases));

  // The rest of the request is the caller's context and the pool's fixed
  // selectors; the agent and the resource code are not sent at all.
  const SQueryResListIn& in = wire.tap.Last();
  EXPECT_EQ(in.get_BUSI_CODE(), 1302);
  EXPECT_EQ(in.get_REGION_CODE(), 571);
  EXPECT_EQ(in.get_COUNTY_CODE(), 1);
  EXPECT_EQ(in.get_ORG_ID(), 110);
  EXPECT_EQ(in.get_OP_ID(), 11);
  EXPECT_EQ(in.get_BRAND(), 0);
  EXPECT_EQ(in.get_RES_TYPE(), 30);
  EXPECT_EQ(in.get_RES_STS(), 1);
  using R = SQueryResListIn;
  EXPECT_EQ(in.UsedMarker, zp::testing::Fields({R::kIdx_BUSI_CODE, R::kIdx_REGION_CODE, R::kIdx_COUNTY_CODE,
                                                R::kIdx_ORG_ID, R::kIdx_OP_ID, R::kIdx_BRAND, R::kIdx_RES_TYPE,
                                                R::kIdx_MAX_NUM, R::kIdx_START_NO, R::kIdx_END_NO,
                                                R::kIdx_RES_STS}));
}

TEST_F(SelGlobeIsdn, EmptyQuantityShowsAHundredNumbersOnTwoPages) {
  Query("", "", "");
  EXPECT_EQ(Cells(), PageOfPool(0));
  NextPage();
  EXPECT_EQ(Cells(), PageOfPool(1));
  NextPage();  // the 101st number was not asked for
  EXPECT_EQ(Cells(), PageOfPool(1));
  EXPECT_TRUE(messages.Shown().empty());
  EXPECT_EQ(waits.Events(), kOneQueryWait);
}

TEST_F(SelGlobeIsdn, EndBelowStartIsRefusedBeforeAnythingIsSent) {
  QueryTap wire(world);
  Run([&] {
    Query("", "", "");
    ClickCell(Grid(), 0, 1);
    ASSERT_EQ(Selected().toStdString(), Number(1));
    Edit("edNumber").setFocus();
    const std::size_t sent = wire.tap.Count();

    Query("55100007", "5509", "");
    EXPECT_EQ(messages.Shown(), std::vector<zpgui::GUIMessage>{kEndBelowStart});
    EXPECT_EQ(dialog.focusWidget(), &Edit("edEndIsdn"));
    EXPECT_EQ(wire.tap.Count(), sent);
    EXPECT_EQ(waits.Events(), kOneQueryWait) << "no second wait box";
    // The refused query still cleared the last one's numbers and choice.
    EXPECT_EQ(Cells(), std::vector<std::string>(50));
    EXPECT_TRUE(Selected().isEmpty());
    Control<QPushButton>("btnOK").click();
    EXPECT_TRUE(dialog.isVisible());
  });
}

TEST_F(SelGlobeIsdn, HundredAndOneNumbersPageFiftyAtATime) {
  Query("", "", "101");
  EXPECT_EQ(Cells(), PageOfPool(0));
  PreviousPage();  // already on the first page
  EXPECT_EQ(Cells(), PageOfPool(0));
  NextPage();
  EXPECT_EQ(Cells(), PageOfPool(1));
  NextPage();
  ASSERT_EQ(Cells(), PageOfPool(2));
  EXPECT_EQ(Cells()[0], "55100100");
  NextPage();  // already on the last page
  EXPECT_EQ(Cells(), PageOfPool(2));
  PreviousPage();
  EXPECT_EQ(Cells(), PageOfPool(1));
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(SelGlobeIsdn, PageButtonsDoNothingBeforeTheFirstQuery) {
  NextPage();
  PreviousPage();
  EXPECT_EQ(Cells(), std::vector<std::string>(50));
}

TEST_F(SelGlobeIsdn, NumberPickedOnOnePageIsReturnedAfterPaging) {
  MVasDesk::SResInfo chosen;
  const int result = Run([&] {
    Query("", "", "101");
    ClickCell(Grid(), 1, 2);
    EXPECT_EQ(Selected().toStdString(), Number(7));
    NextPage();
    EXPECT_EQ(Selected().toStdString(), Number(7));
    Control<QPushButton>("btnOK").click();
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(dialog.GetSelected(chosen), 1);
  EXPECT_EQ(chosen.get_RES_ID(), Number(7));
  EXPECT_EQ(chosen.get_RES_CODE(), 1);
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(SelGlobeIsdn, DoubleClickOnALaterPageChoosesThatPagesNumber) {
  MVasDesk::SResInfo chosen;
  const int result = Run([&] {
    Query("", "", "101");
    NextPage();
    ClickCell(Grid(), 9, 4);
    EXPECT_EQ(Selected().toStdString(), Number(99));
    NextPage();
    ClickCell(Grid(), 0, 0, true);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(dialog.GetSelected(chosen), 1);
  EXPECT_EQ(chosen.get_RES_ID(), Number(100));
}

TEST_F(SelGlobeIsdn, EmptyCellPicksNothingAndOkThenAsksForANumber) {
  MVasDesk::SResInfo chosen;
  chosen.set_RES_ID("untouched");
  const int result = Run([&] {
    Query("", "", "101");
    ClickCell(Grid(), 0, 3);
    NextPage();
    NextPage();
    ClickCell(Grid(), 0, 1, true);  // past the last number
    EXPECT_TRUE(dialog.isVisible()) << "a double click on nothing does not close";
    EXPECT_TRUE(Selected().isEmpty());
    Control<QPushButton>("btnOK").click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(messages.Shown(), std::vector<zpgui::GUIMessage>{kChooseFirst});
  });
  EXPECT_EQ(result, 2);
  EXPECT_EQ(dialog.GetSelected(chosen), 2);
  EXPECT_EQ(chosen.get_RES_ID(), "untouched");
}

TEST_F(SelGlobeIsdn, EscapeCloseBoxAndCancelAllCancelAPickedNumber) {
  const std::vector<std::pair<const char*, std::function<void()>>> ways = {
      {"Escape", [&] { SendKey(Edit("edStartIsdn"), Qt::Key_Escape); }},
      {"close box", [&] { dialog.close(); }},
      {"btnCancel", [&] { Control<QPushButton>("btnCancel").click(); }},
  };
  for (const auto& [way, cancel] : ways) {
    MVasDesk::SResInfo chosen;
    chosen.set_RES_ID("untouched");
    const int result = Run([&] {
      Query("", "", "");
      ClickCell(Grid(), 0, 0);
      ASSERT_FALSE(Selected().isEmpty());
      cancel();
      EXPECT_FALSE(dialog.isVisible()) << way;
    });
    EXPECT_EQ(result, 2) << way;
    EXPECT_EQ(dialog.GetSelected(chosen), 2) << way;
    EXPECT_EQ(chosen.get_RES_ID(), "untouched") << way;
  }
}

TEST_F(SelGlobeIsdn, NothingFoundIsANotice) {
  Query("66", "", "");
  EXPECT_EQ(messages.Shown(), std::vector<zpgui::GUIMessage>{kNothingFound});
  EXPECT_EQ(Cells(), std::vector<std::string>(50));
  EXPECT_EQ(waits.Events(), kOneQueryWait);
  EXPECT_TRUE(waits.Balanced());
}

TEST_F(SelGlobeIsdn, FailedQueryQuotesBothErrorTextsAndEmptiesTheGrid) {
  Run([&] {
    Query("", "", "");
    ClickCell(Grid(), 0, 0);
    ASSERT_FALSE(Selected().isEmpty());

    world.fail(MVasDesk::IVasDesk_query_resList, zpd_fault{1001, 7, "号码查询", "资源库忙"});
    Query("", "", "");
    ASSERT_EQ(messages.Shown().size(), 1u);
    const zpgui::GUIMessage& shown = messages.Shown()[0];
    EXPECT_EQ(shown.text, "异常:调用后台服务查询资源失败!,\n[资源库忙!]\n[号码查询!]");
    EXPECT_EQ(shown.caption, "异常");
    EXPECT_EQ(shown.flags, 16);
    EXPECT_EQ(Cells(), std::vector<std::string>(50));
    EXPECT_TRUE(Selected().isEmpty());
    NextPage();
    EXPECT_EQ(Cells(), std::vector<std::string>(50)) << "the old pages are gone";
  });
  EXPECT_EQ(waits.Events(), (std::vector<std::string>{"+正在查询可用资源", "-", "+正在查询可用资源", "-"}));
}

TEST_F(SelGlobeIsdn, RangeAndQuantityEditsTakeDigitsAndEditingKeysOnly) {
  Run([&] {
    for (const char* name : {"edStartIsdn", "edEndIsdn", "edNumber"}) {
      QLineEdit& edit = Edit(name);
      edit.clear();
      edit.setFocus();
      Type(edit, "1a2-B 3");
      EXPECT_EQ(edit.text(), "123") << name;
      SendKey(edit, Qt::Key_Backspace);
      EXPECT_EQ(edit.text(), "12") << name;
      SendKey(edit, Qt::Key_A, Qt::ControlModifier);
      SendKey(edit, Qt::Key_C, Qt::ControlModifier);
      EXPECT_EQ(QApplication::clipboard()->text(), "12") << name;
      SendKey(edit, Qt::Key_X, Qt::ControlModifier);
      EXPECT_EQ(edit.text(), "") << name;
      SendKey(edit, Qt::Key_V, Qt::ControlModifier);
      EXPECT_EQ(edit.text(), "12") << name;
    }
  });
}

TEST_F(SelGlobeIsdn, EnterMovesThroughTheControlsInTabOrder) {
  Run([&] {
    const char* chain[] = {"edStartIsdn", "edEndIsdn", "edNumber", "btnQuery",   "btnOK",
                           "btnCancel",   "edSelectedMsisdn",      "sgIsdn",     "edStartIsdn"};
    Edit("edStartIsdn").setFocus();
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i) {
      QWidget* from = dialog.focusWidget();
      ASSERT_TRUE(from);
      ASSERT_EQ(from->objectName().toStdString(), chain[i]);
      SendKey(*from, Qt::Key_Return);
      EXPECT_TRUE(dialog.isVisible()) << "Enter on " << chain[i] << " pressed nothing";
      EXPECT_EQ(dialog.focusWidget()->objectName().toStdString(), chain[i + 1]) << "Enter on " << chain[i];
    }
    EXPECT_TRUE(messages.Shown().empty()) << "Enter on btnOK did not press it";
  });
}

namespace {

TEST_F(SelGlobeIsdn, APasteThatIsNotDigitsIsRefusedWhole) {
  Run([&] {
    for (const char* name : {"edStartIsdn", "edEndIsdn", "edNumber"}) {
      QLineEdit& edit = Edit(name);
      edit.clear();
      edit.setFocus();
      for (const auto& [pasted, kept] : {std::pair{"1a2", ""}, std::pair{"1 2", ""}, std::pair{"12", "12"}}) {
        QApplication::clipboard()->setText(pasted);
        SendKey(edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit.text().toStdString(), kept) << name << " " << pasted;
      }
    }
  });
}

// The arrows move the pick: the number in the selected-number field is the
// one the grid shows selected, and Enter-free OK takes it.
TEST_F(SelGlobeIsdn, TheSelectionFollowsTheArrowKeys) {
  MVasDesk::SResInfo chosen;
  const int result = Run([&] {
    Query("", "", "");
    ClickCell(Grid(), 0, 0);
    ASSERT_EQ(Selected().toStdString(), Number(0));
    Grid().setFocus();
    SendKey(Grid(), Qt::Key_Right);
    EXPECT_EQ(Selected().toStdString(), Number(1));
    SendKey(Grid(), Qt::Key_Down);
    const QTableWidgetItem* shown = Grid().currentItem();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(Selected(), shown->text());
    Control<QPushButton>("btnOK").click();
  });
  EXPECT_EQ(result, 1);
  ASSERT_EQ(dialog.GetSelected(chosen), 1);
  EXPECT_EQ(chosen.get_RES_ID(), Grid().currentItem()->text().toStdString());
  EXPECT_NE(chosen.get_RES_ID(), Number(0));
}

}  // namespace
