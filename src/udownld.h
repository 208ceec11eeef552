// The more-software window: three downloadable programs, each with a blinking download button.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "platform/forms.h"
#include "platform/graphics.h"

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

// The picture of the download buttons: a 13 x 13 sixteen-colour teal right-pointing arrow with a
// black outline on a silver ground (its bottom-left pixel), which buttons draw as transparent.
TBitmap DownloadArrow();
// The address handed to the shell: at most 100 characters.
std::string DownloadText(std::string_view address);

class TFrmdownld : public TForm {
public:
  // Red 175, green 175, blue 153: the ground the window takes when it is created.
  static constexpr TColor kBackground = RGB(175, 175, 153);

  TFrmdownld();
  ~TFrmdownld() override;

  void FormCreate() override;
  void Timer1Timer();
  void cmddown1Click();
  void cmddown2Click();
  void cmddown3Click();

  TScrollBox* ScrollBox1 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label3 = nullptr;
  TLabel* Label4 = nullptr;
  TBitBtn* cmddown1 = nullptr;
  TBitBtn* cmddown2 = nullptr;
  TBitBtn* cmddown3 = nullptr;
  TMemo* Memo1 = nullptr;
  TMemo* Memo2 = nullptr;
  TMemo* Memo3 = nullptr;
  TBitBtn* BitBtn1 = nullptr;
  std::unique_ptr<TTimer> Timer1;
};

// The one more-software window, set while it exists; the settings dialog shows it.
extern TFrmdownld* Frmdownld;
