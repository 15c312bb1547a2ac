@echo off
rem AppSetupCmd for the MSI package: Windows starts no .msi by itself, msiexec does.
rem setup.exe runs this from the copied package folder, the system folder being current.
msiexec /i "%~dp0NorvaneConnect.msi" /qn
exit /b %errorlevel%
