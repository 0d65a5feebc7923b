#include "lookup.h"

#include <QComboBox>
#include <QListWidget>

namespace zp::lookup {

void appendToCombo(QComboBox* combo, const std::vector<std::string>& texts) {
  if (!combo) return;
  for (const std::string& t : texts) combo->addItem(QString::fromStdString(t));
  if (combo->count() > 0) combo->setCurrentIndex(0);
}

void appendToList(QListWidget* list, const std::vector<std::string>& texts) {
  if (!list) return;
  for (const std::string& t : texts) list->addItem(QString::fromStdString(t));
}

std::string displayText(long long code, const std::string& name) {
  return gbk::cutToBytes("[" + std::to_string(code) + "] " + name, kTextBytes);
}

std::string nameText(const std::string& name) { return gbk::cutToBytes(name, kTextBytes); }

bool equalIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;  // bytes of other characters must match exactly
  }
  return true;
}

int leadingNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                             text[i] == '\v' || text[i] == '\f'))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;  // saturate
  }
  if (negative) v = -v;
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

}  // namespace zp::lookup
