#include "frameBaseCustInfo.h"

#include <QString>

#include "publicbusi_functions.h"
#include "ui_frameBaseCustInfo.h"

namespace {
constexpr int kCustTypeList = 0;
constexpr int kRegTypeList = 3;
}  // namespace

TfrmeBaseCustInfo::TfrmeBaseCustInfo(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TfrmeBaseCustInfo>()) {
  ui->setupUi(this);
}

TfrmeBaseCustInfo::~TfrmeBaseCustInfo() = default;

void TfrmeBaseCustInfo::InitCustLists() {
  InitComboBox(kCustTypeList, ui->cmbCustType);
  InitComboBox(kRegTypeList, ui->cmbRegType);
  ui->cmbCustType->setCurrentIndex(0);
  ui->cmbRegType->setCurrentIndex(0);
}

bool TfrmeBaseCustInfo::ShowCustInfo(const MPublicDef::SCustInfo& cust) {
  ui->edCustName->setText(QString::fromStdString(cust.get_CUST_NAME()));
  SetComboBoxIndex(ui->cmbCustType, cust.get_CUST_TYPE());
  SetComboBoxIndex(ui->cmbRegType, cust.get_REG_TYPE());
  ui->edRegNbr->setText(QString::fromStdString(cust.get_REG_NBR()));
  return true;
}
