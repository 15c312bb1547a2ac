; NorvaneConnect.exe: stands in for the card's application, which setup.exe starts at the
; end of a run. It shows nothing and ends with exit code 0 at once. Its version is in its
; version resource, so that each version's program is a file of its own.
;   makensis -DVERSION=x.y.z [-DOUTFILE=NorvaneConnect.exe] connect.nsi

!ifndef VERSION
  !error "give the version: makensis -DVERSION=x.y.z connect.nsi"
!endif
!ifndef OUTFILE
  !define OUTFILE NorvaneConnect.exe
!endif

Unicode true
Name "Norvane Connect ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
SilentInstall silent
VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "Norvane Connect"
VIAddVersionKey FileDescription "Norvane Connect"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "Norvane"

Section
SectionEnd
