; Example installer for the TALVORN Probe Core Inserter: installs the companion's files,
; registers the command with every Vivado version of the installing user and has each
; user's versions put in order again at every logon; its uninstaller takes the command out.
;   makensis -DDEPLOY=<the bin\ folder that "cmake --install" made> [-DVERSION=1.0.0]
;            [-DOUTFILE=<setup.exe>] installer.nsi
; For the current user (no administrator), into %LOCALAPPDATA%\Programs\Talvorn Tool:
;         TalvornToolSetup.exe /S [/D=C:\Somewhere Else]
;         "%LOCALAPPDATA%\Programs\Talvorn Tool\uninstall.exe" /S
; For every user of the machine, into Program Files (an administrator):
;         TalvornToolSetup.exe /S /AllUsers [/D=...]
;         "C:\Program Files\Talvorn Tool\uninstall.exe" /S

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

; Per user unless /AllUsers is given. "Highest" lets an administrator's installer elevate,
; which /AllUsers needs; the per-user install still goes to that same user's profile.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "Talvorn Tool"
!define MULTIUSER_USE_PROGRAMFILES64
!include MultiUser.nsh
!include LogicLib.nsh

Name "TALVORN Probe Core Inserter"
OutFile "${OUTFILE}"

Page directory
Page instfiles
UninstPage instfiles

Function .onInit
    ; /D= has set $INSTDIR by now; MultiUser would put its default over it.
    StrCpy $R0 $INSTDIR
    !insertmacro MULTIUSER_INIT
    ${If} $R0 != ""
        StrCpy $INSTDIR $R0
    ${EndIf}
FunctionEnd

Function un.onInit
    !insertmacro MULTIUSER_UNINIT
    ; The scope is the one this folder was installed for, whatever the command line says:
    ; an upgrade runs the old uninstaller with no more than /S.
    SetRegView 64
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
        Call un.MultiUser.InstallMode.AllUsers
        ${If} $MultiUser.InstallMode != "AllUsers"
            MessageBox MB_ICONSTOP|MB_OK "Removing $(^Name) for all users needs an administrator." /SD IDOK
            Quit
        ${EndIf}
    ${Else}
        Call un.MultiUser.InstallMode.CurrentUser
    ${EndIf}
FunctionEnd

Section "Install"
    SetRegView 64
    ; Installed elsewhere before, in this scope: that installation goes first, its
    ; uninstaller taking its entries out of Vivado.
    ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} $0 != $INSTDIR
    ${AndIf} ${FileExists} "$0\uninstall.exe"
        ExecWait '"$0\uninstall.exe" /S _?=$0'
        Delete "$0\uninstall.exe"
        RMDir "$0"
    ${EndIf}

    SetOutPath "$INSTDIR"
    File /r "${DEPLOY}\*.*"              ; the three tools, Qt DLLs, platforms\qwindows.dll
    File "..\vivado_server.tcl"
    File "..\Talvorn_CI_A.png"
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
    ; from every profile on the machine.
    ${If} $MultiUser.InstallMode == "AllUsers"
        ExecWait '"$INSTDIR\VivadoIntegrationRemove.exe" nofeedback allusers'
    ${Else}
        ExecWait '"$INSTDIR\VivadoIntegrationRemove.exe" nofeedback'
    ${EndIf}
    ; Only what this installer put there: whatever else the folder holds stays, and so
    ; does the folder then.
    RMDir /r "$INSTDIR\platforms"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\VivadoIntegration.exe"
    Delete "$INSTDIR\VivadoIntegrationRemove.exe"
    Delete "$INSTDIR\VivadoIntegrationRefresh.exe"
    Delete "$INSTDIR\vivado_server.tcl"
    Delete "$INSTDIR\Talvorn_CI_A.png"
    Delete "$INSTDIR\vivado-registration.log"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
