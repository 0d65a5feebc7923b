#include "unknown_submissions.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <fstream>
#include <sstream>

namespace {
// A field never holds a tab or a line break: keys and codes are ASCII, the
// phone number digits, the time fixed-width.
std::string clean(std::string s) {
  for (char& c : s)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return s;
}
}  // namespace

UnknownSubmissions::UnknownSubmissions(int opId) {
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  path_ = QDir(dir).filePath(QString("unknown-submissions-%1.txt").arg(opId)).toStdString();
}

std::vector<UnknownSubmission> UnknownSubmissions::List() const {
  std::vector<UnknownSubmission> all;
  std::ifstream in(path_);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    UnknownSubmission s;
    std::string busiCode, busiType, servId;
    if (!std::getline(fields, s.key, '\t') || !std::getline(fields, busiCode, '\t') ||
        !std::getline(fields, busiType, '\t') || !std::getline(fields, s.phoneId, '\t') ||
        !std::getline(fields, servId, '\t') || !std::getline(fields, s.at))
      continue;  // a torn line: written by a crash, its order is lost to the list but not to the server
    try {
      s.busiCode = std::stoi(busiCode);
      s.busiType = std::stoi(busiType);
      s.servId = std::stoll(servId);
    } catch (...) {
      continue;
    }
    if (!s.key.empty()) all.push_back(std::move(s));
  }
  return all;
}

bool UnknownSubmissions::Remember(const UnknownSubmission& s) {
  std::vector<UnknownSubmission> all = List();
  for (const UnknownSubmission& e : all)
    if (e.key == s.key) return true;
  all.push_back(s);
  return Write(all);
}

bool UnknownSubmissions::Forget(const std::string& key) {
  std::vector<UnknownSubmission> all = List();
  std::erase_if(all, [&](const UnknownSubmission& e) { return e.key == key; });
  return Write(all);
}

bool UnknownSubmissions::Write(const std::vector<UnknownSubmission>& all) const {
  const QString path = QString::fromStdString(path_);
  QDir().mkpath(QFileInfo(path).absolutePath());
  // Written aside and renamed: a crash leaves the old list or the new one.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  std::string text;
  for (const UnknownSubmission& s : all)
    text += clean(s.key) + '\t' + std::to_string(s.busiCode) + '\t' + std::to_string(s.busiType) + '\t' +
            clean(s.phoneId) + '\t' + std::to_string(s.servId) + '\t' + clean(s.at) + '\n';
  file.write(text.data(), static_cast<qint64>(text.size()));
  return file.commit();
}
