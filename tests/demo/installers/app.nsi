; The card's application installer, as a card maker makes it with NSIS: the end-to-end
; runs of setup.exe use it in place of the demo's appsetup.exe (make-cds.sh builds it).
;
;   makensis -DVERSION=x.y.z [-DQUICK_UNINSTALL] [-DINPLACE] [-DWIZARD]
;            [-DCONNECT_EXE=NorvaneConnect.exe] [-DOUTFILE=appsetup.exe] app.nsi
;
; It follows what setup.exe expects of an installer for AppType=1, under
; HKLM\SOFTWARE\Norvane\Connect in the 32-bit view:
; - nothing registered: installs NorvaneConnect.exe and version.txt into
;   $PROGRAMFILES\Norvane Connect, writes uninstall.exe there and registers Version,
;   ExePath, ExeName and, last, UnInstall (the quoted path of uninstall.exe);
; - UnInstall registered: runs that uninstaller and waits until the old installation and
;   its registration are gone, then ends without installing; setup.exe finds UnInstall
;   gone and runs this installer again, which then installs.
; -DINPLACE: ignores the registration and installs over it (one run).
; -DQUICK_UNINSTALL: the usual mistake, kept to be tested: the uninstaller is started
;   without _?=, so it copies itself to %TEMP%, starts the copy and ends at once. This
;   installer ends while the registration is still there (setup.exe runs it only once),
;   and the copy removes the old installation and its registration a moment later.
;
; -DWIZARD: the other usual mistake: a wizard that waits for a click unless /S is given.
;
; Silent always unless WIZARD (/S is accepted too). Exit code 0 when done; when the old uninstaller
; fails, its exit code; 1 when it cannot be started.

!ifndef VERSION
  !error "give the version: makensis -DVERSION=x.y.z app.nsi"
!endif
!ifndef CONNECT_EXE
  !define CONNECT_EXE NorvaneConnect.exe
!endif
!ifndef OUTFILE
  !define OUTFILE appsetup.exe
!endif
!define REG_KEY "SOFTWARE\Norvane\Connect"
!define EXE_NAME NorvaneConnect.exe

!include LogicLib.nsh
!include FileFunc.nsh

Unicode true
Name "Norvane Connect ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Norvane Connect"
RequestExecutionLevel admin
!ifdef WIZARD
Page instfiles
!else
SilentInstall silent
!endif
SilentUnInstall silent
ShowInstDetails nevershow
ShowUninstDetails nevershow
; Installed files get the time of installation, not of this build: what a run wrote shows.
SetDateSave off

Section "Install"
  SetRegView 32
!ifndef INPLACE
  ReadRegStr $R0 HKLM "${REG_KEY}" UnInstall
  ${If} $R0 != ""
    Call RemoveRegistered
    Return
  ${EndIf}
!endif
  SetOutPath "$INSTDIR"
  File "/oname=${EXE_NAME}" "${CONNECT_EXE}"
  FileOpen $R1 "$INSTDIR\version.txt" w
  FileWrite $R1 "${VERSION}$\r$\n"
  FileClose $R1
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${REG_KEY}" Version "${VERSION}"
  WriteRegStr HKLM "${REG_KEY}" ExePath "$INSTDIR"
  WriteRegStr HKLM "${REG_KEY}" ExeName "${EXE_NAME}"
  ; Last: setup.exe takes UnInstall for a complete installation.
  WriteRegStr HKLM "${REG_KEY}" UnInstall '"$INSTDIR\uninstall.exe"'
SectionEnd

!ifndef INPLACE
; Removes the installation whose UnInstall command is $R0 (the uninstaller's path, quoted
; or not).
Function RemoveRegistered
  StrCpy $R1 $R0 1
  ${If} $R1 == '"'
    StrCpy $R0 $R0 -1 1
  ${EndIf}
  ${GetParent} "$R0" $R1
  ${IfNot} ${FileExists} "$R0"
    ; Registered, but the uninstaller is gone: only the registration is left to remove.
    DeleteRegKey HKLM "${REG_KEY}"
    DeleteRegKey /ifempty HKLM "SOFTWARE\Norvane"
    Return
  ${EndIf}
  ClearErrors
!ifdef QUICK_UNINSTALL
  ExecWait '"$R0" /S' $R2
!else
  ; _?= runs the uninstaller where it lies, so that ExecWait waits for the removal; it
  ; cannot delete its own file then, which is done here.
  ExecWait '"$R0" /S _?=$R1' $R2
!endif
  ${If} ${Errors}
    SetErrorLevel 1
    Return
  ${EndIf}
  SetErrorLevel $R2
!ifndef QUICK_UNINSTALL
  ${If} $R2 == 0
    Delete "$R0"
    RMDir "$R1"
  ${EndIf}
!endif
FunctionEnd
!endif

Section "Uninstall"
  SetRegView 32
  Delete "$INSTDIR\${EXE_NAME}"
  Delete "$INSTDIR\version.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; Last: the registration goes when the files have gone.
  DeleteRegKey HKLM "${REG_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Norvane"
SectionEnd
