// The more-software window: three downloadable programs, each with a blinking download button.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include <QPixmap>

#include "platform/forms.h"

class QLabel;
class QPlainTextEdit;
class QScrollArea;
class TBitBtn;
class TTimer;

// One advertised program: its name and version, its description lines, its download address.
struct AdvertisedProgram {
  std::string_view Name;
  std::string_view Description;
  std::string_view Address;
};

// The string table: what the window advertises, in the order of its download buttons.
extern const std::array<AdvertisedProgram, 3> MoreSoftware;
// The download page that the instruction label names.
extern const std::string_view DownloadPage;

// The picture of the download buttons: a teal right-pointing arrow with a black outline, its
// silver ground transparent.
QPixmap DownloadArrow();
// The address handed to the shell: at most 100 characters.
std::string DownloadText(std::string_view address);

class TFrmdownld : public TForm {
  Q_OBJECT
public:
  static constexpr unsigned kMaroon = 128;
  static constexpr unsigned kRed = 255;
  static constexpr unsigned kNavy = 8388608;
  // Red 175, green 175, blue 153.
  static constexpr unsigned kBackground = 10071983;

  TFrmdownld();
  ~TFrmdownld() override;

  void FormCreate() override;
  void Timer1Timer();
  void cmddown1Click();
  void cmddown2Click();
  void cmddown3Click();

  QScrollArea* ScrollArea = nullptr;
  QWidget* ScrollContent = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  TBitBtn* cmddown1 = nullptr;
  TBitBtn* cmddown2 = nullptr;
  TBitBtn* cmddown3 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QPlainTextEdit* Memo2 = nullptr;
  QPlainTextEdit* Memo3 = nullptr;
  TBitBtn* BitBtn1 = nullptr;
  TTimer* Timer1 = nullptr;

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void FrameChanged() override;

private:
  void SetBackground(unsigned value);

  bool outerSizeFitted_ = false;
};

// The one more-software window, set while it exists; the settings dialog shows it.
extern TFrmdownld* Frmdownld;
