; The Windows installer of the manager. makensis -DVERSION=1.2.3.4 -DSTAGE=<folder>
; -DOUTFILE=<setup.exe>: STAGE holds manager/ and simulator/ and their file lists, written by
; scripts/lib/windows-package.sh.
; /S installs silently; /SIMULATOR also selects the simulated device.
; A 64-bit setup, as the manager is: wine64 and 64-bit Windows run it without a 32-bit layer.
Target amd64-unicode
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define PRODUCT "VEXOR Manager"
!define PUBLISHER "TORVAL"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "TORVAL ${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "TORVAL ${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "Instalador do TORVAL ${PRODUCT}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "PortugueseBR"

Section "TORVAL ${PRODUCT}" SecManager
    SectionIn RO
    SetShellVarContext all
    !include "${STAGE}\manager.install.nsh"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\vexor-manager.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "TORVAL ${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vexor-manager.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; In a folder of its own, never beside the manager: a real device's dllsat.dll must win.
Section /o "Dispositivo SAT simulado" SecSimulator
    SetShellVarContext all
    !include "${STAGE}\simulator.install.nsh"
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} (simulador).lnk" \
        "$INSTDIR\simulador\vexor-manager-simulator.exe"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecManager} "O gerenciador e o programa de linha de comando vexor."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecSimulator} "Um SAT simulado para experimentar todas as telas sem o equipamento."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
    SetRegView 64
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/SIMULATOR" $1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecSimulator}
    ${EndIf}
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} (simulador).lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"
    !include "${STAGE}\simulator.remove.nsh"
    Delete "$INSTDIR\uninstall.exe"
    !include "${STAGE}\manager.remove.nsh"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
