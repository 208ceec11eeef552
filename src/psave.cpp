#include "psave.h"

#include "Usave5.h"
#include "platform/application.h"
#include "platform/identity.h"
#include "program.h"
#include "udownld.h"
#include "usave1.h"
#include "usave2.h"

namespace {

std::string UpperCaseAToZ(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z')
      c = char(c - 'a' + 'A');
  }
  return upper;
}

} // namespace

StartMode ModeForArgument(std::string_view firstArgument) {
  const std::string upper = UpperCaseAToZ(firstArgument);
  if (upper == "/S")
    return StartMode::Display;
  if (upper.substr(0, 2) == "/C")
    return StartMode::Settings;
  return StartMode::None;
}

int RunPsave(int argc, char** argv) {
  // The probe and the argument come before the Windows-directory lookup: a run that ends at once
  // leaves the disk as it found it, and the lookup creates the directory's folder.
  if (FindWindow(kDisplayClass, kDisplayCaption))
    return 0;
  if (argc < 2)
    return 0;
  const StartMode mode = ModeForArgument(argv[1]);
  if (mode == StartMode::None)
    return 0;

  Application().Title = kApplicationTitle;
  Application().Initialize(argv[0]);
  WindowsDir = LookUpWindowsDir();
  SettingsPath = SettingsPathIn(WindowsDir);
  if (mode == StartMode::Display) {
    Application().CreateForm<TForm1>();
  } else {
    Application().CreateForm<TForm2>();
    Application().CreateForm<Tfrmdisc>();
    Application().CreateForm<TFrmdownld>();
  }
  Application().Run();
  Application().Finalize();
  return 0;
}
