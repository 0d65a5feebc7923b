#include "modal.h"

#include <QDialog>

namespace zpgui {
namespace {
ModalHandler* current_handler = nullptr;
}

ModalHandler* InstallModalHandler(ModalHandler* handler) {
  ModalHandler* previous = current_handler;
  current_handler = handler;
  return previous;
}

int ModalScript::Run(QDialog& dialog) {
  shown_.push_back(dialog.objectName().toStdString());
  dialog.setResult(0);
  dialog.show();
  if (steps_.empty()) {
    ++unexpected_;
  } else {
    const Step step = std::move(steps_.front());
    steps_.pop_front();
    step(dialog);
  }
  // The close box: QDialog turns it into reject(), as a real operator would.
  if (dialog.isVisible()) dialog.close();
  return dialog.result();
}

}  // namespace zpgui

int ShowModal(QDialog& dialog) {
  if (zpgui::current_handler) return zpgui::current_handler->Run(dialog);
  return dialog.exec();
}
