; The setup: installs Glimmora for the current user, without administrator rights, into
; %LOCALAPPDATA%\Programs\Glimmora, where the program keeps its defect file beside the exe. It
; starts the program with Windows, updates an installed copy in place, and its uninstaller keeps
; the user's defects unless asked not to.
;
; scripts/pack-dist.sh builds it:
;   makensis -INPUTCHARSET UTF8 -DVERSION=2.0.2 -DSTAGE=<folder> -DRESOURCES=<folder>
;            -DOUTFILE=<setup.exe> Glimmora.nsi
; STAGE holds Glimmora.exe and LICENSE.txt as they go into the zip; RESOURCES is resources/.
; Nothing of the build machine (no time, no path) goes into the setup: the same sources give the
; same bytes.

Target amd64-unicode
Unicode true
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma
AllowSkipFiles off

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Glimmora"
!define UNINSTALLER "Deinstallieren.exe"
; The hidden main window of a running Glimmora: WM_CLOSE to it ends the program the way its
; menu's "Beenden" does.
!define MAIN_WINDOW_CLASS "TForm1"

Name "Glimmora"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Glimmora"
; An update goes where the first install went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Glimmora ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow
; A megabyte is not worth a line on every page.
SpaceTexts none

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1031 "ProductName" "Glimmora"
VIAddVersionKey /LANG=1031 "FileDescription" "Glimmora-Setup"
VIAddVersionKey /LANG=1031 "CompanyName" "Glimmora-Team"
VIAddVersionKey /LANG=1031 "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1031 "ProductVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1031 "LegalCopyright" "MIT-Lizenz"

!define MUI_ICON "${RESOURCES}/MainIcon.ico"
!define MUI_UNICON "${RESOURCES}/MainIcon.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${RESOURCES}/SetupSide.bmp"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

; Three clicks: the option, the folder, done.
!define MUI_PAGE_HEADER_TEXT "Glimmora installieren"
!define MUI_PAGE_HEADER_SUBTEXT "Glimmora verdeckt Pixelfehler Ihres Bildschirms."
!define MUI_COMPONENTSPAGE_TEXT_TOP "Glimmora wird nur für Sie installiert; Administratorrechte sind nicht nötig. Mit Windows gestartet, verdeckt es Ihre Pixelfehler ab jeder Anmeldung."
!define MUI_COMPONENTSPAGE_TEXT_COMPLIST "Optionen:"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Glimmora ist installiert"
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_TEXT "Glimmora zeigt kein Fenster, sondern ein Symbol im Infobereich der Taskleiste (unter Windows 11 zunächst hinter dem Pfeil ^). Ein Rechtsklick auf das Symbol öffnet das Menü; unter „Setup“ markieren Sie die Pixelfehler.$\r$\n$\r$\nSie finden Glimmora auch im Startmenü."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Glimmora jetzt starten"
!define MUI_FINISHPAGE_RUN_FUNCTION StartGlimmora
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH

!define MUI_PAGE_HEADER_TEXT "Glimmora deinstallieren"
!define MUI_PAGE_HEADER_SUBTEXT "Glimmora wird von Ihrem Computer entfernt."
!define MUI_COMPONENTSPAGE_TEXT_TOP "Glimmora wird aus $INSTDIR entfernt, mit seinen Verknüpfungen im Startmenü und im Autostart-Ordner. Ihre gespeicherten Pixelfehler bleiben in diesem Ordner, damit eine neue Installation sie wieder verdeckt."
!define MUI_COMPONENTSPAGE_TEXT_COMPLIST "Optionen:"
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "German"

; 1 once this setup has ended a running Glimmora; it is started again after the update.
Var WasRunning

; Ends every Glimmora that runs from $INSTDIR through its own close path and waits for each;
; copies from other folders (a portable one, say) keep running. Sets WasRunning. Asks to retry
; when one does not end; aborts when the user gives up (a silent run gives up at once).
!macro END_RUNNING_GLIMMORA un
Function ${un}EndRunningGlimmora
    ; $0 window, $1 process id, $2 process, $3 its image, $4 length, $5 our exe
    StrCpy $WasRunning 0
    StrCpy $5 "$INSTDIR\Glimmora.exe"
    System::Call 'kernel32::GetLongPathNameW(w r5, w .r0, i ${NSIS_MAX_STRLEN}) i .r4'
    ${If} $4 <> 0
        StrCpy $5 $0
    ${EndIf}
    StrCpy $0 0
    ${Do}
        FindWindow $0 "${MAIN_WINDOW_CLASS}" "" 0 $0
        ${If} $0 = 0
            ${Break}
        ${EndIf}
        System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
        ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
        System::Call 'kernel32::OpenProcess(i 0x101000, i 0, i r1) p .r2'
        ${If} $2 == 0
            ${Continue}
        ${EndIf}
        System::Call 'kernel32::QueryFullProcessImageNameW(p r2, i 0, w .r3, *i ${NSIS_MAX_STRLEN}) i .r4'
        ${If} $4 <> 0
            System::Call 'kernel32::GetLongPathNameW(w r3, w .r3, i ${NSIS_MAX_STRLEN})'
        ${EndIf}
        ${If} $4 = 0
        ${OrIf} $3 != $5
            System::Call 'kernel32::CloseHandle(p r2)'
            ${Continue}
        ${EndIf}
        DetailPrint "Glimmora wird beendet ..."
        System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0)'
        System::Call 'kernel32::WaitForSingleObject(p r2, i 15000) i .r4'
        System::Call 'kernel32::CloseHandle(p r2)'
        ${If} $4 <> 0
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Glimmora lässt sich nicht beenden. Beenden Sie es über das Menü seines Symbols im Infobereich („Beenden“) und klicken Sie auf „Wiederholen“." /SD IDCANCEL IDRETRY +2
            Abort "Glimmora läuft noch."
        ${Else}
            StrCpy $WasRunning 1
        ${EndIf}
        ; From the first window again: the list of windows has changed.
        StrCpy $0 0
    ${Loop}
FunctionEnd
!macroend
!insertmacro END_RUNNING_GLIMMORA ""
!insertmacro END_RUNNING_GLIMMORA "un."

Section "-Glimmora" SecProgram
    Call EndRunningGlimmora
    SetOutPath "$INSTDIR"
    File "${STAGE}/Glimmora.exe"
    File "${STAGE}/LICENSE.txt"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    CreateShortcut "$SMPROGRAMS\Glimmora.lnk" "$INSTDIR\Glimmora.exe"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Glimmora"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Glimmora-Team"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Glimmora.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    SectionGetSize ${SecProgram} $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Mit Windows starten" SecStartup
    CreateShortcut "$SMSTARTUP\Glimmora.lnk" "$INSTDIR\Glimmora.exe"
SectionEnd

Section "-Start again"
    ; Left out on an update: the user took it out of the Startup folder before.
    ${IfNot} ${SectionIsSelected} ${SecStartup}
        Delete "$SMSTARTUP\Glimmora.lnk"
    ${EndIf}
    ${If} $WasRunning = 1
        Exec '"$INSTDIR\Glimmora.exe"'
    ${EndIf}
SectionEnd

Function .onInit
    ; An update keeps the choice of the first install: without the shortcut, the option starts
    ; unticked.
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIfNot} ${FileExists} "$SMSTARTUP\Glimmora.lnk"
        !insertmacro UnselectSection ${SecStartup}
    ${EndIf}
FunctionEnd

Function FinishShow
    ; The update has started it already.
    ${If} $WasRunning = 1
        ShowWindow $mui.FinishPage.Run ${SW_HIDE}
    ${EndIf}
FunctionEnd

Function StartGlimmora
    ${If} $WasRunning <> 1
        Exec '"$INSTDIR\Glimmora.exe"'
    ${EndIf}
FunctionEnd

Section "-un.Glimmora"
    Call un.EndRunningGlimmora
    Delete "$INSTDIR\Glimmora.exe"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$SMPROGRAMS\Glimmora.lnk"
    Delete "$SMSTARTUP\Glimmora.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; The defect list and every file that belongs to it, with what an interrupted save left.
Section /o "un.Auch die gespeicherten Pixelfehler löschen" SecUnData
    Delete "$INSTDIR\Glimmora.pix"
    Delete "$INSTDIR\Glimmora.pix.tmp"
    Delete "$INSTDIR\Glimmora.panels"
    Delete "$INSTDIR\Glimmora.panels.tmp"
SectionEnd

Section "-un.Folder"
    ; Last, so that whoever waits for it to go knows the rest is done.
    Delete "$INSTDIR\${UNINSTALLER}"
    ; Only when empty: a folder that holds the user's defects stays.
    RMDir "$INSTDIR"
SectionEnd
