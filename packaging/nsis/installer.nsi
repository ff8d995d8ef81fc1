; Example installer for the TALVORN Probe Core Inserter: installs the companion's files,
; registers the command with every Vivado version of the installing user and has each
; user's versions put in order again at every logon; its uninstaller takes the command out.
;   makensis -DFILES=<files.nsh> [-DVERSION=1.0.0] [-DOUTFILE=<setup.exe>] installer.nsi
; scripts/build-installers.sh writes files.nsh: the macros InstallFiles and UninstallFiles,
; both from one list of the files to install, so that an uninstall deletes exactly those.
; For the current user (no administrator), into %LOCALAPPDATA%\Programs\Talvorn Tool:
;         TalvornToolSetup.exe /S [/D=C:\Somewhere Else]
;         TalvornToolSetup.exe /S /Uninstall
; For every user of the machine, into Program Files (an administrator):
;         TalvornToolSetup.exe /S /AllUsers [/D=...]
;         TalvornToolSetup.exe /S /AllUsers /Uninstall
; /Uninstall returns when the uninstall is done, with its exit code: 0 when it is done or
; nothing was installed, 2 when it failed. The uninstall.exe in the install folder, which
; the list of installed programs runs, returns at once (NSIS runs a copy of it elsewhere).
; An install refuses (exit code 2) while the tool is installed by another kind of
; installer, or by this one for the other scope: see RefuseOtherKinds.

; A 64-bit installer for a 64-bit tool.
Target amd64-unicode

!ifndef VERSION
    !define VERSION 1.0.0
!endif
!ifndef OUTFILE
    !define OUTFILE "TalvornToolSetup.exe"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TalvornProbeCoreInserter"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "TALVORN Probe Core Inserter"
!define SHORTCUT "Register with Vivado.lnk"
; Where the MSIs keep their folder, in HKCU (per user) or HKLM (per machine).
!define MSI_KEY "Software\Talvorn\Probe Core Inserter"

; Per user unless /AllUsers is given. "Highest" lets an administrator's installer elevate,
; which /AllUsers needs; the per-user install still goes to that same user's profile.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "Talvorn Tool"
!define MULTIUSER_USE_PROGRAMFILES64
!include MultiUser.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include "${FILES}"

Name "TALVORN Probe Core Inserter"
OutFile "${OUTFILE}"

Page directory
Page instfiles
UninstPage instfiles

Function .onInit
    ; /D= has set $INSTDIR by now; MultiUser would put its default over it.
    StrCpy $R0 $INSTDIR
    !insertmacro MULTIUSER_INIT
    SetRegView 64
    ${GetParameters} $R1
    ClearErrors
    ${GetOptions} $R1 "/Uninstall" $R2
    ${IfNot} ${Errors}
        Call UninstallInstalled
    ${EndIf}
    Call RefuseOtherKinds
    ; An installation of this kind is upgraded in its own folder unless /D= names another.
    ReadRegStr $R2 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R0 != ""
        StrCpy $INSTDIR $R0
    ${ElseIf} $R2 != ""
        StrCpy $INSTDIR $R2
    ${EndIf}
FunctionEnd

!macro RefuseIfInstalled ROOT KEY NAME BY
    ReadRegStr $0 ${ROOT} "${KEY}" "${NAME}"
    ${If} $0 != ""
        MessageBox MB_ICONSTOP|MB_OK "$(^Name) is already installed by ${BY} in $0. Uninstall that first." /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
!macroend

; One installation per scope: two would each run a refresh at logon, and each removal would
; take away what the other still needs (the Run value's name is the same). So the install
; refuses while an MSI of either scope is installed, or this installer for the other scope.
Function RefuseOtherKinds
    !insertmacro RefuseIfInstalled HKCU "${MSI_KEY}" "InstallDir" "TalvornTool-per-user.msi, for the current user only,"
    !insertmacro RefuseIfInstalled HKLM "${MSI_KEY}" "InstallDir" "TalvornTool-per-machine.msi, for all users,"
    ${If} $MultiUser.InstallMode == "AllUsers"
        !insertmacro RefuseIfInstalled HKCU "${UNINSTALL_KEY}" "InstallLocation" "TalvornToolSetup.exe, for the current user only,"
    ${Else}
        !insertmacro RefuseIfInstalled HKLM "${UNINSTALL_KEY}" "InstallLocation" "TalvornToolSetup.exe /AllUsers, for all users,"
    ${EndIf}
FunctionEnd

; Runs the uninstaller of the installation in folder $R8 with options $R9, in place (_?=)
; so that it is waited for, then deletes it and the folder if that is empty, which it can't
; do itself while it runs. Leaves its exit code in $R9: 2 when it could not be started.
Function RunUninstaller
    ClearErrors
    ExecWait '"$R8\uninstall.exe" /S $R9 _?=$R8' $R9
    ${If} ${Errors}
        StrCpy $R9 2
    ${ElseIf} $R9 == 0
        Delete "$R8\uninstall.exe"
        RMDir "$R8"
    ${EndIf}
FunctionEnd

; /Uninstall: the installation of this scope goes, and the exit code says how that went.
Function UninstallInstalled
    ReadRegStr $R8 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R8 == ""
        SetErrorLevel 0
        Quit
    ${EndIf}
    StrCpy $R9 ""
    Call RunUninstaller
    SetErrorLevel $R9
    Quit
FunctionEnd

Function un.onInit
    !insertmacro MULTIUSER_UNINIT
    ; The scope is the one this folder was installed for, whatever the command line says:
    ; an upgrade runs the old uninstaller with no more than /S /Upgrade.
    SetRegView 64
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
        Call un.MultiUser.InstallMode.AllUsers
        ${If} $MultiUser.InstallMode != "AllUsers"
            MessageBox MB_ICONSTOP|MB_OK "Removing $(^Name) for all users needs an administrator." /SD IDOK
            SetErrorLevel 2
            Quit
        ${EndIf}
    ${Else}
        Call un.MultiUser.InstallMode.CurrentUser
    ${EndIf}
FunctionEnd

Section "Install"
    SetRegView 64
    ; An installation of this kind, here or elsewhere, goes first: its own uninstaller
    ; deletes exactly the files it installed (a later version may install others). With
    ; /Upgrade it keeps every user's entries, so that a user who is not logged on keeps
    ; the command; the refresh below and each user's logon point them at this folder.
    ReadRegStr $R8 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R8 != ""
    ${AndIf} ${FileExists} "$R8\uninstall.exe"
        StrCpy $R9 "/Upgrade"
        Call RunUninstaller
        ${If} $R9 != 0
            DetailPrint "The installation in $R8 could not be uninstalled: $R9"
            SetErrorLevel 2
            Abort
        ${EndIf}
    ${EndIf}

    !insertmacro InstallFiles
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "TALVORN Probe Core Inserter"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'

    ; Only now that every file is in place: an install that stopped earlier leaves nothing
    ; that runs at logon. Each logon puts the user's Vivado versions in order, the versions
    ; installed since included; for all users, that is how every other user gets the command.
    WriteRegStr SHCTX "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\VivadoIntegrationRefresh.exe" nofeedback'
    ; No arguments: the user sees the result in its box.
    CreateShortcut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\VivadoIntegrationRefresh.exe"

    ; The tools run from the folder that holds vivado_server.tcl: the command points there.
    ; "nofeedback": no box of its own; we report the result.
    ClearErrors
    ExecWait '"$INSTDIR\VivadoIntegrationRefresh.exe" nofeedback' $0
    ${If} ${Errors}
        StrCpy $1 "not started"
    ${Else}
        IntFmt $1 "0x%08X" $0
    ${EndIf}
    FileOpen $2 "$INSTDIR\vivado-registration.log" w
    FileWrite $2 "VivadoIntegrationRefresh result: $1$\r$\n"
    FileClose $2

    ; A failed registration does not abort the installation: the files are in place and
    ; the next logon, or the Start-menu shortcut, tries again.
    ${If} $1 != "0x00000000"
        DetailPrint "Registration with Vivado failed: $1 (see the README's exit-code table)"
        ${IfNot} ${Silent}
            MessageBox MB_ICONEXCLAMATION|MB_OK "Registration with Vivado failed: $1"
        ${EndIf}
    ${EndIf}
SectionEnd

Section "Uninstall"
    SetRegView 64
    ; First, so that no logon puts the command back while the files go.
    DeleteRegValue SHCTX "${RUN_KEY}" "${RUN_VALUE}"
    Delete "$SMPROGRAMS\${SHORTCUT}"
    ; While the files are still there: the entries that point at them go, for all users
    ; from every profile on the machine. Not in an upgrade: the new version's files serve
    ; them again.
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/Upgrade" $1
    ${If} ${Errors}
        ${If} $MultiUser.InstallMode == "AllUsers"
            ExecWait '"$INSTDIR\VivadoIntegrationRemove.exe" nofeedback allusers'
        ${Else}
            ExecWait '"$INSTDIR\VivadoIntegrationRemove.exe" nofeedback'
        ${EndIf}
    ${EndIf}
    ; Only what this installer put there, and each folder only once it is empty: whatever
    ; else the folder holds stays.
    !insertmacro UninstallFiles
    Delete "$INSTDIR\vivado-registration.log"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
