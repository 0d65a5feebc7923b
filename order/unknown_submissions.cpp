#include "unknown_submissions.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

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
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    all.unreadable = true;
    return all;
  }
  return ParseUnknownList(text.str());
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
  // Nothing to take off, nothing to write: a list that could not be
  // written never held the key.
  if (std::erase_if(all.entries, [&](const UnknownSubmission& e) { return e.key == key; }) == 0) return true;
  return Write(all);
}

bool UnknownSubmissions::Write(const Contents& all) const {
  const QString path = QString::fromStdString(path_);
  QDir().mkpath(QFileInfo(path).absolutePath());
  // Written aside and renamed: a crash leaves the old list or the new one.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const std::string text = UnknownListText(all);
  file.write(text.data(), static_cast<qint64>(text.size()));
  return file.commit();
}
