; The Orvane installer: the four deliverables and the per-user templates in one
; installation directory, recorded as "InstallDir1" for the plug-in and the
; launcher; the set-up of the current mail client user is offered at the end.
; Built by the build with BIN_DIR, TEMPLATE_DIR, OUT_FILE, PRODUCT_NAME, PRODUCT_VERSION and
; COMPANY defined. Silent runs: /S; /USERSETUP also sets the current user up.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"

!define INSTALL_KEY "Software\Tamberlow\Fennick"
!define INSTALL_VALUE "InstallDir1"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT_NAME}"

Name "${PRODUCT_NAME} ${PRODUCT_VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES\Fennick"
InstallDirRegKey HKLM "${INSTALL_KEY}" "${INSTALL_VALUE}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${PRODUCT_VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey "CompanyName" "${COMPANY}"
VIAddVersionKey "FileVersion" "${PRODUCT_VERSION}"
VIAddVersionKey "ProductVersion" "${PRODUCT_VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT_NAME} installer"

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "!${PRODUCT_NAME}" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${BIN_DIR}/Merrowin.dll"
  File "${BIN_DIR}/Pellatch.dll"
  File "${BIN_DIR}/Tolvane.exe"
  File "${BIN_DIR}/Lumvika.dll"
  File "${TEMPLATE_DIR}/Merrowin.fff"
  File "${TEMPLATE_DIR}/Pellatch.fff"
  File "${TEMPLATE_DIR}/AutoList.txt"
  WriteRegStr HKLM "${INSTALL_KEY}" "${INSTALL_VALUE}" "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${PRODUCT_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The launcher copies the templates into the mailbox of the mail client user
; who is set up in the registry and opens the configuration.
Section "Set up the current mail client user" SecUserSetup
  ExecWait '"$INSTDIR\Tolvane.exe" UserConfig'
SectionEnd

Function .onInit
  ; Silent installs set a user up only when asked to.
  ${If} ${Silent}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/USERSETUP" $1
    ${If} ${Errors}
      !insertmacro UnselectSection ${SecUserSetup}
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The users' own files stay unless they are removed with the launcher's
  ; clean-up, which the user chooses here (never in a silent run).
  MessageBox MB_YESNO|MB_DEFBUTTON2|MB_ICONQUESTION \
    "Remove the ${PRODUCT_NAME} files of every set-up mail client user too?" /SD IDNO IDNO keepUsers
    ExecWait '"$INSTDIR\Tolvane.exe" Cleanup'
  keepUsers:
  Delete "$INSTDIR\Merrowin.dll"
  Delete "$INSTDIR\Pellatch.dll"
  Delete "$INSTDIR\Tolvane.exe"
  Delete "$INSTDIR\Lumvika.dll"
  Delete "$INSTDIR\Merrowin.fff"
  Delete "$INSTDIR\Pellatch.fff"
  Delete "$INSTDIR\AutoList.txt"
  Delete "$INSTDIR\Users.cfg"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegValue HKLM "${INSTALL_KEY}" "${INSTALL_VALUE}"
  DeleteRegKey /ifempty HKLM "${INSTALL_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Tamberlow"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
