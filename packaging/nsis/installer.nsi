; Example installer for the TALVORN Probe Core Inserter: installs the companion's files,
; then registers the command with every Vivado version of the installing user.
;   makensis -DDEPLOY=<the bin\ folder that "cmake --install" made> [-DOUTFILE=<setup.exe>] installer.nsi
; Silent: TalvornToolSetup.exe /S /D=C:\Program Files\Talvorn Tool

; A 64-bit installer for a 64-bit tool.
Target amd64-unicode
!include LogicLib.nsh

Name "TALVORN Probe Core Inserter"
!ifndef OUTFILE
    !define OUTFILE "TalvornToolSetup.exe"
!endif
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Talvorn Tool"
; Program Files needs an administrator. The tool registers with the Vivado versions of the
; account the installer runs as: under UAC the logged-on user, unless another
; administrator's credentials were typed in (then that account's, not the user's).
RequestExecutionLevel admin

Page directory
Page instfiles

Section "Install"
    SetOutPath "$INSTDIR"
    File /r "${DEPLOY}\*.*"              ; VivadoIntegration.exe, Qt DLLs, platforms\qwindows.dll
    File "vivado_server.tcl"
    File "Talvorn_CI_A.png"

    ; The tool must run from the folder that holds vivado_server.tcl: the command it
    ; registers points there. "nofeedback": no box of its own; we report the result.
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
