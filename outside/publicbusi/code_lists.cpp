// Combo boxes filled from code lists and catalogue lists, and the remote
// look-ups behind them.
#include <QComboBox>

#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "MBusiPublic.h"
#include "item_code.h"
#include "publicbusi_functions.h"
#include "zpd_client.h"

namespace {

constexpr const char* kBroker = "ZEPHYRON";

struct Item {
  int code;
  std::string name;
};

// Code lists change with a release of the code tables, not during a working
// day: one read per list and process spares the back end every reset of
// every counter window.
struct KeptLists {
  std::mutex mutex;
  std::map<int, std::vector<Item>> lists;
};

KeptLists& kept() {
  static KeptLists k;
  return k;
}

std::optional<std::vector<Item>> readList(int listNo) {
  MBusiPublic::IBusiPublic client;
  if (client.bind_zpBroker(kBroker) != 0) return std::nullopt;
  MBusiPublic::SCodeItemList got;
  CBSErrorMsg err;
  if (client.get_codeList(listNo, got, err, nullptr) != 0) return std::nullopt;
  std::vector<Item> items;
  for (const MBusiPublic::SCodeItem& i : got) items.push_back({i.get_CODE(), i.get_NAME()});
  return items;
}

QString displayText(int code, const std::string& name) {
  return QStringLiteral("[%1] %2").arg(code).arg(QString::fromStdString(name));
}

bool holds(const QComboBox* combo, const std::vector<Item>& items) {
  if (combo->count() != static_cast<int>(items.size())) return false;
  for (int row = 0; row < combo->count(); ++row) {
    const Item& i = items[static_cast<std::size_t>(row)];
    const QVariant code = combo->itemData(row);
    if (code.typeId() != QMetaType::Int || code.toInt() != i.code || combo->itemText(row) != displayText(i.code, i.name))
      return false;
  }
  return true;
}

void fill(QComboBox* combo, const std::vector<Item>& items) {
  if (holds(combo, items)) {
    // The workspace fills its lists again for every subscriber, mostly with
    // what they hold: the items stay, and the choice ends where a fresh fill
    // leaves it, by the same changes.
    combo->setCurrentIndex(-1);
    combo->setCurrentIndex(items.empty() ? -1 : 0);
    return;
  }
  combo->clear();
  for (const Item& i : items) combo->addItem(displayText(i.code, i.name), i.code);
}

}  // namespace

bool InitComboBox(int listNo, QComboBox* combo) {
  if (!combo) return false;
  try {
    KeptLists& k = kept();
    std::vector<Item> items;
    {
      std::lock_guard lock(k.mutex);
      const auto it = k.lists.find(listNo);
      if (it != k.lists.end()) items = it->second;
    }
    if (items.empty()) {
      // Read outside the lock: a slow server must not hold up another list.
      std::optional<std::vector<Item>> read = readList(listNo);
      if (!read || read->empty()) return false;
      std::lock_guard lock(k.mutex);
      items = k.lists.emplace(listNo, std::move(*read)).first->second;
    }
    fill(combo, items);
    return true;
  } catch (...) {
    return false;
  }
}

void ForgetCodeLists() {
  KeptLists& k = kept();
  std::lock_guard lock(k.mutex);
  k.lists.clear();
}

void InitComboBoxByZPD(const MProductIntfApp::SBrandInfoList& brands, QComboBox* combo) {
  if (!combo) return;
  std::vector<Item> items;
  for (const auto& b : brands) items.push_back({b.get_BRAND_ID(), b.get_BRAND_NAME()});
  fill(combo, items);
}

void InitComboBoxPlanId(const MProductIntfApp::SPlanIdInfoList& plans, QComboBox* combo) {
  if (!combo) return;
  std::vector<Item> items;
  for (const auto& p : plans) items.push_back({p.get_PLAN_ID(), p.get_PLAN_NAME()});
  fill(combo, items);
}

bool SetComboBoxIndex(QComboBox* combo, int code) {
  if (!combo) return false;
  for (int i = 0; i < combo->count(); ++i) {
    if (publicbusi_detail::itemCode(combo->itemText(i).toStdString()) == code) {
      combo->setCurrentIndex(i);
      return true;
    }
  }
  combo->setCurrentIndex(-1);
  return false;
}

short GetSoVerifyTypeByBusiCode(int busiCode) {
  try {
    MBusiPublic::IBusiPublic client;
    if (client.bind_zpBroker(kBroker) != 0) return 0;
    MBusiPublic::SVerifyTypeOut out;
    CBSErrorMsg err;
    if (client.get_verifyType(busiCode, out, err, nullptr) != 0) return 0;
    return out.get_VERIFY_TYPE();
  } catch (...) {
    return 0;
  }
}
