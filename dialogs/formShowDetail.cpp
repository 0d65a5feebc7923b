#include "formShowDetail.h"

#include <QKeyEvent>
#include <QScreen>
#include <QStyle>

#include "edit_filters.h"
#include "look.h"
#include "publicbusi_functions.h"
#include "show_detail_rules.h"
#include "ui_formShowDetail.h"

TfrmShowDetail::TfrmShowDetail(QWidget* owner) : QDialog(owner), ui_(std::make_unique<Ui::TfrmShowDetail>()) {
  ui_->setupUi(this);
  FormCreate();

  zpgui::SetKeyPressHandler(ui_->edPhone, [this](QLineEdit& edit, char32_t& key) { edPhoneKeyPress(edit, key); });
  connect(ui_->btnOk, &QPushButton::clicked, this, &TfrmShowDetail::btnOkClick);
  connect(ui_->btnCancel, &QPushButton::clicked, this, &TfrmShowDetail::btnCancelClick);
}

TfrmShowDetail::~TfrmShowDetail() = default;

void TfrmShowDetail::FormCreate() {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  // The buttons carry pictures only; their names stay for tooltips and
  // screen readers. Neither is pressed by Enter.
  ui_->btnOk->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  ui_->btnCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  ui_->btnOk->setAutoDefault(false);
  ui_->btnCancel->setAutoDefault(false);
  // The ring-back song is asked for only by the types that need it.
  ui_->lblSongId->hide();
  ui_->cmbSongId->hide();
  OnEditPaste(ui_->edPhone);
  SetGUIStyle(this);
  adjustSize();
  const QWidget* mainWindow = parentWidget() ? parentWidget()->window() : nullptr;
  if (mainWindow) {
    move(mainWindow->geometry().center() - rect().center());
  } else if (const QScreen* where = screen()) {
    move(where->availableGeometry().center() - rect().center());
  }
}

void TfrmShowDetail::LoadRings(const MBusiDataMgnt::SCrbtsInfoList& rings) {
  ui_->cmbSongId->clear();
  for (const MBusiDataMgnt::SCrbtsInfo& ring : rings)
    ui_->cmbSongId->addItem(QString::fromStdString(zpdialogs::RingItemText(ring.get_SONG_ID(), ring.get_SONG_NAME())));
  ui_->cmbSongId->setCurrentIndex(ui_->cmbSongId->count() > 0 ? 0 : -1);
}

void TfrmShowDetail::SetDetail(int type, int validMode, const std::string& detail) {
  detailType = type;
  if (const auto controls = zpdialogs::DetailControlsOf(type)) {
    ui_->lblSubstrMode->setVisible(controls->mode);
    ui_->cmbValidMode->setVisible(controls->mode);
    ui_->lblPhone->setVisible(controls->number);
    ui_->edPhone->setVisible(controls->number);
    ui_->lblSongId->setVisible(controls->ring);
    ui_->cmbSongId->setVisible(controls->ring);
    adjustSize();
  }

  if (NumberShown()) {
    ui_->edPhone->setText(QString::fromStdString(detail));
  } else {
    int match = -1;
    for (int k = 0; k < ui_->cmbSongId->count() && match < 0; ++k) {
      if (zpdialogs::RingCodeOf(ui_->cmbSongId->itemText(k).toStdString()) == detail) match = k;
    }
    ui_->cmbSongId->setCurrentIndex(match);
  }
  SetComboBoxIndex(ui_->cmbValidMode, validMode);
}

int TfrmShowDetail::GetDetail(int& validMode, std::string& detail) const {
  detail = NumberShown() ? ui_->edPhone->text().toStdString()
                         : zpdialogs::RingCodeOf(ui_->cmbSongId->currentText().toStdString());
  validMode = ExtractItemCode(ui_->cmbValidMode->currentText().toStdString());
  return resultCode;
}

// Whether the type shows the number, whether or not the dialog itself is
// on screen yet.
bool TfrmShowDetail::NumberShown() const { return !ui_->edPhone->isHidden(); }

void TfrmShowDetail::edPhoneKeyPress(QLineEdit& edit, char32_t& key) { OnEditKeyPress(edit, key); }

void TfrmShowDetail::keyPressEvent(QKeyEvent* event) {
  // Escape is the cancel button's key; only the close box gives 0.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    ui_->btnCancel->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TfrmShowDetail::btnOkClick() {
  resultCode = 1;
  done(1);
}

void TfrmShowDetail::btnCancelClick() {
  resultCode = 2;
  done(2);
}

void TfrmShowDetail::reject() {
  resultCode = 0;
  done(0);
}
