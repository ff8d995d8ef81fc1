; Example installer for the TALVORN Probe Core Inserter: installs the companion's files,
; then registers the command with every Vivado version of the installing user; its
; uninstaller takes the command out again.
;   makensis -DDEPLOY=<the bin\ folder that "cmake --install" made> [-DOUTFILE=<setup.exe>] installer.nsi
; Silent: TalvornToolSetup.exe /S /D=C:\Program Files\Talvorn Tool
;         "C:\Program Files\Talvorn Tool\uninstall.exe" /S

; A 64-bit installer for a 64-bit tool.
Target amd64-unicode
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TalvornProbeCoreInserter"

Name "TALVORN Probe Core Inserter"
!ifndef OUTFILE
    !define OUTFILE "TalvornToolSetup.exe"
!endif
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Talvorn Tool"
; Program Files needs an administrator. The tools register with the Vivado versions of the
; account the installer runs as: under UAC the logged-on user, unless another
; administrator's credentials were typed in (then that account's, not the user's).
RequestExecutionLevel admin

Page directory
Page instfiles
UninstPage instfiles

Section "Install"
    SetRegView 64
    ; Installed elsewhere before: that installation goes first, its uninstaller taking its
    ; entries out of Vivado.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} $0 != $INSTDIR
    ${AndIf} ${FileExists} "$0\uninstall.exe"
        ExecWait '"$0\uninstall.exe" /S _?=$0'
        Delete "$0\uninstall.exe"
        RMDir "$0"
    ${EndIf}

    SetOutPath "$INSTDIR"
    File /r "${DEPLOY}\*.*"              ; the two tools, Qt DLLs, platforms\qwindows.dll
    File "..\vivado_server.tcl"
    File "..\Talvorn_CI_A.png"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "TALVORN Probe Core Inserter"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'

    ; The tools run from the folder that holds vivado_server.tcl: the command points there.
    ; Removing first leaves one entry per Vivado version, however often this installer
    ; runs. "nofeedback": no box of their own; we report the result.
    ExecWait '"$INSTDIR\VivadoIntegrationRemove.exe" nofeedback'
    ExecWait '"$INSTDIR\VivadoIntegration.exe" nofeedback' $0
    IntFmt $1 "0x%08X" $0
    FileOpen $2 "$INSTDIR\vivado-registration.log" w
    FileWrite $2 "VivadoIntegration result: $1$\r$\n"
    FileClose $2

    ; A failed registration does not abort the installation: the files are in place and
    ; the user can run VivadoIntegration.exe again later. To abort instead, call Abort here.
    ${If} $0 != 0
        DetailPrint "Registration with Vivado failed: $1 (see the README's exit-code table)"
        ${IfNot} ${Silent}
            MessageBox MB_ICONEXCLAMATION|MB_OK "Registration with Vivado failed: $1"
        ${EndIf}
    ${EndIf}
SectionEnd

Section "Uninstall"
    SetRegView 64
    ; While the files are still there: the entries that point at them go.
    ExecWait '"$INSTDIR\VivadoIntegrationRemove.exe" nofeedback'
    ; Only what this installer put there: whatever else the folder holds stays, and so
    ; does the folder then.
    RMDir /r "$INSTDIR\platforms"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\VivadoIntegration.exe"
    Delete "$INSTDIR\VivadoIntegrationRemove.exe"
    Delete "$INSTDIR\vivado_server.tcl"
    Delete "$INSTDIR\Talvorn_CI_A.png"
    Delete "$INSTDIR\vivado-registration.log"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
