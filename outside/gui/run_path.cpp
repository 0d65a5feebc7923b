#include "run_path.h"

#include <QCoreApplication>
#include <QFileInfo>

QString GetZPRunPath() {
  QString path = qEnvironmentVariable("ZP_RUN_PATH");
  if (path.isEmpty()) {
    path = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                        : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (!QCoreApplication::instance()) path = QFileInfo(path).path();
  }
  while (path.endsWith(QLatin1Char('/'))) path.chop(1);
  return path;
}
