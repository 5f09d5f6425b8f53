; The Flickvane installer for 64-bit Windows. scripts/package builds it:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.2.3.4 -DBUILD_DIR=<win64 build> -DTOP=<source tree>
;            -DOUTFILE=<setup.exe> installer/flickvane.nsi
; It speaks Japanese, and English wherever the Windows UI language is not Japanese.

!macro RequireDefine name
    !ifndef ${name}
        !error "${name} must be defined (see scripts/package)"
    !endif
!macroend
!insertmacro RequireDefine VERSION
!insertmacro RequireDefine BUILD_DIR
!insertmacro RequireDefine TOP
!insertmacro RequireDefine OUTFILE

; A 64-bit installer: $SYSDIR is the real System32 and the registry is the 64-bit view, so
; neither file-system nor registry redirection comes into play.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Flickvane"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SAVER "$SYSDIR\Flickvane.scr"
!define LAUNCHER "FlickvaneSettings.exe"
!define UNINSTALLER "Uninstall.exe"
; The Start menu entry is named in the installer's language; the uninstaller removes either name.
!define SHORTCUT "$SMPROGRAMS\$(ShortcutName).lnk"
!define SHORTCUT_EN "$SMPROGRAMS\Flickvane Settings.lnk"
!define SHORTCUT_JA "$SMPROGRAMS\Flickvane 設定.lnk"
!define PUBLISHER "Flickvane developers"

Name "Flickvane"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Flickvane"
; An upgrade goes where the previous version went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Flickvane ${VERSION}"

!define MUI_ICON "${TOP}\resources\flickvane.ico"
!define MUI_UNICON "${TOP}\resources\flickvane.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_TEXT "$(FinishText)"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; NSIS picks the language matching the Windows UI language and falls back to the first one.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString MakeCurrentName ${LANG_ENGLISH} "Make Flickvane the current screen saver"
LangString MakeCurrentName ${LANG_JAPANESE} "Flickvane を現在のスクリーン セーバーにする"
LangString FinishText ${LANG_ENGLISH} "Flickvane is installed.$\r$\n$\r$\nWhen you made it the current screen saver, the screen saver settings open after Finish: press $\"Settings...$\" there to build the playlist. The Start menu entry $\"Flickvane Settings$\" opens the same settings later."
LangString FinishText ${LANG_JAPANESE} "Flickvane をインストールしました。$\r$\n$\r$\n現在のスクリーン セーバーにした場合は、[完了] の後にスクリーン セーバーの設定が開きます。[設定] を押して再生リストを作ってください。スタート メニューの「Flickvane 設定」からも同じ設定を開けます。"
LangString ShortcutName ${LANG_ENGLISH} "Flickvane Settings"
LangString ShortcutName ${LANG_JAPANESE} "Flickvane 設定"
LangString ShortcutComment ${LANG_ENGLISH} "Playlist and playback options of the Flickvane screen saver"
LangString ShortcutComment ${LANG_JAPANESE} "Flickvane スクリーン セーバーの再生リストと再生オプション"
LangString NeedsAdministrator ${LANG_ENGLISH} "Installing or removing Flickvane needs administrator rights."
LangString NeedsAdministrator ${LANG_JAPANESE} "Flickvane のインストールと削除には管理者の権限が必要です。"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Flickvane"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Flickvane Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}, MIT License"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"

!macro RequireAdministrator
    ; The manifest asks for elevation; this catches a start that did not get it.
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "admin"
        MessageBox MB_OK|MB_ICONSTOP "$(NeedsAdministrator)" /SD IDOK
        SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
        Quit
    ${EndIf}
    ; The Start menu entry is for every user of the machine.
    SetShellVarContext all
!macroend

Function .onInit
    !insertmacro RequireAdministrator
FunctionEnd

Function un.onInit
    !insertmacro RequireAdministrator
FunctionEnd

Section "Flickvane" SectionSaver
    SectionIn RO
    ; Windows lists the screen savers of the system folder.
    SetOutPath "$SYSDIR"
    File "/oname=Flickvane.scr" "${BUILD_DIR}\Flickvane.scr"
    SetOutPath "$INSTDIR"
    File "${BUILD_DIR}\${LAUNCHER}"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    ; An earlier install in the other language leaves no second entry.
    Delete "${SHORTCUT_EN}"
    Delete "${SHORTCUT_JA}"
    CreateShortCut "${SHORTCUT}" "$INSTDIR\${LAUNCHER}" "" "${SAVER}" 0 SW_SHOWNORMAL "" "$(ShortcutComment)"

    ; Apps and Features
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Flickvane"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${SAVER},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    SectionGetSize ${SectionSaver} $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "$(MakeCurrentName)" SectionMakeCurrent
    ; The installing user's screen saver, as the screen saver settings page stores it.
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "${SAVER}"
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
    ; SPI_SETSCREENSAVEACTIVE with SPIF_UPDATEINIFILE | SPIF_SENDCHANGE tells the running session.
    System::Call "user32::SystemParametersInfoW(i 17, i 1, p 0, i 3)"
SectionEnd

Function .onInstSuccess
    ; Show the choice in the system's screen saver settings, where "Settings..." opens the
    ; playlist. Not in a silent install: nobody is there to look.
    ${IfNot} ${Silent}
    ${AndIf} ${SectionIsSelected} ${SectionMakeCurrent}
        Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
    ${EndIf}
FunctionEnd

Section "Uninstall"
    ; The current screen saver is cleared only while it is still this one; the user may have
    ; picked another since.
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ExpandEnvStrings $0 $0
    GetFullPathName /SHORT $1 "${SAVER}"
    ${If} $0 == "${SAVER}"
        DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${ElseIf} $1 != ""
    ${AndIf} $0 == $1
        DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}

    ; A running saver or dialog keeps its file until the next restart.
    Delete /REBOOTOK "${SAVER}"
    Delete "${SHORTCUT_EN}"
    Delete "${SHORTCUT_JA}"
    Delete "$INSTDIR\${LAUNCHER}"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ; Flickvane.ini in the Windows folder and in %APPDATA%\Flickvane hold the user's
    ; playlist and stay.
SectionEnd
