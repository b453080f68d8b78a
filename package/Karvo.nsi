; The per-user installer of Velmor截图 (Karvo). It installs without administrator rights into
; the user's own programs folder, so config.xml beside Karvo.exe stays writable, and it never
; writes config.xml itself: an upgrade keeps the user's settings, and the uninstaller asks before
; removing them (silently it keeps them). Built by the `packages` target:
;   makensis -DVERSION=2.1.0.1 -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> Karvo.nsi
; Command line: /S silent; /PRTSC also turns the option below on in a silent install;
; /D=<folder> another folder (last, unquoted, as NSIS requires).

; A 64-bit installer for a 64-bit program (and Wine here runs no 32-bit code).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Velmor截图"
!define COMPANY "Velmor科技"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Karvo"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Karvo"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "${COMPANY}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "版权所有 (C) ${COMPANY}，保留所有权利。"

!define MUI_ICON "${STAGE}/../Karvo.ico"
!define MUI_UNICON "${STAGE}/../Karvo.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Karvo.exe"
!define MUI_FINISHPAGE_RUN_TEXT "运行 ${PRODUCT}"

!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Section "${PRODUCT}" SecMain
    SectionIn RO
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File "${STAGE}/Karvo.exe"
    File "${STAGE}/karvoc.exe"
    File "${STAGE}/KarvoLib.dll"
    File "${STAGE}/Hook.dll"
    File "${STAGE}/snap.wav"
    File "${STAGE}/README.txt"
    File "${STAGE}/LICENSE.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\Karvo.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\卸载 ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${COMPANY}"
    WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Karvo.exe,0"
    WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" "$0"
SectionEnd

; Windows 11 gives PrintScreen to its own snipping tool; then Karvo's default PrintScreen hot
; key cannot be registered. Per user, and only when asked for.
Section /o "使用 PrintScreen 键截图（关闭 Windows 的“使用 PrintScreen 键打开屏幕截图”）" SecPrintScreen
    WriteRegDWORD HKCU "Control Panel\Keyboard" "PrintScreenKeyForSnippingEnabled" 0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "程序文件、开始菜单快捷方式和卸载程序。"
    !insertmacro MUI_DESCRIPTION_TEXT ${SecPrintScreen} "让 ${PRODUCT} 使用 PrintScreen 键。Windows 11 默认把这个键留给系统自带的截图工具，${PRODUCT} 的 PrintScreen 热键因此无法注册。注销后重新登录生效。"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/PRTSC" $1
    ${IfNot} ${Errors}
        SectionGetFlags ${SecPrintScreen} $1
        IntOp $1 $1 | ${SF_SELECTED}
        SectionSetFlags ${SecPrintScreen} $1
    ${EndIf}
FunctionEnd

Section "Uninstall"
    SetShellVarContext current
    Delete "$INSTDIR\Karvo.exe"
    Delete "$INSTDIR\karvoc.exe"
    Delete "$INSTDIR\KarvoLib.dll"
    Delete "$INSTDIR\Hook.dll"
    Delete "$INSTDIR\snap.wav"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\卸载 ${PRODUCT}.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"
    ; The user's settings are theirs: asked about, kept in a silent uninstall.
    ${If} ${FileExists} "$INSTDIR\config.xml"
        MessageBox MB_YESNO|MB_ICONQUESTION "是否同时删除您的设置（config.xml）？$\r$\n$\r$\n选择“否”将保留设置，以后重新安装时继续使用。" /SD IDNO IDNO keepSettings
        Delete "$INSTDIR\config.xml"
    keepSettings:
    ${EndIf}
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
