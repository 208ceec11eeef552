; The setup program, one for every Windows: the screen saver that fits the Windows into its
; system folder (the x86-64 one on a 64-bit Windows, the i686 one on a 32-bit Windows), the
; bundled pictures into <drive of the Windows folder>\Tavrin\Quillmor, which its users may change,
; quillmor-pictures.exe of the same kind into <Program Files>\Quillmor with a copy of the bundled
; set beside it ("Bundled pictures", what its restore puts back) and a Start-menu entry
; "Quillmor Pictures", and an uninstaller the installed programs list. The setup itself is 32-bit,
; so it runs on both.
;
;   makensis -DSCR64=<x86-64 quillmor.scr> -DSCR32=<i686 quillmor.scr>
;            -DPICS64=<x86-64 quillmor-pictures.exe> -DPICS32=<i686 quillmor-pictures.exe>
;            -DPICTURES=<pictures.nsh> -DICON=<quillmor.ico> -DOUTFILE=<setup.exe> quillmor.nsi
;
; PICTURES names an include file with one PICTURE line per bundled picture:
;   ${PICTURE} "<host path of the picture>" "<its file name>"
; /S installs and uninstalls silently, without the last page's offer.

Unicode true
Target x86-unicode

!include "LogicLib.nsh"
!include "MUI2.nsh"
!include "x64.nsh"

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
; The last page offers the desktop's screen-saver settings with Quillmor chosen.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the screen saver settings with Quillmor Screensaver chosen"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The pictures' folder: on the drive of the Windows folder, whatever drive that is.
Var PictureDir
; The programs' folder: the native Program Files. The uninstaller lives here, where users cannot
; change it, and not in the picture folder, which they can.
Var ProgramDir

!macro PICTURE SOURCE NAME
  File "/oname=${NAME}" "${SOURCE}"
!macroend
!macro UNPICTURE SOURCE NAME
  Delete "$PictureDir\${NAME}"
  Delete "$ProgramDir\Bundled pictures\${NAME}"
!macroend

!macro SET_PICTURES_FOLDER
  StrCpy $PictureDir $WINDIR 2
  StrCpy $PictureDir "$PictureDir\Tavrin\Quillmor"
  ${If} ${RunningX64}
    StrCpy $ProgramDir "$PROGRAMFILES64\Quillmor"
  ${Else}
    StrCpy $ProgramDir "$PROGRAMFILES\Quillmor"
  ${EndIf}
!macroend

; Any user may make a folder at the root of a drive, and a link (a junction) in place of the
; picture folder or of the folder above it would lead the setup's writes, and the rights it gives,
; into another folder: the setup then stops before it changes anything.
!macro REFUSE_LINKED_FOLDER FOLDER
  System::Call 'kernel32::GetFileAttributesW(w "${FOLDER}") i .r0'
  ${If} $0 <> -1
    IntOp $0 $0 & 0x400 ; FILE_ATTRIBUTE_REPARSE_POINT
    ${If} $0 <> 0
      MessageBox MB_ICONSTOP "${FOLDER} is a link to another folder. Nothing was changed." /SD IDOK
      Abort
    ${EndIf}
  ${EndIf}
!macroend
!macro REFUSE_LINKED_PICTURE_FOLDERS
  StrCpy $1 $PictureDir -9 ; the Tavrin folder
  !insertmacro REFUSE_LINKED_FOLDER "$1"
  !insertmacro REFUSE_LINKED_FOLDER "$PictureDir"
!macroend

; On a 64-bit Windows the 64-bit registry, and in the sections, which run on a thread of their
; own, the 64-bit system folder: file-system redirection is per thread, and the setup's window
; thread keeps it, since loading DLLs needs it.
!macro NATIVE_REGISTRY
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend
!macro NATIVE_VIEW
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    SetRegView 64
  ${EndIf}
!macroend

Function .onInit
  !insertmacro NATIVE_REGISTRY
  !insertmacro SET_PICTURES_FOLDER
  StrCpy $INSTDIR $ProgramDir
FunctionEnd

Function OpenScreenSaverSettings
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
  ${EndIf}
  Exec '"$SYSDIR\rundll32.exe" desk.cpl,InstallScreenSaver "$SYSDIR\quillmor.scr"'
  ${If} ${RunningX64}
    ${EnableX64FSRedirection}
  ${EndIf}
FunctionEnd

Section "Install"
  !insertmacro NATIVE_VIEW
  !insertmacro REFUSE_LINKED_PICTURE_FOLDERS
  SetOutPath "$SYSDIR"
  ${If} ${RunningX64}
    File "/oname=quillmor.scr" "${SCR64}"
  ${Else}
    File "/oname=quillmor.scr" "${SCR32}"
  ${EndIf}

  SetOutPath "$PictureDir"
  !define PICTURE "!insertmacro PICTURE"
  !include "${PICTURES}"
  ; The desktop's users (S-1-5-32-545) may change the pictures, as quillmor-pictures.exe does for
  ; the user who runs it.
  nsExec::Exec '"$SYSDIR\icacls.exe" "$PictureDir" /grant *S-1-5-32-545:(OI)(CI)M /Q'
  Pop $0
  ; An earlier version kept its uninstaller here, where users may now change it.
  Delete "$PictureDir\uninstall.exe"

  SetOutPath "$ProgramDir"
  ${If} ${RunningX64}
    File "/oname=quillmor-pictures.exe" "${PICS64}"
  ${Else}
    File "/oname=quillmor-pictures.exe" "${PICS32}"
  ${EndIf}
  SetOutPath "$ProgramDir\Bundled pictures"
  !include "${PICTURES}"
  !undef PICTURE
  SetOutPath "$ProgramDir"
  SetShellVarContext all
  CreateShortCut "$SMPROGRAMS\Quillmor Pictures.lnk" "$ProgramDir\quillmor-pictures.exe"

  WriteUninstaller "$ProgramDir\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tavrin"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\quillmor.scr"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$ProgramDir"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$ProgramDir\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$ProgramDir\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  !insertmacro NATIVE_REGISTRY
  !insertmacro SET_PICTURES_FOLDER
FunctionEnd

; The user's settings (quilmr20.ini in the Windows folder) stay, and so does any picture of the
; user's own in the folder.
Section "Uninstall"
  !insertmacro NATIVE_VIEW
  !insertmacro REFUSE_LINKED_PICTURE_FOLDERS
  Delete "$SYSDIR\quillmor.scr"
  !define PICTURE "!insertmacro UNPICTURE"
  !include "${PICTURES}"
  !undef PICTURE
  Delete "$PictureDir\uninstall.exe"
  RMDir "$PictureDir"
  StrCpy $0 $PictureDir -9 ; the Tavrin folder, when nothing else is in it
  RMDir "$0"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Quillmor Pictures.lnk"
  Delete "$ProgramDir\quillmor-pictures.exe"
  RMDir "$ProgramDir\Bundled pictures"
  Delete "$ProgramDir\uninstall.exe"
  RMDir "$ProgramDir"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
