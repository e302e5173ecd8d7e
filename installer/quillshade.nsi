; The Windows installer of a set of effect modules, and optionally of the
; author's tool. scripts/release builds it with makensis on Linux:
;
;   makensis -DSTAGE=<folder> -DEFFECTS_NSH=<file> -DOUTFILE=<setup.exe> -DPRODUCT_NAME=<name>
;            -DPRODUCT_KEY=<key> -DPUBLISHER=<text> -DVERSION=<a.b.c> [-DHAS_TOOL] quillshade.nsi
;
; STAGE holds effects/*.aex, and, with -DHAS_TOOL, tool/ (quillshade.exe,
; modules/QuillshadeEngine.aex and the author's guide). EFFECTS_NSH, written
; by scripts/release, has one section per effect module and the macros
; QS_DELETE_EFFECTS FOLDER, QS_INSTALL_GUIDE and QS_DELETE_GUIDE FOLDER that
; name each file.
;
; Where the files go:
;   all users (the default)  the modules in the shared MediaCore plug-ins
;                            folder, where both hosts look:
;                            Program Files\Adobe\Common\Plug-ins\7.0\MediaCore\<name>;
;                            the tool and the uninstaller in Program Files\<name>
;   one user (/CurrentUser, or chosen when the shared folder is not writable)
;                            everything under %LOCALAPPDATA%\Programs\<name>,
;                            the modules in its Plug-ins folder
;
; Command line: /S silent; /CurrentUser; /Tool adds the tool
; (a silent install has only the effects otherwise); /D=<folder> the folder
; of the tool and the uninstaller.
;
; An install over an earlier one (of either kind) first runs the earlier
; uninstaller, so that no file of the earlier version is left behind.

Unicode true
; The hosts run on 64-bit Windows only; a 64-bit installer sees its Program
; Files folder and registry view without redirection.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel highest
ManifestDPIAware true

!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include MUI2.nsh

!ifndef STAGE | EFFECTS_NSH | OUTFILE | PRODUCT_NAME | PRODUCT_KEY | PUBLISHER | VERSION
  !error "STAGE, EFFECTS_NSH, OUTFILE, PRODUCT_NAME, PRODUCT_KEY, PUBLISHER and VERSION must be defined"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT_KEY}"
!define SHARED_PLUGINS "$PROGRAMFILES64\Adobe\Common\Plug-ins\7.0\MediaCore"
; Written into the install folder: how this install was made, for the uninstaller.
!define INSTALL_RECORD "install.ini"

Name "${PRODUCT_NAME} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT_NAME} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT_NAME} installer"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

Var AllUsers      ; 1: the shared folders; 0: the current user's
Var PluginFolder  ; where the effect modules go
; The outermost folder above $PluginFolder, and above $INSTDIR, that this
; install makes (empty when their parents are there already); the uninstaller
; removes those parents again once they are empty.
Var PluginParentsMade
Var InstallParentsMade

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; 1 in $0 when a file can be made in folder $1 (made if missing), else 0.
Function FolderWritable
  StrCpy $0 0
  ClearErrors
  CreateDirectory "$1"
  IfErrors done
  FileOpen $2 "$1\${PRODUCT_KEY}-write-test.tmp" w
  IfErrors done
  FileClose $2
  Delete "$1\${PRODUCT_KEY}-write-test.tmp"
  StrCpy $0 1
  done:
FunctionEnd

; $0: the outermost missing folder of the parents of folder $0, or "".
Function OutermostMissingParent
  StrCpy $1 ""
  ${GetParent} $0 $0
  ${DoWhile} $0 != ""
    ${If} ${FileExists} "$0\*.*"
      ${Break}
    ${EndIf}
    StrCpy $1 $0
    ${GetParent} $0 $0
  ${Loop}
  StrCpy $0 $1
FunctionEnd

Function SetFolders
  ${If} $AllUsers == 1
    SetShellVarContext all
    StrCpy $PluginFolder "${SHARED_PLUGINS}\${PRODUCT_NAME}"
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT_NAME}"
    ${EndIf}
  ${Else}
    SetShellVarContext current
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT_NAME}"
    ${EndIf}
    StrCpy $PluginFolder "$INSTDIR\Plug-ins"
  ${EndIf}
FunctionEnd

; Runs the uninstaller of an earlier install recorded under the root that
; SetShellVarContext chose (HKLM for all users, HKCU for one), in place, and
; removes it; its files are that version's own list.
Function RemoveEarlierInstall
  ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "UninstallString"
  ReadRegStr $R1 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == ""
  ${OrIf} $R1 == ""
    Return
  ${EndIf}
  ; Folders the earlier install made are this one's to remove later, when
  ; it goes to the same places.
  ReadINIStr $R2 "$R1\${INSTALL_RECORD}" install PluginFolder
  ReadINIStr $R3 "$R1\${INSTALL_RECORD}" install PluginParentsMade
  ${If} $R2 == $PluginFolder
  ${AndIf} $PluginParentsMade == ""
    StrCpy $PluginParentsMade $R3
  ${EndIf}
  ReadINIStr $R3 "$R1\${INSTALL_RECORD}" install InstallParentsMade
  ${If} $R1 == $INSTDIR
  ${AndIf} $InstallParentsMade == ""
    StrCpy $InstallParentsMade $R3
  ${EndIf}
  ${If} ${FileExists} "$R1\uninstall.exe"
    DetailPrint "Removing the earlier version from $R1"
    ExecWait '"$R1\uninstall.exe" /S _?=$R1'
    Delete "$R1\uninstall.exe"
    RMDir "$R1"
  ${EndIf}
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
FunctionEnd

Section "-Earlier versions"
  ; Both kinds of earlier install: this product keeps one copy per machine.
  SetShellVarContext all
  Call RemoveEarlierInstall
  SetShellVarContext current
  Call RemoveEarlierInstall
  Call SetFolders
SectionEnd

SectionGroup /e "Effects" SectionEffects
  !include "${EFFECTS_NSH}"
SectionGroupEnd

!ifdef HAS_TOOL
Section /o "quillshade tool and the author's guide" SectionTool
  SetOutPath "$INSTDIR"
  File "${STAGE}/tool/quillshade.exe"
  !insertmacro QS_INSTALL_GUIDE
  SetOutPath "$INSTDIR\modules"
  File "${STAGE}/tool/modules/QuillshadeEngine.aex"
  WriteINIStr "$INSTDIR\${INSTALL_RECORD}" install Tool 1
SectionEnd
!endif

Section "-Registration"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteINIStr "$INSTDIR\${INSTALL_RECORD}" install AllUsers $AllUsers
  WriteINIStr "$INSTDIR\${INSTALL_RECORD}" install PluginFolder $PluginFolder
  WriteINIStr "$INSTDIR\${INSTALL_RECORD}" install PluginParentsMade $PluginParentsMade
  WriteINIStr "$INSTDIR\${INSTALL_RECORD}" install InstallParentsMade $InstallParentsMade
  WriteINIStr "$INSTDIR\${INSTALL_RECORD}" install Version "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${GetSize} "$PluginFolder" "/S=0K" $3 $1 $2
  IntOp $0 $0 + $3
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; After the sections, whose indices it uses.
Function .onInit
  SetRegView 64
  ${GetParameters} $R0
  StrCpy $AllUsers 1
  ClearErrors
  ${GetOptions} $R0 "/CurrentUser" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 0
  ${EndIf}
!ifdef HAS_TOOL
  ClearErrors
  ${GetOptions} $R0 "/Tool" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionTool}
  ${EndIf}
!endif
  ; Before the check below makes the shared folder: which of its parents
  ; the install makes.
  StrCpy $0 "${SHARED_PLUGINS}\${PRODUCT_NAME}"
  Call OutermostMissingParent
  StrCpy $PluginParentsMade $0
  ${If} $AllUsers == 1
    StrCpy $1 "${SHARED_PLUGINS}"
    Call FolderWritable
    ${If} $0 != 1
      ${If} ${Silent}
        StrCpy $AllUsers 0
      ${Else}
        MessageBox MB_YESNO|MB_ICONQUESTION "The shared plug-ins folder$\r$\n${SHARED_PLUGINS}$\r$\nis not writable for you.$\r$\n$\r$\nInstall for you only, under $LOCALAPPDATA\Programs\${PRODUCT_NAME}? A host finds the modules there only when it is set to look in that folder." IDYES perUser
        Abort
        perUser:
        StrCpy $AllUsers 0
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Call SetFolders
  ; One user's modules go inside $INSTDIR, which the uninstaller removes.
  ${If} $AllUsers != 1
    StrCpy $PluginParentsMade ""
  ${EndIf}
  StrCpy $0 $INSTDIR
  Call OutermostMissingParent
  StrCpy $InstallParentsMade $0
FunctionEnd

Function un.onInit
  SetRegView 64
  ReadINIStr $AllUsers "$INSTDIR\${INSTALL_RECORD}" install AllUsers
  ReadINIStr $PluginFolder "$INSTDIR\${INSTALL_RECORD}" install PluginFolder
  ReadINIStr $PluginParentsMade "$INSTDIR\${INSTALL_RECORD}" install PluginParentsMade
  ReadINIStr $InstallParentsMade "$INSTDIR\${INSTALL_RECORD}" install InstallParentsMade
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; Removes the parents of folder $0 that are empty, up to and including $1
; (nothing when $1 is empty).
Function un.RemoveMadeParents
  ${If} $1 == ""
    Return
  ${EndIf}
  ${Do}
    ${GetParent} $0 $0
    ${If} $0 == ""
      ${Break}
    ${EndIf}
    RMDir $0
  ${LoopUntil} $0 == $1
FunctionEnd

; Removes the files this version installs, and each folder it made once it
; is empty: files that others put beside them stay.
Section "Uninstall"
  ${If} $PluginFolder != ""
    !insertmacro QS_DELETE_EFFECTS "$PluginFolder"
    RMDir "$PluginFolder"
    StrCpy $0 $PluginFolder
    StrCpy $1 $PluginParentsMade
    Call un.RemoveMadeParents
  ${EndIf}
!ifdef HAS_TOOL
  Delete "$INSTDIR\quillshade.exe"
  !insertmacro QS_DELETE_GUIDE "$INSTDIR"
  Delete "$INSTDIR\modules\QuillshadeEngine.aex"
  RMDir "$INSTDIR\modules"
!endif
  Delete "$INSTDIR\${INSTALL_RECORD}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  StrCpy $0 $INSTDIR
  StrCpy $1 $InstallParentsMade
  Call un.RemoveMadeParents
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
