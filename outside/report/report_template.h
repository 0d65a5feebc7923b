// Print templates: single-page papers laid out in millimetres, so that a
// pre-printed form (an invoice) can be matched. A template holds static
// texts, lines and fields; a field is bound by name to a field of the record
// table it is printed from. One page is printed per record.
//
// The file format (.rmf), one item per line, "#" starts a comment:
//   paper  <width> <height>                          page size in mm
//   font   "<family>" <size>                          default font (points)
//   text   <x> <y> "<text>" [size <pt>] [bold] [stationery]   a static text
//   field  <name> <x> <y> <w> <h> [size <pt>] [bold] [left|right|center] [wrap]
//   line   <x1> <y1> <x2> <y2> [width <mm>] [stationery]
// A "stationery" text or line is what a pre-printed form carries already
// (captions, frame): drawn on plain paper and in PDF, so that the paper
// reads on its own, and left out on the form.
// Positions are in mm from the page's top left corner. Texts are UTF-8 in
// double quotes; \" and \\ escape.
//
// Each template has a settings file beside it (same name, ".ini") with
// [Print] OffsetX and OffsetY in mm: how far this counter's printer draws
// from where the template says, so forms line up without editing templates;
// and PreprintedForm=1 when this counter's printer holds the pre-printed
// form (values only), 0 or missing for plain paper.
#pragma once

#include <string>
#include <vector>

namespace zp::report {

struct TextStyle {
  double size = 0;  // points; 0 takes the template's default
  bool bold = false;
};

struct StaticText {
  double x, y;
  std::string text;
  TextStyle style;
  bool stationery = false;
};

struct FieldItem {
  std::string name;
  double x, y, w, h;
  TextStyle style;
  enum class Align { left, right, center } align = Align::left;
  bool wrap = false;
};

struct LineItem {
  double x1, y1, x2, y2;
  double width = 0.2;
  bool stationery = false;
};

struct ReportTemplate {
  double paperWidth = 210, paperHeight = 297;
  std::string fontFamily = "WenQuanYi Micro Hei";
  double fontSize = 10;
  std::vector<StaticText> texts;
  std::vector<FieldItem> fields;
  std::vector<LineItem> lines;
};

struct PrintOffsets {
  double x = 0, y = 0;  // mm
  bool preprintedForm = false;
};

// Whether the stationery layer is drawn: always in PDF, on a printer unless
// it holds the pre-printed form.
inline bool drawsStationery(const PrintOffsets& settings, bool toPdf) { return toPdf || !settings.preprintedForm; }

// Reads a template; false with "line N: reason" in *error.
bool parseTemplate(const std::string& text, ReportTemplate& out, std::string* error);
bool loadTemplate(const std::string& path, ReportTemplate& out, std::string* error);
// The offsets of a template's settings file (zeros when it has none).
PrintOffsets loadOffsets(const std::string& templatePath);

}  // namespace zp::report
