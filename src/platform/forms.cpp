#include "platform/forms.h"

#include <QCloseEvent>
#include <QColor>
#include <QEventLoop>

#include "platform/application.h"

TForm::TForm(QWidget* parent) : QWidget(parent) {}

TForm::~TForm() = default;

int TForm::ShowModal() {
  modalResult_ = mrNone;
  setWindowModality(Qt::ApplicationModal);
  show();
  raise();
  activateWindow();
  QEventLoop loop;
  modalLoop_ = &loop;
  loop.exec();
  modalLoop_ = nullptr;
  hide();
  setWindowModality(Qt::NonModal);
  return modalResult_;
}

void TForm::SetModalResult(int result) {
  modalResult_ = result;
  if (modalLoop_ && result != mrNone)
    modalLoop_->quit();
}

void TForm::closeEvent(QCloseEvent* event) {
  if (modalLoop_) {
    // Closing a modal form ends its modal display; the form is hidden, not destroyed.
    if (modalResult_ == mrNone)
      modalResult_ = mrCancel;
    modalLoop_->quit();
    event->accept();
    return;
  }
  QWidget::closeEvent(event);
  if (Application().MainForm() == this)
    QCoreApplication::quit();
}

QColor ColorFromValue(unsigned value) {
  return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}
