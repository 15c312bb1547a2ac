; The card's driver installer, as setup.exe's driver step runs it: silent, it installs
; nothing and ends with the exit code it was built with (3010: done, restart needed).
;   makensis -DEXITCODE=n [-DOUTFILE=drvsetup.exe] driver.nsi

!ifndef EXITCODE
  !error "give the exit code: makensis -DEXITCODE=n driver.nsi"
!endif
!ifndef OUTFILE
  !define OUTFILE drvsetup.exe
!endif

Unicode true
Name "Norvane Driver"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SilentInstall silent

Section
  SetErrorLevel ${EXITCODE}
SectionEnd
