// Feeds bytes to the readers of the counter's own files: the list of
// submissions whose outcome is unknown (kept across restarts, sometimes
// edited by hand) and the print templates (edited per counter). The first
// byte picks the reader. Nothing may crash; what the list reads must be
// written back and read again to the same entries and the same damaged
// lines, so rewriting the list never changes or loses a line; a template
// either reads whole, with every size it needs above zero, or is refused
// with the line that is wrong and the caller's template left as it was.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "report_template.h"
#include "unknown_list_format.h"

namespace {

bool sameEntry(const UnknownSubmission& a, const UnknownSubmission& b) {
  return a.key == b.key && a.busiCode == b.busiCode && a.busiType == b.busiType && a.phoneId == b.phoneId &&
         a.servId == b.servId && a.at == b.at && a.papers == b.papers;
}

void checkList(const std::string& text) {
  const UnknownListContents first = ParseUnknownList(text);
  const UnknownListContents again = ParseUnknownList(UnknownListText(first));
  if (again.entries.size() != first.entries.size() || again.damaged != first.damaged) std::abort();
  for (std::size_t i = 0; i < first.entries.size(); ++i) {
    if (!sameEntry(first.entries[i], again.entries[i])) std::abort();
    SubmissionPapers papers;
    if (!ReadPapersText(first.entries[i].papers, papers)) continue;
    SubmissionPapers copy;
    if (!ReadPapersText(PapersText(papers), copy) || !(copy.soInfo == papers.soInfo) || !(copy.cust == papers.cust) ||
        !(copy.agent == papers.agent))
      std::abort();
  }
}

void checkTemplate(const std::string& text) {
  zp::report::ReportTemplate t;
  t.fontFamily = "untouched";
  std::string why;
  if (!zp::report::parseTemplate(text, t, &why)) {
    if (why.rfind("line ", 0) != 0 || t.fontFamily != "untouched" || !t.texts.empty() || !t.fields.empty() ||
        !t.lines.empty())
      std::abort();
    return;
  }
  if (!(t.paperWidth > 0) || !(t.paperHeight > 0) || !(t.fontSize > 0)) std::abort();
  for (const auto& f : t.fields)
    if (!(f.w > 0) || !(f.h > 0) || f.name.empty() || f.style.size < 0) std::abort();
  for (const auto& l : t.lines)
    if (!(l.width > 0)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] % 2 == 0)
    checkList(text);
  else
    checkTemplate(text);
  return 0;
}
