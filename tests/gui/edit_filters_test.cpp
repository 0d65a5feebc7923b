#include "edit_filters.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Handler = void (*)(QLineEdit&, char32_t&);

void SendKey(QLineEdit& edit, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QCoreApplication::sendEvent(&edit, &press);
}

void Type(QLineEdit& edit, const QString& text) {
  for (QChar c : text) SendKey(edit, Qt::Key_unknown, Qt::NoModifier, QString(c));
}

void Paste(QLineEdit& edit) { SendKey(edit, Qt::Key_V, Qt::ControlModifier, QString()); }

}  // namespace

TEST(EditFilters, EachFilterKeepsItsCharactersAndTheEditingKeys) {
  struct Case {
    const char* filter;
    Handler handler;
    QString text;  // in the edit, with the cursor at its end
    int select_from, select_length;
    char32_t key;
    bool passes;
  };
  const Handler digits = OnEditKeyPress, deci = OnEditKeyPressDeciPoint, ident = OnEditKeyPressTraverseChar,
                phone = OnEditKeyPressTraverse, email = OnEditKeyPressEmail;
  const Case cases[] = {
      {"digits", digits, "", -1, 0, U'0', true},
      {"digits", digits, "", -1, 0, U'9', true},
      {"digits", digits, "", -1, 0, U'a', false},
      {"digits", digits, "", -1, 0, U'.', false},
      {"digits", digits, "", -1, 0, U'-', false},
      {"digits", digits, "", -1, 0, U' ', false},
      {"digits", digits, "", -1, 0, U'中', false},
      {"digits", digits, "", -1, 0, U'１', false},  // full width
      {"digits", digits, "", -1, 0, 8, true},
      {"digits", digits, "", -1, 0, 1, true},
      {"digits", digits, "", -1, 0, 3, true},
      {"digits", digits, "", -1, 0, 22, true},
      {"digits", digits, "", -1, 0, 24, true},
      {"digits", digits, "", -1, 0, 26, false},  // Ctrl+Z
      {"deci", deci, "12", -1, 0, U'.', true},
      {"deci", deci, "1.2", -1, 0, U'.', false},
      {"deci", deci, "1.2", 1, 1, U'.', true},  // typing over the point
      {"deci", deci, "1.2", 0, 1, U'.', false},
      {"deci", deci, "1.2", -1, 0, U'7', true},
      {"deci", deci, "1.2", -1, 0, U'e', false},
      {"deci", deci, "1.2", -1, 0, 8, true},
      {"deci", deci, "1.2", -1, 0, U',', false},
      {"ident", ident, "3301", -1, 0, U'X', true},
      {"ident", ident, "3301", -1, 0, U'x', true},
      {"ident", ident, "3301", -1, 0, U'7', true},
      {"ident", ident, "3301", -1, 0, U'-', false},
      {"ident", ident, "3301", -1, 0, U'@', false},
      {"ident", ident, "3301", -1, 0, U'号', false},
      {"ident", ident, "3301", -1, 0, 22, true},
      {"phone", phone, "0571", -1, 0, U'-', true},
      {"phone", phone, "0571", -1, 0, U'3', true},
      {"phone", phone, "0571", -1, 0, U'a', false},
      {"phone", phone, "0571", -1, 0, U'+', false},
      {"phone", phone, "0571", -1, 0, U' ', false},
      {"phone", phone, "0571", -1, 0, 8, true},
      {"email", email, "ab", -1, 0, U'@', true},
      {"email", email, "a@b", -1, 0, U'@', false},
      {"email", email, "a@b", 1, 1, U'@', true},
      {"email", email, "a@b", -1, 0, U'.', true},
      {"email", email, "a@b", -1, 0, U'_', true},
      {"email", email, "a@b", -1, 0, U'-', true},
      {"email", email, "a@b", -1, 0, U'+', true},
      {"email", email, "a@b", -1, 0, U'Z', true},
      {"email", email, "a@b", -1, 0, U'0', true},
      {"email", email, "a@b", -1, 0, U' ', false},
      {"email", email, "a@b", -1, 0, U',', false},
      {"email", email, "a@b", -1, 0, U'邮', false},
      {"email", email, "a@b", -1, 0, 24, true},
  };
  for (const Case& c : cases) {
    QLineEdit edit(c.text);
    if (c.select_from >= 0) edit.setSelection(c.select_from, c.select_length);
    char32_t key = c.key;
    c.handler(edit, key);
    EXPECT_EQ(key != 0, c.passes) << c.filter << " on \"" << c.text.toStdString() << "\" key "
                                  << static_cast<unsigned>(c.key);
    if (key != 0) {
      EXPECT_EQ(key, c.key);
    }
  }
}

TEST(EditFilters, KeyEventsTranslateToTheCodesHandlersSee) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    int code;
  };
  const Case cases[] = {
      {Qt::Key_5, Qt::NoModifier, "5", '5'},
      {Qt::Key_Backspace, Qt::NoModifier, "\b", 8},
      {Qt::Key_V, Qt::ControlModifier, "\x16", 22},
      {Qt::Key_A, Qt::ControlModifier, "", 1},
      {Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier, "", 24},
      {Qt::Key_Left, Qt::ControlModifier, "", -1},
      {Qt::Key_Return, Qt::NoModifier, "\r", -1},
      {Qt::Key_Tab, Qt::NoModifier, "\t", -1},
      {Qt::Key_Escape, Qt::NoModifier, "\x1b", -1},
      {Qt::Key_Delete, Qt::NoModifier, "\x7f", -1},
      {Qt::Key_Left, Qt::NoModifier, "", -1},
      {Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier, "@", '@'},  // AltGr
      {Qt::Key_unknown, Qt::NoModifier, "中", 0x4E2D},
  };
  for (const Case& c : cases) {
    const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers, c.text);
    EXPECT_EQ(zpgui::TypedKey(event), c.code) << c.key;
  }
}

TEST(EditFilters, AttachedHandlerFiltersTypingAndInputMethods) {
  QLineEdit edit;
  zpgui::SetKeyPressHandler(&edit, OnEditKeyPress);
  Type(edit, "1a2-");
  EXPECT_EQ(edit.text(), "12");
  SendKey(edit, Qt::Key_Backspace, Qt::NoModifier, "\b");
  EXPECT_EQ(edit.text(), "1");
  SendKey(edit, Qt::Key_Left, Qt::NoModifier, "");
  EXPECT_EQ(edit.cursorPosition(), 0);  // keys that type nothing pass

  // An input method's commit must pass as a whole.
  for (const auto& [commit, expected] : {std::pair{"3x", "1"}, std::pair{"34", "341"}}) {
    QInputMethodEvent event(QString(), {});
    event.setCommitString(QString::fromUtf8(commit));
    QCoreApplication::sendEvent(&edit, &event);
    EXPECT_EQ(edit.text(), QString::fromUtf8(expected)) << commit;
  }

  // A handler may swap the character typed for another.
  QLineEdit upper;
  zpgui::SetKeyPressHandler(&upper, [](QLineEdit&, char32_t& key) {
    if (key >= U'a' && key <= U'z') key -= 32;
  });
  Type(upper, "x1");
  EXPECT_EQ(upper.text(), "X1");
}

TEST(EditFilters, PastedTextMustPassTheKeyFilterAsAWhole) {
  struct Case {
    Handler handler;  // null: no key filter on the edit
    bool guarded;     // OnEditPaste attached
    QString before;
    int select_from, select_length;
    QString clipboard;
    QString after;
  };
  const Case cases[] = {
      {OnEditKeyPress, true, "", -1, 0, "13957100001", "13957100001"},
      {OnEditKeyPress, true, "", -1, 0, "1395710000a", ""},
      {OnEditKeyPress, true, "12", -1, 0, " 139", "12"},
      {OnEditKeyPress, true, "", -1, 0, "139\n", ""},
      {OnEditKeyPress, true, "", -1, 0, "13\b9", ""},  // control codes are keys, never text
      {nullptr, true, "", -1, 0, "a\x16", ""},
      {OnEditKeyPress, false, "", -1, 0, "1395710000a", "1395710000a"},  // why OnEditPaste exists
      {OnEditKeyPressDeciPoint, true, "1", -1, 0, ".55", "1.55"},
      {OnEditKeyPressDeciPoint, true, "1.5", -1, 0, "0.5", "1.5"},
      {OnEditKeyPressDeciPoint, true, "", -1, 0, "1.2.3", ""},
      {OnEditKeyPressDeciPoint, true, "1.5", 1, 2, ".25", "1.25"},
      {OnEditKeyPressTraverse, true, "0571-", -1, 0, "88886666", "0571-88886666"},
      {OnEditKeyPressTraverseChar, true, "", -1, 0, "33010219800101001X", "33010219800101001X"},
      {OnEditKeyPressTraverseChar, true, "", -1, 0, "330102 1980", ""},
      {OnEditKeyPressEmail, true, "ab", -1, 0, "@zp.com", "ab@zp.com"},
      {OnEditKeyPressEmail, true, "a@b", -1, 0, "@c", "a@b"},
      {nullptr, true, "x", -1, 0, "any 文字", "xany 文字"},
  };
  QClipboard* clipboard = QGuiApplication::clipboard();
  for (const Case& c : cases) {
    // The same paste by Ctrl+V and by the context menu's entry.
    for (const bool by_menu : {false, true}) {
      SCOPED_TRACE(c.clipboard.toStdString() + " onto " + c.before.toStdString() + (by_menu ? " by menu" : ""));
      if (by_menu && !c.guarded) continue;
      QLineEdit edit(c.before);
      if (c.handler) zpgui::SetKeyPressHandler(&edit, c.handler);
      if (c.guarded) OnEditPaste(&edit);
      if (c.select_from >= 0) edit.setSelection(c.select_from, c.select_length);
      clipboard->setText(c.clipboard);
      ASSERT_EQ(clipboard->text(), c.clipboard);
      if (by_menu) {
        std::unique_ptr<QMenu> menu(zpgui::GuardedContextMenu(&edit));
        QAction* paste = menu->findChild<QAction*>("edit-paste");
        ASSERT_NE(paste, nullptr);
        paste->trigger();
      } else {
        Paste(edit);
      }
      EXPECT_EQ(edit.text(), c.after);
    }
  }
}

TEST(EditFilters, SecuredEditLetsNothingOut) {
  QLabel label;
  EXPECT_FALSE(SetControlSecurity(&label));
  EXPECT_FALSE(SetControlSecurity(nullptr));

  QClipboard* clipboard = QGuiApplication::clipboard();
  enum Mode { kPlain, kSecured, kSecuredThenShownInClear };
  for (const Mode mode : {kPlain, kSecured, kSecuredThenShownInClear}) {
    const bool secured = mode != kPlain;
    QLineEdit edit;
    if (secured) {
      ASSERT_TRUE(SetControlSecurity(&edit));
      EXPECT_EQ(edit.echoMode(), QLineEdit::Password);
      EXPECT_EQ(edit.contextMenuPolicy(), Qt::NoContextMenu);
      EXPECT_FALSE(edit.dragEnabled());
      EXPECT_FALSE(edit.testAttribute(Qt::WA_InputMethodEnabled));
    }
    if (mode == kSecuredThenShownInClear) edit.setEchoMode(QLineEdit::Normal);
    Type(edit, "246810");
    EXPECT_EQ(edit.text(), "246810");
    for (int key : {Qt::Key_C, Qt::Key_X}) {
      clipboard->setText("before");
      edit.selectAll();
      SendKey(edit, key, Qt::ControlModifier, QString());
      EXPECT_EQ(clipboard->text(), secured ? QString("before") : QString("246810")) << mode << key;
      if (!secured) edit.setText("246810");
    }
    EXPECT_EQ(edit.text(), "246810");
  }
}
