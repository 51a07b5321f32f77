; The comparison installer of scripts/bench.sh: the same three product files, installed
; and removed the way QuillstationSetup.exe does it (same folder, the same five shortcuts,
; the same uninstall entry, the same per-user clean-up on removal), written the way a
; maintainer would write it with makensis' defaults (zlib, non-solid, Unicode).
;
; The script fills in the generated paths on the command line:
;   makensis -V1 -DPRODUCT_DIR=/path/to/files -DOUT_FILE=/path/to/setup.exe [-DAMD64] quillstation.nsi
; Silent install: setup.exe /S    In-place silent removal: uninstall.exe /S _?=INSTDIR
; -DAMD64 builds it as a 64-bit program (Target amd64-unicode), beside the x86-64 build of
; QuillstationSetup.exe on hosts that run no 32-bit programs: the native Program Files and
; the 64-bit registry view, as that build uses.

!ifndef PRODUCT_DIR
  !error "PRODUCT_DIR must name the folder of the three product files"
!endif
!ifndef OUT_FILE
  !error "OUT_FILE must name the installer to write"
!endif

!define SUB_PATH "Velto\Quillstation"
!define UNINSTALL_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velto:Quillstation {CE132523-F3BB-4e58}"

!ifdef AMD64
  Target amd64-unicode
  !define PROGRAM_FILES "$PROGRAMFILES64"
!else
  !define PROGRAM_FILES "$PROGRAMFILES"
!endif

Name "Quillstation"
OutFile "${OUT_FILE}"
InstallDir "${PROGRAM_FILES}\${SUB_PATH}"
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow

Page instfiles
UninstPage instfiles

Section "Install"
  SetOutPath "$INSTDIR"
  File "${PRODUCT_DIR}\*.*"

  SetShellVarContext current
  CreateDirectory "$SMPROGRAMS\${SUB_PATH}"
  CreateShortcut "$SMPROGRAMS\${SUB_PATH}\Readme.lnk" "$INSTDIR\readme.txt" "" "" 0 SW_SHOWNORMAL "" "Readme"
  CreateShortcut "$SMPROGRAMS\${SUB_PATH}\Quillstation.lnk" "$INSTDIR\Quillstation.exe" "" "" 0 SW_SHOWNORMAL "" "Quillstation"
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\${SUB_PATH}"
  CreateShortcut "$SMPROGRAMS\${SUB_PATH}\Readme.lnk" "$INSTDIR\readme.txt" "" "" 0 SW_SHOWNORMAL "" "Readme"
  CreateShortcut "$SMPROGRAMS\${SUB_PATH}\Quillstation.lnk" "$INSTDIR\Quillstation.exe" "" "" 0 SW_SHOWNORMAL "" "Quillstation"
  SetShellVarContext current
  CreateShortcut "$DESKTOP\Quill Station.lnk" "$INSTDIR\Quillstation.exe" "" "" 0 SW_SHOWNORMAL "" "Quill Station"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quillstation, Pellastine Network"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Velto-Labs"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "1.0.7.6"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\uninstall.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" 5560
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$INSTDIR\uninstall.exe /S"
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\${SUB_PATH}\Quillstation.lnk"
  Delete "$SMPROGRAMS\${SUB_PATH}\Readme.lnk"
  RMDir /r "$SMPROGRAMS\${SUB_PATH}"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${SUB_PATH}\Quillstation.lnk"
  Delete "$SMPROGRAMS\${SUB_PATH}\Readme.lnk"
  RMDir /r "$SMPROGRAMS\${SUB_PATH}"
  SetShellVarContext current
  Delete "$DESKTOP\Quill Station.lnk"

  Delete "$SMSTARTUP\Quillstation (Velto).lnk"
  WriteRegDWORD HKCU "${SUB_PATH}" "SysTray" 0
  WriteRegDWORD HKCU "${SUB_PATH}" "SysTrayShowOnRun" 0

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir /r "$INSTDIR"
SectionEnd
