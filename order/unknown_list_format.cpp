#include "unknown_list_format.h"

#include <charconv>
#include <sstream>
#include <system_error>

#include "zpb_hex.h"
#include "zpb_stream.h"

namespace {
// A field never holds a tab or a line break: keys and codes are ASCII, the
// phone number digits, the time fixed-width, the papers hex.
std::string clean(std::string s) {
  for (char& c : s)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return s;
}

constexpr zpb_name kPapersFrame{"zpclient.SubmissionPapers"};

// A whole field as a number, as the counter writes it: digits, perhaps after
// a minus; "12abc" or " 12" is not one.
template <class Int>
bool wholeNumber(const std::string& text, Int& value) {
  const char* end = text.data() + text.size();
  const auto [at, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && at == end;
}

// One line of the file; false when it does not hold an entry just as the
// counter writes one (six fields apart by tabs, a seventh with the papers on
// a newer line), so that a line run together with the next one (its line
// break lost), cut short or edited by hand is kept as it is rather than read
// into an entry that a rewrite would change. A line break written as CR LF
// (the file saved by an editor) still reads.
bool parseLine(std::string line, UnknownSubmission& s) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.find('\r') != std::string::npos) return false;
  std::vector<std::string> fields;
  for (std::size_t from = 0;;) {
    const std::size_t tab = line.find('\t', from);
    fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
    if (tab == std::string::npos) break;
    from = tab + 1;
  }
  if (fields.size() != 6 && fields.size() != 7) return false;
  if (!wholeNumber(fields[1], s.busiCode) || !wholeNumber(fields[2], s.busiType) || !wholeNumber(fields[4], s.servId))
    return false;
  s.key = fields[0];
  s.phoneId = fields[3];
  s.at = fields[5];
  // A line of an older counter ends with the time; the papers come after it.
  s.papers = fields.size() == 7 ? fields[6] : std::string();
  return !s.key.empty();
}
}  // namespace

std::string PapersText(const SubmissionPapers& papers) {
  zpb_stream s;
  s.open();
  s.begin_stream(kPapersFrame);
  zpb_write(s, papers.soInfo);
  zpb_write(s, papers.cust);
  zpb_write(s, papers.agent);
  s.end_stream();
  if (!s.complete()) return {};
  return zpb_to_hex(s.take_bytes());
}

bool ReadPapersText(const std::string& text, SubmissionPapers& papers) {
  std::string bytes;
  if (text.empty() || !zpb_from_hex(text, bytes)) return false;
  zpb_stream s;
  SubmissionPapers read;
  if (!s.open_for_reading(std::move(bytes)) || !s.begin_stream(kPapersFrame) || !zpb_read(s, read.soInfo) ||
      !zpb_read(s, read.cust) || !zpb_read(s, read.agent) || !s.end_stream())
    return false;
  papers = std::move(read);
  return true;
}

UnknownListContents ParseUnknownList(const std::string& text) {
  UnknownListContents all;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    UnknownSubmission s;
    // A line that cannot be read (torn by a crash, edited by hand) is kept
    // as it is: its order may be stored and paid for, and only someone who
    // reads the line can still tell.
    if (parseLine(line, s))
      all.entries.push_back(std::move(s));
    else
      all.damaged.push_back(line);
  }
  return all;
}

std::string UnknownListText(const UnknownListContents& all) {
  std::string text;
  for (const UnknownSubmission& s : all.entries) {
    text += clean(s.key) + '\t' + std::to_string(s.busiCode) + '\t' + std::to_string(s.busiType) + '\t' +
            clean(s.phoneId) + '\t' + std::to_string(s.servId) + '\t' + clean(s.at);
    if (!s.papers.empty()) text += '\t' + clean(s.papers);
    text += '\n';
  }
  for (const std::string& line : all.damaged) text += line + '\n';
  return text;
}
