#include "look.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>

#include <unordered_map>
#include <utility>
#include <vector>

namespace zpgui {
namespace {

constexpr char kReadOnly[] = "zpReadOnly";
constexpr char kTriggers[] = "zpEditTriggers";
constexpr char kGateName[] = "zpReadOnlyGate";

bool IsNavigationKey(int key) {
  switch (key) {
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_Left: case Qt::Key_Right:
    case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Home: case Qt::Key_End:
    case Qt::Key_Tab: case Qt::Key_Backtab:
      return true;
    default:
      return false;
  }
}

// Swallows what would change a control that has no read-only mode of its own
// (combo boxes, buttons, item views); it lives on the control and reads the
// control's flag, so MakeDefault only has to lower the flag.
class ReadOnlyGate final : public QObject {
 public:
  ReadOnlyGate(QWidget* control, QObject* watched) : QObject(control), control_(control) {
    setObjectName(kGateName);
    watched->installEventFilter(this);
    if (watched != control) control->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (!control_->property(kReadOnly).toBool()) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::DragEnter:
      case QEvent::Drop:
        return true;
      case QEvent::Wheel:
        // Item views scroll; a combo box would change its choice.
        return !qobject_cast<QAbstractItemView*>(control_);
      case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy)) return false;
        if (qobject_cast<QAbstractItemView*>(control_)) return !IsNavigationKey(key->key());
        return key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab;
      }
      default:
        return false;
    }
  }

 private:
  QWidget* control_;
};

void EnsureGate(QWidget* control, QObject* watched) {
  if (!control->findChild<QObject*>(kGateName, Qt::FindDirectChildrenOnly)) new ReadOnlyGate(control, watched);
}

void SetBaseNow(QWidget* control, const QColor& colour) {
  // Setting a palette, even an equal one, is passed on to every child; the
  // workspace sets its controls' states on every query.
  if (control->testAttribute(Qt::WA_SetPalette) && control->palette().isBrushSet(QPalette::Active, QPalette::Base) &&
      control->palette().color(QPalette::Base) == colour)
    return;
  QPalette palette = control->palette();
  palette.setColor(QPalette::Base, colour);
  control->setPalette(palette);
}

// The colours noted while a LookBatch lives, in the order first noted.
struct NotedColours {
  int depth = 0;
  std::vector<std::pair<QPointer<QWidget>, QColor>> colours;
  std::unordered_map<const QWidget*, std::size_t> at;
};
NotedColours noted;

void SetBase(QWidget* control, const QColor& colour) {
  if (noted.depth == 0) return SetBaseNow(control, colour);
  const auto [it, added] = noted.at.try_emplace(control, noted.colours.size());
  if (added) {
    noted.colours.emplace_back(control, colour);
  } else {
    // The same address may be a new control by now: the pointer says which.
    noted.colours[it->second] = {control, colour};
  }
}

// Composite controls are handled as a whole: their inner edits, viewports
// and pop-ups are theirs, not the form's.
bool IsComposite(const QWidget* w) {
  return qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
         qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QTextEdit*>(w) ||
         qobject_cast<const QPlainTextEdit*>(w);
}

// Returns true when the widget is a data control and was set.
bool SetOne(QWidget* w, bool read_only) {
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setReadOnly(read_only);
  } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
    spin->setReadOnly(read_only);
  } else if (auto* text = qobject_cast<QTextEdit*>(w)) {
    text->setReadOnly(read_only);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    plain->setReadOnly(read_only);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    if (combo->lineEdit()) combo->lineEdit()->setReadOnly(read_only);
    EnsureGate(combo, combo->lineEdit() ? static_cast<QObject*>(combo->lineEdit()) : combo);
  } else if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
    if (read_only && !view->property(kReadOnly).toBool()) {
      view->setProperty(kTriggers, static_cast<int>(view->editTriggers()));
    }
    if (read_only) {
      view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    } else if (view->property(kTriggers).isValid()) {
      view->setEditTriggers(QAbstractItemView::EditTriggers(view->property(kTriggers).toInt()));
    }
    EnsureGate(view, view->viewport());
  } else if (qobject_cast<QAbstractButton*>(w) && !qobject_cast<QPushButton*>(w)) {
    EnsureGate(w, w);
  } else {
    return false;
  }
  w->setProperty(kReadOnly, read_only);
  SetBase(w, read_only ? kReadOnlyColour : kEditableColour);
  return true;
}

void Apply(QWidget* w, bool read_only) {
  if (!w) return;
  SetOne(w, read_only);
  if (IsComposite(w)) return;
  for (QWidget* child : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) Apply(child, read_only);
}

void Refresh(QWidget* w) {
  if (!w) return;
  SetOne(w, IsReadOnly(w));
  if (IsComposite(w)) return;
  for (QWidget* child : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) Refresh(child);
}

QString CjkFamily() {
  const QStringList installed = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  for (const char* wanted : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Source Han Sans SC", "SimSun"}) {
    if (installed.contains(QString::fromLatin1(wanted))) return QString::fromLatin1(wanted);
  }
  return installed.isEmpty() ? QString() : installed.front();
}

}  // namespace

LookBatch::LookBatch() { ++noted.depth; }

LookBatch::~LookBatch() {
  if (--noted.depth > 0) return;
  auto colours = std::move(noted.colours);
  noted.colours.clear();
  noted.at.clear();
  for (const auto& [control, colour] : colours)
    if (control) SetBaseNow(control, colour);
}

bool IsReadOnly(const QWidget* control) {
  if (!control) return false;
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->isReadOnly();
  if (auto* spin = qobject_cast<const QAbstractSpinBox*>(control)) return spin->isReadOnly();
  return control->property(kReadOnly).toBool();
}

}  // namespace zpgui

void MakeReadOnly(QWidget* control) { zpgui::Apply(control, true); }

void MakeDefault(QWidget* control) { zpgui::Apply(control, false); }

void MakeInit(QWidget* form) { zpgui::Refresh(form); }

void SetGUIStyle(QWidget* form) {
  if (!form) return;
  QFont font = form->font();
  const QString family = zpgui::CjkFamily();
  if (!family.isEmpty()) font.setFamilies({family});
  font.setPointSize(9);
  form->setFont(font);
  // Base stays the controls' own: read-only and editable controls differ by it.
  QPalette palette = form->palette();
  palette.setColor(QPalette::Window, zpgui::kFormColour);
  palette.setColor(QPalette::Button, zpgui::kFormColour);
  palette.setColor(QPalette::WindowText, Qt::black);
  palette.setColor(QPalette::ButtonText, Qt::black);
  palette.setColor(QPalette::Text, Qt::black);
  palette.setColor(QPalette::Highlight, QColor(0x31, 0x6A, 0xC5));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  form->setPalette(palette);
  form->setAutoFillBackground(true);
}
