// The base of every window: a creation handler, modal showing, and closing.
#pragma once

#include <QWidget>

class QEventLoop;

enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

class TForm : public QWidget {
  Q_OBJECT
public:
  explicit TForm(QWidget* parent = nullptr);
  ~TForm() override;

  // The creation handler; runs once, right after construction.
  virtual void FormCreate() {}
  // How the main form shows itself once its creation has finished.
  virtual void ShowAfterCreation() { show(); }

  // Shows the form and waits in a nested message loop until it sets a modal result; the form is
  // then hidden, not destroyed, and can be shown again.
  int ShowModal();
  void SetModalResult(int result);
  int ModalResult() const { return modalResult_; }
  bool InModal() const { return modalLoop_ != nullptr; }

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  int modalResult_ = mrNone;
  QEventLoop* modalLoop_ = nullptr;
};

// Colour values packed as red + 256 x green + 65536 x blue.
QColor ColorFromValue(unsigned value);
