; The Windows installer of kvss: puts kvss.scr where the desktop looks for screen
; savers, optionally makes it the current one, puts the model viewer and kvtool
; in Program Files with their Start-menu entries, and registers an uninstaller.
; Built by scripts/package-win32.sh:
;   makensis -DVERSION=0.1 -DVERSION_QUAD=0.1.0.0 -DSCR=kvss.scr -DVIEWER=kvss-viewer.exe
;            -DKVTOOL=kvtool.exe -DICON=kvss.ico -DOUTFILE=kvss-setup.exe kvss.nsi
; Command line of the installer: /S silent; /KEEPSAVER leaves the current screen
; saver as it is (without it, silent or not, kvss becomes the current one).
; The uninstaller: /S silent.
Unicode true
; A 64-bit installer: $SYSDIR is the real System32, where the 64-bit kvss.scr
; belongs. A 32-bit one would be redirected to SysWOW64 and would have to turn
; the file-system redirection off around the copy.
Target amd64-unicode
SetCompressor /SOLID lzma

!macro require NAME
  !ifndef ${NAME}
    !error "kvss.nsi needs -D${NAME}=...: see its first lines"
  !endif
!macroend
!insertmacro require VERSION
!insertmacro require VERSION_QUAD
!insertmacro require SCR
!insertmacro require VIEWER
!insertmacro require KVTOOL
!insertmacro require ICON
!insertmacro require OUTFILE

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\kvss"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATEINIFILE_SENDCHANGE 3
!define START_MENU "$SMPROGRAMS\kvss"
!define VIEWER_SHORTCUT "Korvane model viewer.lnk"
!define KVTOOL_SHORTCUT "kvtool command prompt.lnk"
; Explorer's "Open with" for .hog archives.
!define VIEWER_APPLICATION "Software\Classes\Applications\kvss-viewer.exe"
!define HOG_OPEN_WITH "Software\Classes\.hog\OpenWithList\kvss-viewer.exe"

Name "Korvane Screensaver"
OutFile "${OUTFILE}"
; The uninstaller, the viewer and kvtool live here; the saver itself goes to $SYSDIR.
InstallDir "$PROGRAMFILES64\kvss"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

; The project states no copyright holder, so the installer claims none.
!pragma warning disable 9100
VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "kvss"
VIAddVersionKey /LANG=1033 "FileDescription" "Korvane Screensaver setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "kestrow"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Leaves nothing behind: the uninstaller key and SCRNSAVE.EXE are written only
; once the saver and the uninstaller are in place.
Function refuse
  Pop $0
  MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
  SetErrorLevel 2
  Quit
FunctionEnd

Section "Korvane Screensaver" SectionSaver
  SectionIn RO
  ; "try" skips a file it cannot write and sets the error flag, with no
  ; Abort/Retry/Ignore box: the refusal below is the one message.
  SetOverwrite try
  SetOutPath "$SYSDIR"
  ClearErrors
  File "/oname=kvss.scr" "${SCR}"
  ${If} ${Errors}
    Push "Cannot write kvss.scr to $SYSDIR. Run the installer as an administrator, and close the screen saver if it is running."
    Call refuse
  ${EndIf}

  SetOverwrite on
  ClearErrors
  CreateDirectory "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    Delete "$SYSDIR\kvss.scr"
    Push "Cannot write the uninstaller to $INSTDIR."
    Call refuse
  ${EndIf}

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Korvane Screensaver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "kestrow"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\kvss.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The viewer and kvtool, for everyone on the machine: an upgrade writes them
; over the earlier ones.
Section "Model viewer and kvtool" SectionTools
  SetOverwrite try
  SetOutPath "$INSTDIR"
  ClearErrors
  File "/oname=kvss-viewer.exe" "${VIEWER}"
  File "/oname=kvtool.exe" "${KVTOOL}"
  ${If} ${Errors}
    Push "Cannot write kvss-viewer.exe and kvtool.exe to $INSTDIR. Close the viewer and kvtool if they are running."
    Call refuse
  ${EndIf}
  SetOverwrite on

  SetShellVarContext all
  CreateDirectory "${START_MENU}"
  CreateShortcut "${START_MENU}\${VIEWER_SHORTCUT}" "$INSTDIR\kvss-viewer.exe" "" "$INSTDIR\kvss-viewer.exe" 0
  ; A command prompt in the user's own folder, with kvtool on its PATH.
  CreateShortcut "${START_MENU}\${KVTOOL_SHORTCUT}" "$SYSDIR\cmd.exe" \
    '/K cd /d "%USERPROFILE%" && set "PATH=$INSTDIR;%PATH%" && kvtool --help' "$INSTDIR\kvtool.exe" 0
  SetShellVarContext current

  WriteRegStr HKLM "${VIEWER_APPLICATION}\shell\open\command" "" '"$INSTDIR\kvss-viewer.exe" "%1"'
  WriteRegStr HKLM "${VIEWER_APPLICATION}\SupportedTypes" ".hog" ""
  WriteRegStr HKLM "${HOG_OPEN_WITH}" "" ""
SectionEnd

; HKCU is the account the installer runs as: when an administrator elevates it for
; another user, that administrator's desktop gets kvss; the user can choose it in
; the screen-saver settings.
Section "Use it as the screen saver" SectionCurrentSaver
  ; The desktop starts the saver by this value; the short form is what its own
  ; settings dialog writes.
  GetFullPathName /SHORT $0 "$SYSDIR\kvss.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$0"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ; Tells the running desktop, which otherwise reads the setting at the next sign-in.
  System::Call "user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_UPDATEINIFILE_SENDCHANGE})"
SectionEnd

Function .onInit
  SetRegView 64
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/KEEPSAVER" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SectionCurrentSaver}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

; The saver's options (HKCU\Software\kestrow\kvss) stay: they are the user's.
Section "Uninstall"
  Delete /REBOOTOK "$SYSDIR\kvss.scr"
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${GetFileName} "$0" $1
  ${If} $1 == "kvss.scr"
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  SetShellVarContext all
  Delete "${START_MENU}\${VIEWER_SHORTCUT}"
  Delete "${START_MENU}\${KVTOOL_SHORTCUT}"
  RMDir "${START_MENU}"
  SetShellVarContext current
  DeleteRegKey HKLM "${VIEWER_APPLICATION}"
  DeleteRegKey HKLM "${HOG_OPEN_WITH}"
  DeleteRegKey /ifempty HKLM "Software\Classes\.hog\OpenWithList"
  DeleteRegKey /ifempty HKLM "Software\Classes\.hog"

  Delete /REBOOTOK "$INSTDIR\kvss-viewer.exe"
  Delete /REBOOTOK "$INSTDIR\kvtool.exe"
  ; This is a copy of uninstall.exe, started by it from the temporary folder;
  ; the original may still be closing, and until it has, its file stays and
  ; the folder with it. Wait for that, five seconds at most.
  StrCpy $2 0
  ${Do}
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
      ${ExitDo}
    ${EndIf}
    IntOp $2 $2 + 1
    Sleep 100
  ${LoopUntil} $2 >= 50
  ${If} ${FileExists} "$INSTDIR\*.*"
    Delete /REBOOTOK "$INSTDIR\uninstall.exe"
    RMDir /REBOOTOK "$INSTDIR"
  ${EndIf}
SectionEnd
