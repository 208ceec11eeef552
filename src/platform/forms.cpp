#include "platform/forms.h"

#include <QCloseEvent>
#include <QColor>
#include <QEventLoop>
#include <QPainter>
#include <QRadioButton>
#include <QWindow>
#include <map>

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

bool TForm::event(QEvent* event) {
  switch (event->type()) {
  // The window manager reparents a shown window into its frame and then moves it; one of these
  // follows once the frame is known.
  case QEvent::Show:
  case QEvent::Move:
  case QEvent::Resize:
  case QEvent::WindowActivate:
    if (isWindow() && windowHandle()) {
      const QMargins frame = windowHandle()->frameMargins();
      if (frame != frame_) {
        frame_ = frame;
        FrameChanged();
      }
    }
    break;
  default:
    break;
  }
  return QWidget::event(event);
}

QMargins TForm::Frame() const {
  return frame_;
}

void TForm::PlaceOuter(const QRect& outer) {
  // The client's own rectangle: the toolkit's idea of the frame may still lag behind the window
  // manager's just after it framed the window.
  setGeometry(outer.marginsRemoved(frame_));
}

void TGroupBox::paintEvent(QPaintEvent*) {
  const QColor shadow(64, 64, 64);
  QPainter painter(this);
  const QFontMetrics metrics(font());
  const int top = title().isEmpty() ? 0 : metrics.height() / 2;
  const QRect outer = rect().adjusted(0, top, -1, -1);
  painter.setPen(Qt::white);
  painter.drawRect(outer.adjusted(1, 1, 0, 0));
  painter.setPen(shadow);
  painter.drawRect(outer.adjusted(0, 0, -1, -1));
  if (title().isEmpty())
    return;
  const QRect caption(8, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
  painter.fillRect(caption, palette().window());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(caption, Qt::AlignCenter, title());
}

namespace {

// The one button of its group that Tab stops at.
void MakeTabStop(QRadioButton& chosen) {
  for (QRadioButton* radio :
       chosen.parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
    radio->setFocusPolicy(radio == &chosen ? Qt::StrongFocus : Qt::ClickFocus);
}

} // namespace

void TabIntoRadioGroupsAtTheirCheckedButton(QWidget& window) {
  // Each group's tab stop: its checked button, else its first button in the focus order.
  std::map<QWidget*, QRadioButton*> stops;
  for (QWidget* widget = window.nextInFocusChain(); widget != &window;
       widget = widget->nextInFocusChain()) {
    auto* radio = qobject_cast<QRadioButton*>(widget);
    if (!radio || !radio->autoExclusive())
      continue;
    QRadioButton*& stop = stops[radio->parentWidget()];
    if (!stop || (radio->isChecked() && !stop->isChecked()))
      stop = radio;
    QObject::connect(radio, &QAbstractButton::toggled, radio, [radio](bool checked) {
      if (checked)
        MakeTabStop(*radio);
    });
  }
  for (const auto& [group, stop] : stops)
    MakeTabStop(*stop);
}

QColor ColorFromValue(unsigned value) {
  return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}
