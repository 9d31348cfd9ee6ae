; The Windows installer: Quorvel.exe and quorvel-cli.exe with the README and the license in
; Program Files\Quorvel, a Start-menu shortcut to the program, Quorvel under "Open with" for project
; files, and an uninstaller in the system's list of installed programs. /S installs silently
; (/D=FOLDER, last on the command line, chooses another folder); "Uninstall.exe /S" removes it all
; silently.
;
; packaging/CMakeLists.txt builds it:
;   makensis -DVERSION=1.2.0 -DSTAGE=<folder with the four files> -DICON=<the program's icon>
;            -DOUTFILE=<the installer> Quorvel.nsi

; A 64-bit installer for a 64-bit program: 64-bit Windows runs it, and Wine without its 32-bit half too.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Quorvel"
!define PUBLISHER "The Quorvel authors"
; The program is 64-bit: its files go to the 64-bit Program Files and its entry to the 64-bit registry.
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"

; The installed files, named once for the installation and the removal.
!macro ForEachFile ACTION
    !insertmacro ${ACTION} "Quorvel.exe"
    !insertmacro ${ACTION} "quorvel-cli.exe"
    !insertmacro ${ACTION} "README.txt"
    !insertmacro ${ACTION} "LICENSE.txt"
!macroend
!macro InstallFile NAME
    File "${STAGE}\${NAME}"
!macroend
!macro RemoveFile NAME
    Delete "$INSTDIR\${NAME}"
!macroend

;---- Open with, and what the program remembers ---------------------------------------------------------
; Quorvel is among the programs that open .mak and .bpr files: registered as an application
; (Applications\Quorvel.exe, which names the types it takes) and listed in each type's OpenWithList. A
; type's own default program is never touched. The removal takes out only
; these keys, and a type's key only when nothing else is left in it.
!define APP_KEY "Software\Classes\Applications\Quorvel.exe"
!macro ForEachProjectType ACTION
    !insertmacro ${ACTION} ".mak"
    !insertmacro ${ACTION} ".bpr"
!macroend
!macro AddOpenWith TYPE
    WriteRegStr HKLM "${APP_KEY}\SupportedTypes" "${TYPE}" ""
    WriteRegStr HKLM "Software\Classes\${TYPE}\OpenWithList\Quorvel.exe" "" ""
!macroend
!macro RemoveOpenWith TYPE
    DeleteRegKey HKLM "Software\Classes\${TYPE}\OpenWithList\Quorvel.exe"
    DeleteRegKey /ifempty HKLM "Software\Classes\${TYPE}\OpenWithList"
    DeleteRegKey /ifempty HKLM "Software\Classes\${TYPE}"
!macroend
; The shell reads the associations anew.
!macro AssociationsChanged
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend
!macro RegisterOpenWith
    WriteRegStr HKLM "${APP_KEY}" "FriendlyAppName" "${PRODUCT}"
    WriteRegStr HKLM "${APP_KEY}\DefaultIcon" "" "$INSTDIR\Quorvel.exe,0"
    WriteRegStr HKLM "${APP_KEY}\shell\open\command" "" '"$INSTDIR\Quorvel.exe" "%1"'
    !insertmacro ForEachProjectType AddOpenWith
    !insertmacro AssociationsChanged
!macroend
!macro UnregisterOpenWith
    !insertmacro ForEachProjectType RemoveOpenWith
    DeleteRegKey HKLM "${APP_KEY}"
    !insertmacro AssociationsChanged
!macroend
; With the program goes what it remembered for the user who removes it.
!macro ForgetUserSettings
    DeleteRegKey HKCU "Software\${PRODUCT}"
!macroend
;---- end of Open with, and what the program remembers -------------------------------------------------

Function .onInit
    SetRegView 64
    SetShellVarContext all
    ; An update goes where the earlier version is, unless /D names a folder.
    ${If} $INSTDIR == "$PROGRAMFILES64\${PRODUCT}"
        ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
        ${If} $0 != ""
            StrCpy $INSTDIR $0
        ${EndIf}
    ${EndIf}
FunctionEnd

Section
    SetOutPath "$INSTDIR"
    !insertmacro ForEachFile InstallFile
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "${SHORTCUT}" "$INSTDIR\Quorvel.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quorvel.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    !insertmacro RegisterOpenWith
SectionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

; Only what the installer put there goes: a folder that holds files of the user's stays, with them.
Section "Uninstall"
    Delete "${SHORTCUT}"
    !insertmacro ForEachFile RemoveFile
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    !insertmacro UnregisterOpenWith
    !insertmacro ForgetUserSettings
SectionEnd
