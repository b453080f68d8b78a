; The per-user installer of Velmor截图 (Karvo). It installs without administrator rights into
; the user's own programs folder, so config.xml beside Karvo.exe stays writable, and it never
; writes config.xml itself: an upgrade keeps the user's settings, and the uninstaller asks before
; removing them (silently it keeps them). Built by the `packages` target:
;   makensis -DVERSION=2.1.0.1 -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> Karvo.nsi
; Command line: /S silent; /PRTSC also turns the option below on in a silent install;
; /D=<folder> another folder (last, unquoted, as NSIS requires).
; Two languages, chosen as Windows installers choose: the user's display language when the
; installer has it (Simplified Chinese for a Chinese one), else the first inserted, English. The
; Start-menu names are those of the install's language; the uninstaller reads them back from the
; registry, so it removes them whatever language it runs in.

; A 64-bit installer for a 64-bit program (and Wine here runs no 32-bit code).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT_ZH "Velmor截图"
!define PRODUCT_EN "Velmor Screenshot"
!define COMPANY "Velmor科技"
!define COMPANY_EN "Velmor Technology"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Karvo"

Name "$(Product) ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Karvo"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "$(Company)"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT_ZH}"
VIAddVersionKey /LANG=2052 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT_ZH} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "版权所有 (C) ${COMPANY}，保留所有权利。"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT_EN}"
VIAddVersionKey /LANG=1033 "CompanyName" "${COMPANY_EN}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT_EN} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${COMPANY_EN}. All rights reserved."

!define MUI_ICON "${STAGE}/../Karvo.ico"
!define MUI_UNICON "${STAGE}/../Karvo.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Karvo.exe"
!define MUI_FINISHPAGE_RUN_TEXT "$(RunProgram)"

!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString Product ${LANG_ENGLISH} "${PRODUCT_EN}"
LangString Product ${LANG_SIMPCHINESE} "${PRODUCT_ZH}"
LangString Company ${LANG_ENGLISH} "${COMPANY_EN}"
LangString Company ${LANG_SIMPCHINESE} "${COMPANY}"
LangString RunProgram ${LANG_ENGLISH} "Run ${PRODUCT_EN}"
LangString RunProgram ${LANG_SIMPCHINESE} "运行 ${PRODUCT_ZH}"
LangString UninstallLink ${LANG_ENGLISH} "Uninstall ${PRODUCT_EN}"
LangString UninstallLink ${LANG_SIMPCHINESE} "卸载 ${PRODUCT_ZH}"
LangString PrintScreenName ${LANG_ENGLISH} "Capture with the PrintScreen key (turns off Windows' $\"Use the Print screen key to open screen capture$\")"
LangString PrintScreenName ${LANG_SIMPCHINESE} "使用 PrintScreen 键截图（关闭 Windows 的“使用 PrintScreen 键打开屏幕截图”）"
LangString MainText ${LANG_ENGLISH} "The program files, the Start-menu shortcuts and the uninstaller."
LangString MainText ${LANG_SIMPCHINESE} "程序文件、开始菜单快捷方式和卸载程序。"
LangString PrintScreenText ${LANG_ENGLISH} "Lets ${PRODUCT_EN} use the PrintScreen key. Windows 11 keeps that key for its own snipping tool by default, so the PrintScreen hot key of ${PRODUCT_EN} cannot be registered. Takes effect after signing out and in again."
LangString PrintScreenText ${LANG_SIMPCHINESE} "让 ${PRODUCT_ZH} 使用 PrintScreen 键。Windows 11 默认把这个键留给系统自带的截图工具，${PRODUCT_ZH} 的 PrintScreen 热键因此无法注册。注销后重新登录生效。"
LangString RemoveSettings ${LANG_ENGLISH} "Remove your settings (config.xml) too?$\r$\n$\r$\nChoose No to keep them for a later installation."
LangString RemoveSettings ${LANG_SIMPCHINESE} "是否同时删除您的设置（config.xml）？$\r$\n$\r$\n选择“否”将保留设置，以后重新安装时继续使用。"

Section "$(Product)" SecMain
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

    ; An upgrade in the other language replaces the earlier language's shortcuts.
    Call RemoveShortcuts
    CreateDirectory "$SMPROGRAMS\$(Product)"
    CreateShortcut "$SMPROGRAMS\$(Product)\$(Product).lnk" "$INSTDIR\Karvo.exe"
    CreateShortcut "$SMPROGRAMS\$(Product)\$(UninstallLink).lnk" "$INSTDIR\uninstall.exe"
    WriteRegStr HKCU "${UNINST_KEY}" "StartMenuFolder" "$(Product)"
    WriteRegStr HKCU "${UNINST_KEY}" "StartMenuUninstall" "$(UninstallLink)"

    WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "$(Product)"
    WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "$(Company)"
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
Section /o "$(PrintScreenName)" SecPrintScreen
    WriteRegDWORD HKCU "Control Panel\Keyboard" "PrintScreenKeyForSnippingEnabled" 0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "$(MainText)"
    !insertmacro MUI_DESCRIPTION_TEXT ${SecPrintScreen} "$(PrintScreenText)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; The shortcuts an earlier install made, by the names it recorded (in its language).
!macro RemoveShortcutsBody
    ReadRegStr $0 HKCU "${UNINST_KEY}" "StartMenuFolder"
    ReadRegStr $1 HKCU "${UNINST_KEY}" "StartMenuUninstall"
    ${If} $0 != ""
        Delete "$SMPROGRAMS\$0\$0.lnk"
        ${If} $1 != ""
            Delete "$SMPROGRAMS\$0\$1.lnk"
        ${EndIf}
        RMDir "$SMPROGRAMS\$0"
    ${EndIf}
!macroend
Function RemoveShortcuts
    !insertmacro RemoveShortcutsBody
FunctionEnd
Function un.RemoveShortcuts
    !insertmacro RemoveShortcutsBody
FunctionEnd

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
    Call un.RemoveShortcuts
    ; An install made before the names were recorded: the Chinese names it used.
    Delete "$SMPROGRAMS\${PRODUCT_ZH}\${PRODUCT_ZH}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT_ZH}\卸载 ${PRODUCT_ZH}.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT_ZH}"
    ; The user's settings are theirs: asked about, kept in a silent uninstall.
    ${If} ${FileExists} "$INSTDIR\config.xml"
        MessageBox MB_YESNO|MB_ICONQUESTION "$(RemoveSettings)" /SD IDNO IDNO keepSettings
        Delete "$INSTDIR\config.xml"
    keepSettings:
    ${EndIf}
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
