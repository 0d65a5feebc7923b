// Code lookups over a catalogue list: turn a record's code into the text the
// screens show ("[12] name") and such a text or a name back into its code.
// Each lookup keeps its own copy of the list and walks it in order; the first
// match wins. Results are returned by value.
//
// Texts are UTF-8 in memory. The display text, the name a lookup compares and
// the name it returns are limited to 127 bytes of their GBK form (the width of
// the catalogue's text columns), cut at a character boundary; so the full
// display text of a record with a long name no longer matches it, while the
// cut text the screens show still does.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "gbk.h"

class QComboBox;
class QListWidget;

namespace zp::lookup {

constexpr std::size_t kTextBytes = 127;

// Appends texts to a combo box and, when it then holds an item, selects the
// first; appends texts to a list box and selects nothing. Null does nothing.
void appendToCombo(QComboBox* combo, const std::vector<std::string>& texts);
void appendToList(QListWidget* list, const std::vector<std::string>& texts);

// "[code] name", cut to kTextBytes.
std::string displayText(long long code, const std::string& name);
// The name as compared, cut to kTextBytes.
std::string nameText(const std::string& name);
// Equal, ignoring the case of ASCII letters only.
bool equalIgnoringAsciiCase(const std::string& a, const std::string& b);
// The leading decimal number of a text: optional blanks and a sign, then
// digits; 0 when there is none; clamped to the int range.
int leadingNumber(const std::string& text);

}  // namespace zp::lookup

template <class List>
class CBasicLookup {
 public:
  explicit CBasicLookup(const List& list) : list_(list) {}
  CBasicLookup(const CBasicLookup&) = delete;
  CBasicLookup& operator=(const CBasicLookup&) = delete;

  virtual void FillCombo(QComboBox* combo) = 0;
  virtual void FillList(QListWidget* list) = 0;
  virtual int CodeOfText(const std::string& text) = 0;
  virtual int CodeOfName(const std::string& name) = 0;
  virtual std::string TextOfCode(int code) = 0;
  virtual std::string NameOfCode(int code) = 0;
  virtual ~CBasicLookup() = default;

 protected:
  const List list_;
};

template <class List, class CodeGetter, class NameGetter>
class CAutoLookup : public CBasicLookup<List> {
 public:
  CAutoLookup(const List& list, CodeGetter code, NameGetter name)
      : CBasicLookup<List>(list), code_(code), name_(name) {}

  void FillCombo(QComboBox* combo) override { zp::lookup::appendToCombo(combo, texts()); }
  void FillList(QListWidget* list) override { zp::lookup::appendToList(list, texts()); }

  int CodeOfText(const std::string& text) override {
    for (const auto& r : this->list_)
      if (zp::lookup::equalIgnoringAsciiCase(display(r), text)) return codeOf(r);
    return zp::lookup::leadingNumber(text);
  }
  int CodeOfName(const std::string& name) override {
    for (const auto& r : this->list_)
      if (zp::lookup::equalIgnoringAsciiCase(zp::lookup::nameText((r.*name_)()), name)) return codeOf(r);
    return zp::lookup::leadingNumber(name);
  }
  std::string TextOfCode(int code) override {
    for (const auto& r : this->list_)
      if (codeOf(r) == code) return display(r);
    return std::to_string(code);
  }
  std::string NameOfCode(int code) override {
    for (const auto& r : this->list_)
      if (codeOf(r) == code) return zp::lookup::nameText((r.*name_)());
    return std::string();
  }

 private:
  using Record = typename List::value_type;
  using Code = std::remove_cvref_t<std::invoke_result_t<CodeGetter, const Record&>>;
  // A wider code (an int64 field picked by mistake) would be cut silently.
  static_assert(std::is_integral_v<Code> && std::is_signed_v<Code> && sizeof(Code) <= sizeof(int),
                "a catalogue code is a signed 16- or 32-bit integer");
  static_assert(std::is_convertible_v<std::invoke_result_t<NameGetter, const Record&>, std::string_view>,
                "a catalogue name is a text");
  int codeOf(const Record& r) const { return static_cast<int>((r.*code_)()); }
  std::string display(const Record& r) const { return zp::lookup::displayText(codeOf(r), (r.*name_)()); }
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    out.reserve(this->list_.size());
    for (const auto& r : this->list_) out.push_back(display(r));
    return out;
  }

  CodeGetter code_;
  NameGetter name_;
};

// A lookup held by its single owner, built from a list and two getters.
template <class List, class CodeGetter, class NameGetter>
std::unique_ptr<CBasicLookup<List>> MakeLookup(const List& list, CodeGetter code, NameGetter name) {
  return std::make_unique<CAutoLookup<List, CodeGetter, NameGetter>>(list, code, name);
}
