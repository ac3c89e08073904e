; The Windows installer: per user, without administrator rights, into the user's programs folder.
; Made by scripts/windows-package.sh, which defines VERSION, its four-number form VI_VERSION
; (1.0 is 1.0.0.0, 1.0.1 is 1.0.1.0), ICON, OUTFILE and FILES: the stem
; of two includes made from the program folder, FILES.install.nsh and FILES.uninstall.nsh, which
; put its files in place and remove exactly those.
; Silent install and uninstall with /S. Installing over an earlier version first runs that
; version's uninstaller; uninstalling removes what the installer made and nothing else.
; A 64-bit installer for a 64-bit program: it runs wherever the program can, and under a 64-bit
; Wine without its 32-bit half.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tickora"

Name "$(NAME)"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tickora"
; The folder chosen last time is offered again.
InstallDirRegKey HKCU "Software\Tickora" "InstallDir"
BrandingText "Tickora ${VERSION}"
VIProductVersion "${VI_VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "Tickora"
VIAddVersionKey /LANG=0 "FileDescription" "Tickora ${VERSION} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "The Tickora developers"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) 2026 The Tickora developers; MIT licence"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\tickora.exe"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; English first: it is the language of a Windows that speaks neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString NAME ${LANG_ENGLISH} "Tickora"
LangString NAME ${LANG_SIMPCHINESE} "Tickora（禾澜迷你股票监控器）"
LangString SHORTCUT ${LANG_ENGLISH} "Shanghai and Shenzhen share quotes in a small window"
LangString SHORTCUT ${LANG_SIMPCHINESE} "在小窗口中查看沪深股票行情"

; Any Chinese Windows (Taiwan's and Hong Kong's too) gets the Chinese pages, not only China's.
!macro ChineseForEveryChineseWindows
    System::Call "kernel32::GetUserDefaultUILanguage() i .r0"
    IntOp $0 $0 & 0x3FF
    IntCmp $0 0x04 0 +2 +2
        StrCpy $LANGUAGE ${LANG_SIMPCHINESE}
!macroend

Function .onInit
    !insertmacro ChineseForEveryChineseWindows
FunctionEnd

Function un.onInit
    !insertmacro ChineseForEveryChineseWindows
FunctionEnd

Section
    ; An earlier version goes first, through its own uninstaller, run in place and waited for;
    ; but only in a folder of Tickora's (its uninstall entry's, or one holding tickora.exe): the
    ; uninstall.exe of another program in a folder the user typed is never run.
    ReadRegStr $0 HKCU "${KEY}" "InstallLocation"
    StrCmp $0 "$INSTDIR" earlier
    IfFileExists "$INSTDIR\tickora.exe" earlier none
earlier:
    IfFileExists "$INSTDIR\uninstall.exe" 0 none
        ExecWait '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
        Delete "$INSTDIR\uninstall.exe"
none:
    SetOutPath "$INSTDIR"
    !include "${FILES}.install.nsh"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ; The shortcut starts in the folder set last: the program's own.
    SetOutPath "$INSTDIR"
    CreateShortcut "$SMPROGRAMS\Tickora.lnk" "$INSTDIR\tickora.exe" "" "$INSTDIR\tickora.exe" 0 \
        SW_SHOWNORMAL "" "$(SHORTCUT)"

    WriteRegStr HKCU "Software\Tickora" "InstallDir" "$INSTDIR"
    WriteRegStr HKCU "${KEY}" "DisplayName" "$(NAME)"
    WriteRegStr HKCU "${KEY}" "DisplayIcon" "$INSTDIR\tickora.exe,0"
    WriteRegStr HKCU "${KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${KEY}" "Publisher" "The Tickora developers"
    WriteRegStr HKCU "${KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    !include "${FILES}.uninstall.nsh"
    Delete "$INSTDIR\uninstall.exe"
    ; Removed only when empty: the user's own files in the folder stay, and the folder with them.
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Tickora.lnk"
    DeleteRegKey HKCU "${KEY}"
    DeleteRegKey HKCU "Software\Tickora"
SectionEnd
