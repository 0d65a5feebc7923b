#include "formShowDetail.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "MBusiDataMgnt.h"
#include "gui_message.h"
#include "modal.h"
#include "widget_driver.h"

namespace {

using zp::testing::SendKey;
using zp::testing::Type;
using zp::testing::TabOrder;
using zp::testing::FocusOnShow;
using zp::testing::Items;

MBusiDataMgnt::SCrbtsInfo Ring(const char* id, const char* name) {
  MBusiDataMgnt::SCrbtsInfo ring;
  ring.set_SONG_ID(id);
  ring.set_SONG_NAME(name);
  ring.set_REGION_CODE(571);
  return ring;
}

const MBusiDataMgnt::SCrbtsInfoList kRings{Ring("S100", "春天"), Ring("7", "夏日"), Ring("S1", "秋风")};

class ShowDetail : public ::testing::Test {
 protected:
  template <class W>
  W& Control(const char* name) {
    W* control = dialog.findChild<W*>(name);
    if (!control) throw std::runtime_error(std::string("no control ") + name);
    return *control;
  }
  QLineEdit& Phone() { return Control<QLineEdit>("edPhone"); }
  QComboBox& Mode() { return Control<QComboBox>("cmbValidMode"); }
  QComboBox& Songs() { return Control<QComboBox>("cmbSongId"); }

  int Run(std::function<void()> operatorSteps) {
    zpgui::ModalScript script;
    script.Then([&](QDialog&) { operatorSteps(); });
    const int result = ShowModal(dialog);
    EXPECT_EQ(script.Unexpected(), 0);
    return result;
  }

  struct Result {
    int code;
    int mode;
    std::string detail;
  };
  Result Read() {
    Result r{-9, -9, "untouched"};
    r.code = dialog.GetDetail(r.mode, r.detail);
    return r;
  }

  zpgui::MessageLog messages;
  TfrmShowDetail dialog;
};

}  // namespace

TEST_F(ShowDetail, ShowsItsControlsWithTheirCaptionsAndTabOrder) {
  EXPECT_EQ(dialog.objectName(), "frmShowDetail");
  EXPECT_EQ(dialog.windowTitle(), "输入");
  EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinimizeButtonHint) << "only the close box";
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint) << "only the close box";
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint) << "only the close box";
  auto& group = Control<QGroupBox>("gbInfo");
  for (const char* name : {"lblPhone", "edPhone", "lblSubstrMode", "cmbValidMode", "lblSongId", "cmbSongId"})
    EXPECT_TRUE(group.isAncestorOf(&Control<QWidget>(name))) << name << " sits in the group box";
  EXPECT_EQ(Control<QLabel>("lblPhone").text(), "请输入呼叫转移号码：");
  EXPECT_EQ(Control<QLabel>("lblSubstrMode").text(), "请选择生效方式：");
  EXPECT_EQ(Control<QLabel>("lblSongId").text(), "彩铃铃声：");
  EXPECT_EQ(Phone().maxLength(), 15);
  EXPECT_FALSE(Mode().isEditable());
  EXPECT_FALSE(Songs().isEditable());
  EXPECT_EQ(Items(Mode()), (std::vector<std::string>{"[0] 立即生效", "[1] 下周期生效"}));
  EXPECT_EQ(Items(Songs()), (std::vector<std::string>{"未开通", "已开通"}));
  // As created: mode and number shown, ring hidden.
  for (const char* name : {"lblPhone", "edPhone", "lblSubstrMode", "cmbValidMode"})
    EXPECT_FALSE(Control<QWidget>(name).isHidden()) << name;
  for (const char* name : {"lblSongId", "cmbSongId"}) EXPECT_TRUE(Control<QWidget>(name).isHidden()) << name;
  for (const char* name : {"btnOk", "btnCancel"}) {
    const auto& button = Control<QPushButton>(name);
    EXPECT_TRUE(button.text().isEmpty()) << name;
    EXPECT_FALSE(button.icon().isNull()) << name;
    EXPECT_FALSE(button.toolTip().isEmpty()) << name;
  }
  EXPECT_EQ(TabOrder(dialog, {"btnOk", "edPhone", "cmbValidMode", "cmbSongId", "btnCancel"}),
            (std::vector<std::string>{"btnOk", "edPhone", "cmbValidMode", "cmbSongId", "btnCancel"}));
  EXPECT_EQ(FocusOnShow(dialog), "btnOk");
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "the border is fixed";
}

TEST_F(ShowDetail, TheForwardingNumberTakesDigitsOnlyWhetherTypedOrPasted) {
  Type(Phone(), "+86 139-1234");
  EXPECT_EQ(Phone().text(), "861391234");
  Phone().clear();
  Type(Phone(), "12345678901234567");
  EXPECT_EQ(Phone().text(), "123456789012345") << "fifteen digits at most";

  Phone().clear();
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText("139 0000");
  SendKey(Phone(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Phone().text(), "");
  clipboard->setText("13900001111");
  SendKey(Phone(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Phone().text(), "13900001111");
}

// A forwarding number pasted whole or not at all: the field cut one that is
// too long to its first fifteen digits, and the product was ordered with
// another subscriber's number.
TEST_F(ShowDetail, AForwardingNumberTooLongForTheFieldIsNotPastedCutShort) {
  const struct {
    const char* before;
    bool selectAll;
    const char* clipboard;
    const char* after;
  } cases[] = {
      {"", false, "8613912345678901", ""},                      // sixteen digits
      {"", false, "139123456789012", "139123456789012"},        // fifteen go in
      {"1391234", false, "567890123", "1391234"},               // 7 + 9 do not fit
      {"1391234", false, "56789012", "139123456789012"},        // 7 + 8 do
      {"139000011112222", true, "13800001111", "13800001111"},  // replaces the selection
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.clipboard) + " onto " + c.before);
    TfrmShowDetail fresh;
    fresh.SetDetail(2, 0, c.before);
    QLineEdit& phone = *fresh.findChild<QLineEdit*>("edPhone");
    zp::testing::Paste(phone, c.clipboard, c.selectAll);
    EXPECT_EQ(phone.text().toStdString(), c.after);

    zpgui::ModalScript script;
    script.Then([&](QDialog& d) { d.findChild<QPushButton*>("btnOk")->click(); });
    ASSERT_EQ(ShowModal(fresh), 1);
    int mode = -9;
    std::string detail = "untouched";
    EXPECT_EQ(fresh.GetDetail(mode, detail), 1);
    EXPECT_EQ(detail, c.after) << "no number cut short is confirmed";
  }
}

TEST_F(ShowDetail, EachDetailTypeShowsItsControls) {
  struct Case {
    int type;
    bool mode, number, ring;
  } const cases[] = {
      {1, true, false, false}, {2, false, true, false}, {3, true, true, false},
      {4, true, false, true},  {5, false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.type));
    TfrmShowDetail fresh;
    fresh.SetDetail(c.type, 0, "");
    const auto shown = [&](const char* name) { return !fresh.findChild<QWidget*>(name)->isHidden(); };
    EXPECT_EQ(shown("lblSubstrMode"), c.mode);
    EXPECT_EQ(shown("cmbValidMode"), c.mode);
    EXPECT_EQ(shown("lblPhone"), c.number);
    EXPECT_EQ(shown("edPhone"), c.number);
    EXPECT_EQ(shown("lblSongId"), c.ring);
    EXPECT_EQ(shown("cmbSongId"), c.ring);
  }
}

TEST_F(ShowDetail, AnUnknownTypeLeavesTheControlsAsTheyAre) {
  for (int type : {0, 6, -1}) {
    SCOPED_TRACE("type " + std::to_string(type));
    TfrmShowDetail fresh;
    fresh.SetDetail(type, 1, "13900001111");
    EXPECT_FALSE(fresh.findChild<QWidget*>("edPhone")->isHidden());
    EXPECT_FALSE(fresh.findChild<QWidget*>("cmbValidMode")->isHidden());
    EXPECT_TRUE(fresh.findChild<QWidget*>("cmbSongId")->isHidden());
    int mode = -1;
    std::string detail;
    fresh.GetDetail(mode, detail);
    EXPECT_EQ(detail, "13900001111") << "the number is shown, so it carries the detail";
    EXPECT_EQ(mode, 1);
  }
}

TEST_F(ShowDetail, RingsAreListedInOrderWithTheFirstSelected) {
  dialog.LoadRings(kRings);
  EXPECT_EQ(Items(Songs()), (std::vector<std::string>{"[S100] 春天", "[7] 夏日", "[S1] 秋风"}));
  EXPECT_EQ(Songs().currentIndex(), 0);
  dialog.LoadRings({Ring("9", "冬雪")});
  EXPECT_EQ(Items(Songs()), std::vector<std::string>{"[9] 冬雪"}) << "loading replaces, never appends";
}

TEST_F(ShowDetail, TheCurrentRingCodeSelectsItsSongOrNone) {
  struct Case {
    int type;
    int mode;
    const char* code;
    const char* selected;
    const char* returned;
  } const cases[] = {
      {4, 1, "7", "[7] 夏日", "7"},
      {4, 0, "S1", "[S1] 秋风", "S1"},  // a whole code, not a prefix of another
      {5, 0, "S100", "[S100] 春天", "S100"},
      {4, 1, "S10", "", ""},  // matches no song
      {4, 1, "", "", ""},
      {5, 1, "8", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("type ") + std::to_string(c.type) + ", code " + c.code);
    TfrmShowDetail fresh;
    fresh.LoadRings(kRings);
    fresh.SetDetail(c.type, c.mode, c.code);
    const auto& songs = *fresh.findChild<QComboBox*>("cmbSongId");
    EXPECT_EQ(songs.currentText().toStdString(), c.selected);
    int mode = -1;
    std::string detail = "untouched";
    EXPECT_EQ(fresh.GetDetail(mode, detail), 0) << "nothing confirmed yet";
    EXPECT_EQ(detail, c.returned);
    EXPECT_EQ(mode, c.mode);
  }
}

TEST_F(ShowDetail, AnEmptyRingListGivesNoRing) {
  dialog.LoadRings({});
  EXPECT_EQ(Songs().count(), 0) << "the design-time items are gone";
  dialog.SetDetail(4, 0, "7");
  const int result = Run([&] { Control<QPushButton>("btnOk").click(); });
  EXPECT_EQ(result, 1);
  const Result r = Read();
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.detail, "");
}

TEST_F(ShowDetail, ADesignTimeItemWithoutBracketsGivesNoRing) {
  dialog.SetDetail(5, 0, "x");
  Songs().setCurrentIndex(1);  // "已开通"
  EXPECT_EQ(Read().detail, "");
}

TEST_F(ShowDetail, ANumberTypeGivesTheNumberAsTypedAndTheHiddenModeAsItStands) {
  dialog.LoadRings(kRings);
  dialog.SetDetail(2, 1, "13900001111");
  EXPECT_EQ(Phone().text(), "13900001111");
  EXPECT_EQ(Songs().currentIndex(), 0) << "the ring list is left alone when the number carries the detail";
  const int result = Run([&] {
    Phone().clear();
    Type(Phone(), "02088886666");
    Control<QPushButton>("btnOk").click();
  });
  EXPECT_EQ(result, 1);
  const Result r = Read();
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.detail, "02088886666");
  EXPECT_EQ(r.mode, 1) << "whatever the hidden mode list holds";
}

TEST_F(ShowDetail, OkConfirmsWithoutCheckingAndAnEmptyNumberComesBackEmpty) {
  dialog.SetDetail(3, 0, "13900001111");
  const int result = Run([&] {
    Phone().clear();
    Mode().setCurrentIndex(1);
    Control<QPushButton>("btnOk").click();
  });
  EXPECT_EQ(result, 1);
  const Result r = Read();
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.detail, "");
  EXPECT_EQ(r.mode, 1);
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(ShowDetail, CancelAndEscapeGiveTwoTheCloseBoxGivesZero) {
  const struct {
    const char* how;
    std::function<void(TfrmShowDetail&)> act;
    int result;
  } ways[] = {
      {"cancel button", [](TfrmShowDetail& d) { d.findChild<QPushButton*>("btnCancel")->click(); }, 2},
      {"Escape in the number", [](TfrmShowDetail& d) { SendKey(*d.findChild<QLineEdit*>("edPhone"), Qt::Key_Escape); },
       2},
      {"close box", [](TfrmShowDetail& d) { d.close(); }, 0},
      {"left open", [](TfrmShowDetail&) {}, 0},  // the script closes it as by the close box
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.how);
    TfrmShowDetail fresh;
    fresh.SetDetail(3, 0, "13900001111");
    zpgui::ModalScript script;
    script.Then([&](QDialog&) { way.act(fresh); });
    EXPECT_EQ(ShowModal(fresh), way.result);
    int mode = -1;
    std::string detail;
    EXPECT_EQ(fresh.GetDetail(mode, detail), way.result);
    EXPECT_FALSE(fresh.isVisible());
  }
}

TEST_F(ShowDetail, EnterPressesNoButton) {
  dialog.SetDetail(3, 0, "");
  const int result = Run([&] {
    SendKey(Phone(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible()) << "only the buttons end the dialog";
    Control<QPushButton>("btnCancel").click();
  });
  EXPECT_EQ(result, 2);
}

TEST(ShowDetailWindow, OpensCentredOnTheMainWindow) {
  QWidget mainWindow;
  mainWindow.setGeometry(40, 60, 900, 700);
  mainWindow.show();
  QWidget child(&mainWindow);  // opened from a frame inside the main window
  TfrmShowDetail dialog(&child);
  const QPoint offset = dialog.geometry().center() - mainWindow.geometry().center();
  EXPECT_LE(offset.manhattanLength(), 2) << "off by " << offset.x() << ", " << offset.y();
}
