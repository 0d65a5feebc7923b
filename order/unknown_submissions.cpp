#include "unknown_submissions.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <filesystem>
#include <fstream>
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

// One line of the file; false when it does not hold an entry.
bool parseLine(const std::string& line, UnknownSubmission& s) {
  std::istringstream fields(line);
  std::string busiCode, busiType, servId;
  if (!std::getline(fields, s.key, '\t') || !std::getline(fields, busiCode, '\t') ||
      !std::getline(fields, busiType, '\t') || !std::getline(fields, s.phoneId, '\t') ||
      !std::getline(fields, servId, '\t') || !std::getline(fields, s.at, '\t'))
    return false;
  // A line of an older counter ends with the time; the papers come after it.
  std::getline(fields, s.papers);
  try {
    s.busiCode = std::stoi(busiCode);
    s.busiType = std::stoi(busiType);
    s.servId = std::stoll(servId);
  } catch (...) {
    return false;
  }
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

UnknownSubmissions::UnknownSubmissions(int opId) {
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  path_ = QDir(dir).filePath(QString("unknown-submissions-%1.txt").arg(opId)).toStdString();
}

UnknownSubmissions::Contents UnknownSubmissions::Read() const {
  Contents all;
  std::ifstream in(path_);
  if (!in) {
    std::error_code ec;
    all.unreadable = std::filesystem::exists(path_, ec) || ec;
    return all;
  }
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
  if (in.bad()) all.unreadable = true;
  return all;
}

bool UnknownSubmissions::Remember(const UnknownSubmission& s) {
  Contents all = Read();
  if (all.unreadable) return false;
  for (const UnknownSubmission& e : all.entries)
    if (e.key == s.key) return true;
  all.entries.push_back(s);
  return Write(all);
}

bool UnknownSubmissions::Forget(const std::string& key) {
  Contents all = Read();
  if (all.unreadable) return false;
  std::erase_if(all.entries, [&](const UnknownSubmission& e) { return e.key == key; });
  return Write(all);
}

bool UnknownSubmissions::Write(const Contents& all) const {
  const QString path = QString::fromStdString(path_);
  QDir().mkpath(QFileInfo(path).absolutePath());
  // Written aside and renamed: a crash leaves the old list or the new one.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  std::string text;
  for (const UnknownSubmission& s : all.entries) {
    text += clean(s.key) + '\t' + std::to_string(s.busiCode) + '\t' + std::to_string(s.busiType) + '\t' +
            clean(s.phoneId) + '\t' + std::to_string(s.servId) + '\t' + clean(s.at);
    if (!s.papers.empty()) text += '\t' + clean(s.papers);
    text += '\n';
  }
  for (const std::string& line : all.damaged) text += line + '\n';
  file.write(text.data(), static_cast<qint64>(text.size()));
  return file.commit();
}
