#include "psave.h"

#include "Usave5.h"
#include "platform/application.h"
#include "platform/ascii.h"
#include "platform/identity.h"
#include "program.h"
#include "udownld.h"
#include "usave1.h"
#include "usave2.h"

StartMode ModeForArgument(std::string_view firstArgument) {
  if (EqualsIgnoringAsciiCase(firstArgument, "/S"))
    return StartMode::Display;
  if (EqualsIgnoringAsciiCase(firstArgument.substr(0, 2), "/C"))
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
