#include "report_template.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace zp::report {
namespace {

// Splits a line into words; a double-quoted text is one word (unescaped).
bool words(const std::string& line, std::vector<std::string>& out, std::vector<bool>& quoted, std::string& why) {
  std::size_t i = 0;
  while (i < line.size()) {
    if (std::isspace(static_cast<unsigned char>(line[i]))) {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    if (line[i] == '"') {
      std::string w;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
          w += line[i + 1];
          i += 2;
        } else if (line[i] == '"') {
          closed = true;
          ++i;
          break;
        } else {
          w += line[i++];
        }
      }
      if (!closed) {
        why = "a text in quotes is not closed";
        return false;
      }
      out.push_back(w);
      quoted.push_back(true);
    } else {
      std::size_t j = i;
      while (j < line.size() && !std::isspace(static_cast<unsigned char>(line[j]))) ++j;
      out.push_back(line.substr(i, j - i));
      quoted.push_back(false);
      i = j;
    }
  }
  return true;
}

bool number(const std::string& w, double& v) {
  std::istringstream in(w);
  in >> v;
  return in && in.eof() && v > -10000 && v < 10000;
}

// Reads the optional words after an item: size, bold, alignment, wrap, width.
bool options(const std::vector<std::string>& w, std::size_t from, TextStyle* style, FieldItem* field, LineItem* line,
             std::string& why, bool* stationery = nullptr) {
  for (std::size_t i = from; i < w.size(); ++i) {
    if (stationery && w[i] == "stationery") {
      *stationery = true;
      continue;
    }
    if (w[i] == "size" && style && i + 1 < w.size()) {
      if (!number(w[++i], style->size) || style->size <= 0) return why = "size takes points above 0", false;
    } else if (w[i] == "bold" && style) {
      style->bold = true;
    } else if (field && (w[i] == "left" || w[i] == "right" || w[i] == "center")) {
      field->align = w[i] == "left" ? FieldItem::Align::left
                     : w[i] == "right" ? FieldItem::Align::right
                                       : FieldItem::Align::center;
    } else if (field && w[i] == "wrap") {
      field->wrap = true;
    } else if (line && w[i] == "width" && i + 1 < w.size()) {
      if (!number(w[++i], line->width) || line->width <= 0) return why = "width takes mm above 0", false;
    } else {
      return why = "unknown option \"" + w[i] + "\"", false;
    }
  }
  return true;
}

}  // namespace

bool parseTemplate(const std::string& text, ReportTemplate& out, std::string* error) {
  ReportTemplate t;
  std::istringstream in(text);
  std::string line;
  int n = 0;
  const auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(n) + ": " + why;
    return false;
  };
  while (std::getline(in, line)) {
    ++n;
    std::vector<std::string> w;
    std::vector<bool> q;
    std::string why;
    if (!words(line, w, q, why)) return fail(why);
    if (w.empty()) continue;
    const std::string& kind = w[0];
    if (kind == "paper") {
      if (w.size() != 3 || !number(w[1], t.paperWidth) || !number(w[2], t.paperHeight) || t.paperWidth <= 0 ||
          t.paperHeight <= 0)
        return fail("paper takes a width and a height in mm");
    } else if (kind == "font") {
      if (w.size() != 3 || !q[1] || !number(w[2], t.fontSize) || t.fontSize <= 0)
        return fail("font takes a \"family\" and a size in points");
      t.fontFamily = w[1];
    } else if (kind == "text") {
      StaticText s{};
      if (w.size() < 4 || !number(w[1], s.x) || !number(w[2], s.y) || !q[3])
        return fail("text takes x, y and a \"text\"");
      s.text = w[3];
      if (!options(w, 4, &s.style, nullptr, nullptr, why, &s.stationery)) return fail(why);
      t.texts.push_back(s);
    } else if (kind == "field") {
      FieldItem f{};
      if (w.size() < 6 || q[1] || !number(w[2], f.x) || !number(w[3], f.y) || !number(w[4], f.w) ||
          !number(w[5], f.h) || f.w <= 0 || f.h <= 0)
        return fail("field takes a name, x, y, width and height");
      f.name = w[1];
      if (!options(w, 6, &f.style, &f, nullptr, why)) return fail(why);
      t.fields.push_back(f);
    } else if (kind == "line") {
      LineItem l{};
      if (w.size() < 5 || !number(w[1], l.x1) || !number(w[2], l.y1) || !number(w[3], l.x2) || !number(w[4], l.y2))
        return fail("line takes x1, y1, x2, y2");
      if (!options(w, 5, nullptr, nullptr, &l, why, &l.stationery)) return fail(why);
      t.lines.push_back(l);
    } else {
      return fail("unknown item \"" + kind + "\"");
    }
  }
  out = std::move(t);
  return true;
}

bool loadTemplate(const std::string& path, ReportTemplate& out, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot read the template " + path;
    return false;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  std::string why;
  if (!parseTemplate(ss.str(), out, &why)) {
    if (error) *error = path + ": " + why;
    return false;
  }
  return true;
}

PrintOffsets loadOffsets(const std::string& templatePath) {
  PrintOffsets o;
  std::string ini = templatePath;
  const std::size_t dot = ini.rfind('.');
  const std::size_t slash = ini.rfind('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ini.resize(dot);
  std::ifstream in(ini + ".ini");
  std::string line;
  bool print = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      print = line == "[Print]";
      continue;
    }
    const std::size_t eq = line.find('=');
    if (!print || eq == std::string::npos) continue;
    double v = 0;
    if (!number(line.substr(eq + 1), v)) continue;
    const std::string key = line.substr(0, eq);
    if (key == "OffsetX") o.x = v;
    if (key == "OffsetY") o.y = v;
    if (key == "PreprintedForm") o.preprintedForm = v != 0;
  }
  return o;
}

}  // namespace zp::report
