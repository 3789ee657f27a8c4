; The Orvane installer: the four deliverables, the per-user templates, the
; toolbar bitmaps and the help page in one installation directory, recorded as
; "InstallDir1" for the plug-in and the launcher; Start-menu entries for the
; file window, the per-user set-up and the uninstaller; the set-up of the
; mail client user who runs the installer is offered at the end.
;
; Built by the build with BIN_DIR, TEMPLATE_DIR, OUT_FILE, PRODUCT_NAME, PRODUCT_VERSION,
; VERSION_MAJOR, VERSION_MINOR, COMPANY, COPYRIGHT and TOOLBAR_BITMAPS defined.
;
; Silent runs never wait for a person:
;   OrvaneSetup.exe /S [/USERSETUP] [/ALLOWDOWNGRADE] [/D=directory]
;   Uninstall.exe /S [/CLEANUP]
; Their result is the exit code (below) and a line in "OrvaneSetup.log" in the
; temporary directory; the launcher's set-up commands get "/S" there too.

Unicode true
SetCompressor /SOLID lzma
; Writes the installer's manifest: requireAdministrator.
RequestExecutionLevel admin
ManifestSupportedOS all
; A file that cannot be replaced stops the run; it is never skipped, so no
; installation is left with files of two versions.
AllowSkipFiles off

!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WordFunc.nsh"
!include "Sections.nsh"
!include "TextFunc.nsh"
!include "${TOOLBAR_INCLUDE}"

!define INSTALL_KEY "Software\Tamberlow\Fennick"
!define INSTALL_VALUE "InstallDir1"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT_NAME}"
!define USERS_FILE "Users.cfg"
!define LAUNCHER_LOG "Tolvane.log"
!define HELP_PAGE "DODIreva.htm"
!define SETUP_LOG "$TEMP\${PRODUCT_NAME}Setup.log"
!define START_MENU "$SMPROGRAMS\${PRODUCT_NAME}"
!define LINK_FILES "${PRODUCT_NAME} file encryption.lnk"
!define LINK_SETUP "Set up ${PRODUCT_NAME} for this user.lnk"
!define LINK_HELP "${PRODUCT_NAME} help.lnk"
!define LINK_UNINSTALL "Uninstall ${PRODUCT_NAME}.lnk"

; Exit codes besides NSIS's own (0 done, 1 cancelled, 2 aborted).
!define EXIT_NO_ENGINE 3
!define EXIT_IN_USE 4
!define EXIT_NEWER_INSTALLED 5
!define EXIT_INSTALLED_ELSEWHERE 6
!define EXIT_USER_SETUP_FAILED 7
!define EXIT_CLEANUP_FAILED 8

Name "${PRODUCT_NAME} ${PRODUCT_VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES\Fennick"
InstallDirRegKey HKLM "${INSTALL_KEY}" "${INSTALL_VALUE}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${PRODUCT_VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey "CompanyName" "${COMPANY}"
VIAddVersionKey "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey "FileVersion" "${PRODUCT_VERSION}"
VIAddVersionKey "ProductVersion" "${PRODUCT_VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT_NAME} installer"

Var InstalledVersion
Var InstalledDir
; " /S" when the launcher's set-up must show nothing, else "".
Var Quiet

Page components
Page directory "" "" DirectoryLeave
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; ---- Shared by installer and uninstaller ------------------------------------

; A line for whoever runs the installer unattended, and for the details list.
!macro LogLineFunction prefix
Function ${prefix}LogLine
  Exch $R0
  Push $R1
  DetailPrint "$R0"
  ClearErrors
  FileOpen $R1 "${SETUP_LOG}" a
  ${IfNot} ${Errors}
    FileSeek $R1 0 END
    FileWrite $R1 "${PRODUCT_NAME} ${PRODUCT_VERSION}: $R0$\r$\n"
    FileClose $R1
  ${EndIf}
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro LogLineFunction ""
!insertmacro LogLineFunction "un."

; Out: $R9 the first deliverable of $INSTDIR that a running program holds
; (the mail client holds the libraries, the launcher its program), or "".
!macro FindFileInUseFunction prefix
Function ${prefix}FindFileInUse
  Push $0
  Push $1
  Push $2
  StrCpy $R9 ""
  ${ForEach} $2 0 3 + 1
    ${Select} $2
    ${Case} 0
      StrCpy $0 "Merrowin.dll"
    ${Case} 1
      StrCpy $0 "Pellatch.dll"
    ${Case} 2
      StrCpy $0 "Tolvane.exe"
    ${Case} 3
      StrCpy $0 "Lumvika.dll"
    ${EndSelect}
    ${If} $R9 == ""
    ${AndIf} ${FileExists} "$INSTDIR\$0"
      ; Opened for writing with no sharing: a loaded program or library refuses.
      System::Call 'kernel32::CreateFileW(w "$INSTDIR\$0", i 0x40000000, i 0, p 0, i 3, i 0x80, p 0) i .r1 ?e'
      Pop $R8
      ${If} $1 = -1
        ${If} $R8 = 32
          StrCpy $R9 $0
        ${EndIf}
      ${Else}
        System::Call 'kernel32::CloseHandle(i r1)'
      ${EndIf}
    ${EndIf}
  ${Next}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro FindFileInUseFunction ""
!insertmacro FindFileInUseFunction "un."

; Asks to close what holds the installation until nothing does; a refusal
; (and every silent run that meets a running program) ends the run before
; a single file is replaced.
!macro WaitForProgramsClosedFunction prefix
Function ${prefix}WaitForProgramsClosed
  Push $R9
  Push $R8
  retry:
    Call ${prefix}FindFileInUse
    StrCmp $R9 "" free
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "$R9 in $INSTDIR is in use.$\r$\n$\r$\nClose Pegasus Mail and the ${PRODUCT_NAME} file encryption window, then choose Retry." \
      /SD IDCANCEL IDRETRY retry
    Push "Stopped: $INSTDIR\$R9 is in use (the mail client or the launcher is running)."
    Call ${prefix}LogLine
    SetErrorLevel ${EXIT_IN_USE}
    Quit
  free:
  Pop $R8
  Pop $R9
FunctionEnd
!macroend
!insertmacro WaitForProgramsClosedFunction ""
!insertmacro WaitForProgramsClosedFunction "un."

; Out: $R7 the first mailbox directory of the user register after the
; position of file handle $R6, "" at its end. Lines are
; user="mailbox\" under a "[Windows user]" section.
!macro NextMailboxFunction prefix
Function ${prefix}NextMailbox
  Push $0
  StrCpy $R7 ""
  ${Do}
    ClearErrors
    FileRead $R6 $0
    ${If} ${Errors}
      ${Break}
    ${EndIf}
    ${TrimNewLines} "$0" $0
    StrCpy $R7 $0 1
    ${If} $R7 == "["
      StrCpy $R7 ""
      ${Continue}
    ${EndIf}
    ClearErrors
    ${WordFind} "$0" '="' "E+1}" $R7
    ${If} ${Errors}
      StrCpy $R7 ""
      ${Continue}
    ${EndIf}
    StrCpy $0 $R7 "" -1
    ${If} $0 == '"'
      StrCpy $R7 $R7 -1
    ${EndIf}
    ${If} $R7 != ""
      ${Break}
    ${EndIf}
  ${Loop}
  Pop $0
FunctionEnd
!macroend

; The engine's libraries, each given to the command with its folder prefix.
!macro ENGINE_FILES COMMAND PREFIX
  ${COMMAND} "${PREFIX}PGP_SDK.dll"
  ${COMMAND} "${PREFIX}PGPsdkNL.dll"
  ${COMMAND} "${PREFIX}PGPsdkUI.dll"
  ${COMMAND} "${PREFIX}PGPcl.dll"
  ${COMMAND} "${PREFIX}PGPsc.dll"
!macroend

; ---- Installer ----------------------------------------------------------------

; Out: $R8 the path of the OpenPGP engine's core library where the product
; will look for it (the installation directory, the system directories,
; PATH), or "".
Function FindEngine
  Push $0
  Push $1
  Push $2
  ReadEnvStr $0 PATH
  StrCpy $0 "$INSTDIR;$SYSDIR;$WINDIR;$0"
  StrCpy $R8 ""
  ${ForEach} $2 0 1 + 1
    ${If} $2 = 0
      StrCpy $1 "PGP_SDK.dll"
    ${Else}
      StrCpy $1 "PGPsdk.dll"
    ${EndIf}
    ${If} $R8 == ""
      System::Call 'kernel32::SearchPathW(w r0, w r1, p 0, i ${NSIS_MAX_STRLEN}, w .R8, p 0) i .r1'
      ${If} $1 = 0
        StrCpy $R8 ""
      ${EndIf}
    ${EndIf}
  ${Next}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd


; An installation elsewhere is upgraded where it is: two installations would
; leave the users' forms files pointing at one and the register in the other.
Function CheckInstalledElsewhere
  ${If} $InstalledDir == ""
  ${OrIf} $InstalledDir == $INSTDIR
    Return
  ${EndIf}
  MessageBox MB_OK|MB_ICONEXCLAMATION \
    "${PRODUCT_NAME} $InstalledVersion is installed in $InstalledDir.$\r$\n$\r$\nAn upgrade replaces it there: choose that folder, or uninstall it first." \
    /SD IDOK
  ${If} ${Silent}
    Push "Stopped: ${PRODUCT_NAME} is installed in $InstalledDir, not in $INSTDIR."
    Call LogLine
    SetErrorLevel ${EXIT_INSTALLED_ELSEWHERE}
    Quit
  ${EndIf}
  Abort
FunctionEnd

; A newer installed version is replaced only when the administrator agrees
; (silently only with /ALLOWDOWNGRADE).
Function CheckDowngrade
  ${If} $InstalledVersion == ""
    Return
  ${EndIf}
  ${VersionCompare} "$InstalledVersion" "${PRODUCT_VERSION}" $0
  ${If} $0 != 1
    Return
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/ALLOWDOWNGRADE" $2
  ${IfNot} ${Errors}
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "${PRODUCT_NAME} $InstalledVersion is installed, which is newer than this version ${PRODUCT_VERSION}.$\r$\n$\r$\nReplace it with the older version?" \
    /SD IDNO IDYES agreed
  Push "Stopped: the installed version $InstalledVersion is newer than ${PRODUCT_VERSION}."
  Call LogLine
  SetErrorLevel ${EXIT_NEWER_INSTALLED}
  Quit
  agreed:
FunctionEnd

Function DirectoryLeave
  Call CheckInstalledElsewhere
  Call CheckEngine
FunctionEnd

; Out: $R5 the account that owns this session's desktop when it is not the
; account the installer runs as (an administrator elevated it with their
; own account), otherwise "".
Function FindOtherDesktopUser
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $R5 ""
  System::Call 'advapi32::GetUserNameW(w .r0, *i ${NSIS_MAX_STRLEN}) i .r1'
  ; WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, WTSUserName
  System::Call 'wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 5, *p .r2, *i .r3) i .r1'
  ${If} $1 <> 0
    System::Call 'kernel32::lstrcpynW(w .r3, p r2, i ${NSIS_MAX_STRLEN})'
    System::Call 'wtsapi32::WTSFreeMemory(p r2)'
    ${If} $3 != ""
    ${AndIf} $3 != $0
      StrCpy $R5 $3
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Runs one set-up command of the launcher ($0, "UserConfig" or "UserUpdate")
; for the user who started the installer and reports its result.
Function RunUserSetUp
  Push $R5
  Push $1
  Call FindOtherDesktopUser
  ${If} $R5 != ""
    Push "Not set up: the installer runs as another account than $R5; $R5 chooses Start > ${PRODUCT_NAME} > Set up ${PRODUCT_NAME} for this user."
    Call LogLine
    MessageBox MB_OK|MB_ICONINFORMATION \
      "The set-up of a mail client user runs as that user.$\r$\n$\r$\n$R5 chooses Start > ${PRODUCT_NAME} > Set up ${PRODUCT_NAME} for this user." \
      /SD IDOK
    Goto done
  ${EndIf}
  ${If} ${Silent}
    StrCpy $Quiet " /S"
  ${EndIf}
  StrCpy $0 "$0$Quiet"
  ClearErrors
  ExecWait '"$INSTDIR\Tolvane.exe" $0' $1
  ${If} ${Errors}
  ${OrIf} $1 <> 0
    Push "The per-user set-up (Tolvane.exe $0) failed with exit code $1; see ${LAUNCHER_LOG} in $INSTDIR."
    Call LogLine
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "The per-user set-up (Tolvane.exe $0) failed (exit code $1).$\r$\n$\r$\n${PRODUCT_NAME} is installed; run Start > ${PRODUCT_NAME} > Set up ${PRODUCT_NAME} for this user again." \
      /SD IDOK
    SetErrorLevel ${EXIT_USER_SETUP_FAILED}
  ${Else}
    Push "Per-user set-up done (Tolvane.exe $0)."
    Call LogLine
  ${EndIf}
  done:
  Pop $1
  Pop $R5
FunctionEnd

Section "!${PRODUCT_NAME}" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; Nothing is replaced while the mail client or the launcher holds a file.
  Call WaitForProgramsClosed
  SetOverwrite on
  File "${BIN_DIR}/Merrowin.dll"
  File "${BIN_DIR}/Pellatch.dll"
  File "${BIN_DIR}/Tolvane.exe"
  File "${BIN_DIR}/Lumvika.dll"
  File "${TEMPLATE_DIR}/Merrowin.fff"
  File "${TEMPLATE_DIR}/Pellatch.fff"
  File "${TEMPLATE_DIR}/AutoList.txt"
  File "${BIN_DIR}/${HELP_PAGE}"
  !insertmacro TOOLBAR_FILES
  WriteRegStr HKLM "${INSTALL_KEY}" "${INSTALL_VALUE}" "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; The common Start menu: the entries serve every user of the computer.
  SetShellVarContext all
  CreateDirectory "${START_MENU}"
  CreateShortCut "${START_MENU}\${LINK_FILES}" "$INSTDIR\Tolvane.exe" "" "$INSTDIR\Tolvane.exe" 0
  CreateShortCut "${START_MENU}\${LINK_SETUP}" "$INSTDIR\Tolvane.exe" "UserConfig" "$INSTDIR\Tolvane.exe" 0
  CreateShortCut "${START_MENU}\${LINK_HELP}" "$INSTDIR\${HELP_PAGE}"
  CreateShortCut "${START_MENU}\${LINK_UNINSTALL}" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${PRODUCT_VERSION}"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMajor" ${VERSION_MAJOR}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMinor" ${VERSION_MINOR}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tolvane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "$INSTDIR\${HELP_PAGE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; The OpenPGP engine built with ${PRODUCT_NAME} (the release 7 interface of the
; PGP SDK), beside the deliverables, where their loader looks first. Left out
; when a PGP SDK is installed already, or with /NOENGINE.
Section "OpenPGP engine" SecEngine
  SetOutPath "$INSTDIR"
  SetOverwrite on
  !insertmacro ENGINE_FILES File "${ENGINE_DIR}/"
SectionEnd

; Without an engine Orvane cannot start: say so instead of installing.
Function CheckEngine
  ${If} ${SectionIsSelected} ${SecEngine}
    Return
  ${EndIf}
  Push $R8
  retry:
    Call FindEngine
    StrCmp $R8 "" 0 found
    MessageBox MB_RETRYCANCEL|MB_ICONSTOP \
      "No OpenPGP engine was found on this computer.$\r$\n$\r$\n${PRODUCT_NAME} needs an OpenPGP engine: its own (the component $\"OpenPGP engine$\") or the PGP SDK (release 6.5 or 7), whose library PGP_SDK.dll or PGPsdk.dll lies in the system directory, in $INSTDIR or on the PATH. Without it ${PRODUCT_NAME} cannot start.$\r$\n$\r$\nInstall the PGP SDK, then choose Retry, or go back and choose the component $\"OpenPGP engine$\"." \
      /SD IDCANCEL IDRETRY retry
    Push "Stopped: no OpenPGP engine (PGP_SDK.dll or PGPsdk.dll) in the system directory, $INSTDIR or PATH."
    Call LogLine
    SetErrorLevel ${EXIT_NO_ENGINE}
    Quit
  found:
  Pop $R8
FunctionEnd

; The launcher copies the templates into the mailbox of the mail client user
; who runs the installer and opens the configuration; over an installation
; with registered users it also refreshes their forms files.
Section "Set up the current mail client user" SecUserSetup
SectionEnd

; Runs after the files are in place, chosen or not: an upgrade must refresh
; every registered user's forms files, or they keep naming what was replaced.
Section "-Per-user set-up"
  StrCpy $Quiet ""
  ${If} ${FileExists} "$INSTDIR\${USERS_FILE}"
  ${AndIf} $InstalledVersion != ""
    ; An upgrade refreshes every registered user; it asks nothing of the
    ; administrator who did not choose the set-up for themselves.
    ${IfNot} ${SectionIsSelected} ${SecUserSetup}
      StrCpy $Quiet " /S"
    ${EndIf}
    StrCpy $0 "UserUpdate"
    Call RunUserSetUp
  ${ElseIf} ${SectionIsSelected} ${SecUserSetup}
    StrCpy $0 "UserConfig"
    Call RunUserSetUp
  ${EndIf}
SectionEnd

Function .onInit
  ReadRegStr $InstalledVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ReadRegStr $InstalledDir HKLM "${INSTALL_KEY}" "${INSTALL_VALUE}"
  Call CheckDowngrade
  ; The set-up is offered ready to go only to a mail client user.
  ReadRegStr $0 HKCU "Software\Pegasus Mail\Mailbox" ""
  ${If} $0 == ""
  ${AndIfNot} ${Silent}
    !insertmacro UnselectSection ${SecUserSetup}
  ${EndIf}
  ; A PGP SDK installed already stays the engine; ours would hide it.
  Call FindEngine
  ${If} $R8 != ""
  ${AndIf} $R8 != "$INSTDIR\PGP_SDK.dll"
    !insertmacro UnselectSection ${SecEngine}
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOENGINE" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecEngine}
  ${EndIf}
  ${If} ${Silent}
    ; Silent installs set a user up only when asked to.
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/USERSETUP" $1
    ${If} ${Errors}
      !insertmacro UnselectSection ${SecUserSetup}
    ${EndIf}
    Call CheckInstalledElsewhere
    Call CheckEngine
  ${EndIf}
FunctionEnd

; ---- Uninstaller -------------------------------------------------------------

!insertmacro NextMailboxFunction "un."

; Removes the forms files from every registered mailbox, so that none is left
; naming the library this uninstaller removes. Out: $R4 the number of
; mailboxes still holding a per-user file of $R3 ("forms" or "all").
Function un.RemoveUsersForms
  Push $R6
  Push $R7
  StrCpy $R4 0
  ClearErrors
  FileOpen $R6 "$INSTDIR\${USERS_FILE}" r
  ${If} ${Errors}
    Goto done
  ${EndIf}
  ${Do}
    Call un.NextMailbox
    ${If} $R7 == ""
      ${Break}
    ${EndIf}
    StrCpy $0 $R7 "" -1
    ${If} $0 != "\"
      StrCpy $R7 "$R7\"
    ${EndIf}
    Delete "$R7Pellatch.f??"
    Delete "$R7Merrowin.f??"
    ${If} ${FileExists} "$R7Pellatch.f??"
    ${OrIf} ${FileExists} "$R7Merrowin.f??"
      IntOp $R4 $R4 + 1
      Push "Not removed: the forms files in $R7."
      Call un.LogLine
    ${ElseIf} $R3 == "all"
      ${If} ${FileExists} "$R7Merrowin.cfg"
      ${OrIf} ${FileExists} "$R7AutoList.txt"
        IntOp $R4 $R4 + 1
        Push "Not removed: Merrowin.cfg or AutoList.txt in $R7."
        Call un.LogLine
      ${EndIf}
    ${EndIf}
  ${Loop}
  FileClose $R6
  done:
  Pop $R7
  Pop $R6
FunctionEnd

Section "Uninstall"
  Call un.WaitForProgramsClosed
  ; The users' own files (configuration, AutoList.txt) stay unless the
  ; launcher's clean-up removes them: chosen here, or /CLEANUP when silent.
  StrCpy $R3 "forms"
  ${un.GetParameters} $0
  ClearErrors
  ${un.GetOptions} $0 "/CLEANUP" $1
  ${If} ${Errors}
    MessageBox MB_YESNO|MB_DEFBUTTON2|MB_ICONQUESTION \
      "Remove the ${PRODUCT_NAME} files of every set-up mail client user too?" /SD IDNO IDNO keepUsers
  ${EndIf}
  StrCpy $R3 "all"
  StrCpy $0 "Cleanup"
  ${If} ${Silent}
    StrCpy $0 "Cleanup /S"
  ${EndIf}
  ClearErrors
  ExecWait '"$INSTDIR\Tolvane.exe" $0' $1
  ${If} ${Errors}
  ${OrIf} $1 <> 0
    Push "The clean-up (Tolvane.exe $0) failed with exit code $1."
    Call un.LogLine
  ${EndIf}
  keepUsers:
  ; The clean-up succeeded only when no listed mailbox holds a file of ours.
  Call un.RemoveUsersForms
  ${If} $R4 = 0
    Delete "$INSTDIR\${USERS_FILE}"
    Delete "$INSTDIR\${LAUNCHER_LOG}"
  ${Else}
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "The ${PRODUCT_NAME} files of $R4 mail client user(s) could not be removed.$\r$\n$\r$\nTheir mailboxes are listed in $INSTDIR\${USERS_FILE}, which stays, and the launcher's reasons in ${LAUNCHER_LOG} beside it." \
      /SD IDOK
    Push "Clean-up failed for $R4 mail client user(s); $INSTDIR\${USERS_FILE} stays."
    Call un.LogLine
    SetErrorLevel ${EXIT_CLEANUP_FAILED}
  ${EndIf}

  Delete "$INSTDIR\Merrowin.dll"
  Delete "$INSTDIR\Pellatch.dll"
  Delete "$INSTDIR\Tolvane.exe"
  Delete "$INSTDIR\Lumvika.dll"
  Delete "$INSTDIR\Merrowin.fff"
  Delete "$INSTDIR\Pellatch.fff"
  Delete "$INSTDIR\AutoList.txt"
  Delete "$INSTDIR\${HELP_PAGE}"
  !insertmacro UN_TOOLBAR_FILES
  ; The engine's files, with the preferences and random seed it keeps
  ; beside itself; key rings there are the user's and stay.
  !insertmacro ENGINE_FILES Delete "$INSTDIR\"
  Delete "$INSTDIR\PGPsdk.dat"
  Delete "$INSTDIR\randseed.bin"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "${START_MENU}\${LINK_FILES}"
  Delete "${START_MENU}\${LINK_SETUP}"
  Delete "${START_MENU}\${LINK_HELP}"
  Delete "${START_MENU}\${LINK_UNINSTALL}"
  RMDir "${START_MENU}"

  DeleteRegValue HKLM "${INSTALL_KEY}" "${INSTALL_VALUE}"
  DeleteRegKey /ifempty HKLM "${INSTALL_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Tamberlow"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
