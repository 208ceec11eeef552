; The setup program: the screen saver into the system folder, the bundled pictures into
; <drive of the Windows folder>\Tavrin\Quillmor, and an uninstaller the installed programs list.
;
;   makensis -DARCH=win64|win32 -DSCR=<quillmor.scr> -DPICTURES=<pictures.nsh> -DOUTFILE=<setup.exe> quillmor.nsi
;
; PICTURES names an include file with one PICTURE line per bundled picture:
;   ${PICTURE} "<host path of the picture>" "<its file name>"
; /S installs and uninstalls silently.

Unicode true
!if "${ARCH}" == "win64"
  ; The 64-bit stub: the setup runs where only 64-bit code runs, and $SYSDIR is the real system32.
  Target amd64-unicode
!else
  ; 32-bit: $SYSDIR is where Windows keeps 32-bit programs (SysWOW64 on a 64-bit Windows).
  Target x86-unicode
!endif

!include "LogicLib.nsh"
!include "MUI2.nsh"

!define PRODUCT "Quillmor Screensaver"
!define VERSION "2.0.0"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmor"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "Tavrin"
VIAddVersionKey "LegalCopyright" "Tavrin"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The pictures' folder: on the drive of the Windows folder, whatever drive that is.
Var PictureDir

!macro PICTURE SOURCE NAME
  File "/oname=${NAME}" "${SOURCE}"
!macroend
!macro UNPICTURE SOURCE NAME
  Delete "$PictureDir\${NAME}"
!macroend

!macro SET_PICTURES_FOLDER
  StrCpy $PictureDir $WINDIR 2
  StrCpy $PictureDir "$PictureDir\Tavrin\Quillmor"
!macroend

!macro SET_REGISTRY_VIEW
  !if "${ARCH}" == "win64"
    SetRegView 64
  !endif
!macroend

Function .onInit
  !insertmacro SET_REGISTRY_VIEW
  !insertmacro SET_PICTURES_FOLDER
  StrCpy $INSTDIR $PictureDir
FunctionEnd

Section "Install"
  SetOutPath "$SYSDIR"
  File "/oname=quillmor.scr" "${SCR}"

  SetOutPath "$PictureDir"
  !define PICTURE "!insertmacro PICTURE"
  !include "${PICTURES}"
  !undef PICTURE

  WriteUninstaller "$PictureDir\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tavrin"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\quillmor.scr"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$PictureDir"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$PictureDir\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$PictureDir\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  !insertmacro SET_REGISTRY_VIEW
  !insertmacro SET_PICTURES_FOLDER
FunctionEnd

; The user's settings (quilmr20.ini in the Windows folder) stay, and so does any picture of the
; user's own in the folder.
Section "Uninstall"
  Delete "$SYSDIR\quillmor.scr"
  !define PICTURE "!insertmacro UNPICTURE"
  !include "${PICTURES}"
  !undef PICTURE
  Delete "$PictureDir\uninstall.exe"
  RMDir "$PictureDir"
  StrCpy $0 $PictureDir -9 ; the Tavrin folder, when nothing else is in it
  RMDir "$0"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
