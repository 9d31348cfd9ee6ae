; The Windows installer: Quorvel.exe and quorvel-cli.exe with the README and the license in
; Program Files\Quorvel, a Start-menu shortcut to the program, Quorvel under "Open with" for project
; files, and an uninstaller in the system's list of installed programs. /S installs silently
; (/D=FOLDER, last on the command line, chooses another folder); "Uninstall.exe /S" removes it all
; silently.
;
; packaging/CMakeLists.txt builds it:
;   makensis -DVERSION=1.3.0 -DSTAGE=<folder with the four files> -DICON=<the program's icon>
;            -DOUTFILE=<the installer> Quorvel.nsi

; A 64-bit installer for a 64-bit program: 64-bit Windows runs it, and Wine without its 32-bit half too.
Target amd64-unicode
SetCompressor /SOLID lzma
; The installed files are dated by their installation, not by the build: made again from the same commit,
; the installer is the same byte for byte.
SetDateSave off
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
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
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

;---- A running Quorvel --------------------------------------------------------------------------------
; The program holds a mutex of this name while it runs (gui/Main.cpp); its files cannot be replaced or
; removed then. Run by a person, the installer and the uninstaller ask for it to be closed and look
; again; silent (/S), they stop before they change anything, with the reason on their standard error
; and the exit code RUNNING_EXIT, so that a package manager does not report an upgrade that left the old
; program in place. A file that could not be written all the same (quorvel-cli.exe at work) ends a
; silent installation with that code too.
!define RUNNING_MUTEX "Global\QuorvelProgramRunning"
!define RUNNING_EXIT 3
!macro RunningFunctions UN
; Ends the installer with RUNNING_EXIT, the message on its standard error when it has one.
Function ${UN}QuitInUse
    Exch $R0
    System::Call 'kernel32::GetStdHandle(i -12) p .r1'
    ${If} $1 P<> 0
    ${AndIf} $1 P<> -1
        FileWrite $1 "$R0$\r$\n"
    ${EndIf}
    DetailPrint $R0
    SetErrorLevel ${RUNNING_EXIT}
    Quit
FunctionEnd

Function ${UN}WaitUntilClosed
    ${Do}
        ; Not found: no copy runs. Any other failure (access denied: another user's) means it exists.
        System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MUTEX}") p .r0 ?e'
        Pop $1
        ${If} $0 P= 0
        ${AndIf} $1 = 2
            ${ExitDo}
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r0)'
        ${If} ${Silent}
            Push "${PRODUCT} is running: close it and run this again."
            Call ${UN}QuitInUse
        ${EndIf}
        ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is running. Close it, then choose Retry." IDCANCEL`
            SetErrorLevel 1
            Quit
        ${EndIf}
    ${Loop}
FunctionEnd
!macroend
!insertmacro RunningFunctions ""
!insertmacro RunningFunctions "un."
;---- end of a running Quorvel ------------------------------------------------------------------------

Function .onInit
    SetRegView 64
    SetShellVarContext all
    Call WaitUntilClosed
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
    ClearErrors
    !insertmacro ForEachFile InstallFile
    ${If} ${Errors}
    ${AndIf} ${Silent}
        Push "A file of ${PRODUCT} in $INSTDIR is in use and was not replaced: close the program that uses it and run this again."
        Call QuitInUse
    ${EndIf}
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

;-----------------------------------------------------------------------------------------------------
; quorvel-cli on the user's PATH
;
; A component of its own, checked by default, so that /S adds it too: the installation folder is
; appended to the user's Path (HKCU\Environment) unless an entry names it already. The uninstall entry
; notes that the installer added it; the uninstaller then takes out the entries that name the folder
; and leaves every other one as it was. Both tell running programs (Explorer, and so new consoles)
; with WM_SETTINGCHANGE. A Path longer than NSIS's strings (NSIS_MAX_STRLEN) is never written back cut
; short: it is left alone and the details say so.

!include WinMessages.nsh

!define ENVIRONMENT_KEY "Environment"
!define PATH_ADDED "AddedToPath" ; a value of the uninstall key

!macro PathFunctions UN
; $R0 = the user's Path, "" when there is none; the error flag is set when a Path is there that
; cannot be read whole (too long for NSIS, or not a string).
Function ${UN}ReadUserPath
    Push $R8
    Push $R9
    ClearErrors
    ReadRegStr $R0 HKCU "${ENVIRONMENT_KEY}" "Path"
    ${If} ${Errors}
        ; ReadRegStr fails alike for a missing value and an unreadable one: look for the name.
        StrCpy $R0 ""
        StrCpy $R8 0
        ${Do}
            EnumRegValue $R9 HKCU "${ENVIRONMENT_KEY}" $R8
            ${If} $R9 == ""
            ${OrIf} $R9 == "Path"
                ${ExitDo}
            ${EndIf}
            IntOp $R8 $R8 + 1
        ${Loop}
        ClearErrors
        ${IfThen} $R9 != "" ${|} SetErrors ${|}
    ${EndIf}
    Pop $R9
    Pop $R8
FunctionEnd

; $R0 = a Path, $R1 = a folder -> $R2 = the Path without the entries that name the folder (in any
; case, with or without a trailing backslash or quotes), the others as they were; $R3 = how many went.
Function ${UN}PathWithout
    Push $R4 ; what is left to read
    Push $R5 ; the entry
    Push $R6 ; its length
    Push $R7 ; the character after it
    Push $R8 ; how many entries are kept
    StrCpy $R2 ""
    StrCpy $R3 0
    StrCpy $R8 0
    StrCpy $R4 $R0
    StrCpy $R7 ";"
    ${DoWhile} $R7 == ";"
        StrCpy $R6 0
        ${Do}
            StrCpy $R7 $R4 1 $R6
            ${If} $R7 == ";"
            ${OrIf} $R7 == ""
                ${ExitDo}
            ${EndIf}
            IntOp $R6 $R6 + 1
        ${Loop}
        StrCpy $R5 $R4 $R6
        IntOp $R6 $R6 + 1
        StrCpy $R4 $R4 "" $R6
        ${If} $R5 == $R1
        ${OrIf} $R5 == "$R1\"
        ${OrIf} $R5 == '"$R1"'
            IntOp $R3 $R3 + 1
        ${Else}
            ${If} $R8 == 0
                StrCpy $R2 $R5
            ${Else}
                StrCpy $R2 "$R2;$R5"
            ${EndIf}
            IntOp $R8 $R8 + 1
        ${EndIf}
    ${Loop}
    Pop $R8
    Pop $R7
    Pop $R6
    Pop $R5
    Pop $R4
FunctionEnd
!macroend
!insertmacro PathFunctions ""
!insertmacro PathFunctions "un."

Section "Add quorvel-cli to my PATH" SectionPath
    Call ReadUserPath
    ${If} ${Errors}
        DetailPrint "Your Path is too long to change here: add $INSTDIR to it yourself."
        Return
    ${EndIf}
    StrCpy $R1 $INSTDIR
    Call PathWithout
    ${If} $R3 <> 0
        Return ; on it already
    ${EndIf}
    StrLen $R4 $R0
    StrLen $R5 $INSTDIR
    IntOp $R4 $R4 + $R5
    ${If} $R4 >= ${NSIS_MAX_STRLEN}
        DetailPrint "Your Path is too long to change here: add $INSTDIR to it yourself."
        Return
    ${EndIf}
    StrCpy $R5 $R0 1 -1
    ${If} $R0 == ""
        StrCpy $R0 $INSTDIR
    ${ElseIf} $R5 == ";"
        StrCpy $R0 "$R0$INSTDIR"
    ${Else}
        StrCpy $R0 "$R0;$INSTDIR"
    ${EndIf}
    WriteRegExpandStr HKCU "${ENVIRONMENT_KEY}" "Path" $R0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "${PATH_ADDED}" 1
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:${ENVIRONMENT_KEY}" /TIMEOUT=5000
SectionEnd

; Before the uninstall entry, which notes whether the installer added the folder, goes.
Section "un.PathEntry"
    ReadRegDWORD $R9 HKLM "${UNINSTALL_KEY}" "${PATH_ADDED}"
    ${If} $R9 <> 1
        Return
    ${EndIf}
    Call un.ReadUserPath
    ${If} ${Errors}
        DetailPrint "Your Path is too long to change here: take $INSTDIR out of it yourself."
        Return
    ${EndIf}
    StrCpy $R1 $INSTDIR
    Call un.PathWithout
    ${If} $R3 <> 0
        ${If} $R2 == ""
            DeleteRegValue HKCU "${ENVIRONMENT_KEY}" "Path"
        ${Else}
            WriteRegExpandStr HKCU "${ENVIRONMENT_KEY}" "Path" $R2
        ${EndIf}
        SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:${ENVIRONMENT_KEY}" /TIMEOUT=5000
    ${EndIf}
SectionEnd
;-----------------------------------------------------------------------------------------------------

Function un.onInit
    SetRegView 64
    SetShellVarContext all
    Call un.WaitUntilClosed
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
