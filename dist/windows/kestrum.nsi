; The Windows installer of kestrum-cli and its feed server, made by scripts/package-windows.sh:
;     makensis -DVERSION=1.160615 -DVERSION_QUAD=1.16.615.0 -DSTAGE=<folder> \
;              -DOUTFILE=<setup.exe> -DSIZE_KB=<KiB installed> dist/windows/kestrum.nsi
; STAGE holds the files to install: kestrum-cli.exe, kestrum-feedsim.exe, manual.txt,
; openapi.json, README.txt and copyright.txt.
; This file is UTF-8 with a byte-order mark: NSIS reads the Chinese names as UTF-8 only then.

Unicode true
; A 64-bit installer for 64-bit programs: it sees the 64-bit Program Files and registry as they
; are, and runs where only 64-bit Windows programs run.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!macro Required name
    !ifndef ${name}
        !error "${name} is not defined (scripts/package-windows.sh defines them all)"
    !endif
!macroend
!insertmacro Required VERSION
!insertmacro Required VERSION_QUAD
!insertmacro Required STAGE
!insertmacro Required OUTFILE
!insertmacro Required SIZE_KB

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrum"
; The Start-menu folder, under the all-users Programs folder.
!define MENU_FOLDER "Kestrum"
!define MENU_SERVE "Kestrum"
!define MENU_WATCH "全部彩种导出"
!define MENU_MANUAL "Kestrum manual"

Name "Kestrum"
Caption "Kestrum ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kestrum"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Kestrum ${VERSION}"

; Four numbers of at most 65535 each: the major version, then the date yymmdd as yy and mmdd.
VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=0 "ProductName" "Kestrum"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "Kestrum ${VERSION} setup"
VIAddVersionKey /LANG=0 "CompanyName" "Kestrum"
VIAddVersionKey /LANG=0 "LegalCopyright" "The Kestrum developers"

!include MUI2.nsh

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}\copyright.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "$(KeptData)"
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first is the default; the installer takes the one of the user's language when it has it.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString KeptData ${LANG_ENGLISH} "Kestrum will be removed from the folder below, with its \
    Start-menu shortcuts. Your draws, export files and settings in %LOCALAPPDATA%\Kestrum and \
    %APPDATA%\Kestrum stay where they are."
LangString KeptData ${LANG_SIMPCHINESE} "将从下面的文件夹删除 Kestrum 及其开始菜单快捷方式。\
    %LOCALAPPDATA%\Kestrum 和 %APPDATA%\Kestrum 中的开奖数据、导出文件和设置将保留。"

; The files installed, each named once for installing and once for removing.
!macro KestrumFiles do
    !insertmacro ${do} "kestrum-cli.exe"
    ; kestrum-cli starts its local feed server from beside its own executable.
    !insertmacro ${do} "kestrum-feedsim.exe"
    !insertmacro ${do} "manual.txt"
    !insertmacro ${do} "openapi.json"
    !insertmacro ${do} "README.txt"
    !insertmacro ${do} "copyright.txt"
!macroend
!macro InstallFile name
    File "${STAGE}\${name}"
!macroend
!macro RemoveFile name
    Delete "$INSTDIR\${name}"
!macroend

Function .onInit
    SetShellVarContext all
    SetRegView 64
FunctionEnd

Function un.onInit
    SetShellVarContext all
    SetRegView 64
FunctionEnd

Section "Kestrum"
    SetOutPath "$INSTDIR"
    !insertmacro KestrumFiles InstallFile
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The shortcuts start in the user's own folder; the program keeps its data in
    ; %LOCALAPPDATA%\Kestrum whatever its working folder.
    CreateDirectory "$SMPROGRAMS\${MENU_FOLDER}"
    StrCpy $OUTDIR "%USERPROFILE%"
    CreateShortCut "$SMPROGRAMS\${MENU_FOLDER}\${MENU_SERVE}.lnk" "$INSTDIR\kestrum-cli.exe" \
        "serve --open" "$INSTDIR\kestrum-cli.exe" 0 SW_SHOWNORMAL "" \
        "The web interface in the browser"
    CreateShortCut "$SMPROGRAMS\${MENU_FOLDER}\${MENU_WATCH}.lnk" "$INSTDIR\kestrum-cli.exe" \
        "watch --all" "$INSTDIR\kestrum-cli.exe" 0 SW_SHOWNORMAL "" \
        "The export files of every lottery, kept current"
    CreateShortCut "$SMPROGRAMS\${MENU_FOLDER}\${MENU_MANUAL}.lnk" "$INSTDIR\manual.txt"
    SetOutPath "$INSTDIR"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Kestrum"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kestrum"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kestrum-cli.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ; In KiB, as Add/Remove Programs shows it.
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
    ; Only what the installer put here: the user's data in %LOCALAPPDATA%\Kestrum and
    ; %APPDATA%\Kestrum stays, and so does anything else the user left in the folder.
    !insertmacro KestrumFiles RemoveFile
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    Delete "$SMPROGRAMS\${MENU_FOLDER}\${MENU_SERVE}.lnk"
    Delete "$SMPROGRAMS\${MENU_FOLDER}\${MENU_WATCH}.lnk"
    Delete "$SMPROGRAMS\${MENU_FOLDER}\${MENU_MANUAL}.lnk"
    RMDir "$SMPROGRAMS\${MENU_FOLDER}"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
