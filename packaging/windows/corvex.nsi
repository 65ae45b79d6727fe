; The Corvex installer for 64-bit Windows, built on Linux with makensis by
; build-installer.sh, which defines VERSION, OUTFILE, ESTIMATED_SIZE_KB and STAGE
; (the staged files) and generates installed_files.nsh (one Check, Install and Uninstall macro per
; component, file by file, from what it staged).
;
; Scope: all users (the common VST3, CLAP and LV2 folders under Program Files,
; administrator rights) or this user only (the per-user folders where hosts
; look, no administrator rights). Silent, for studios that deploy by script:
;   Corvex-VERSION-windows-x64-setup.exe /S [/ALLUSERS | /CURRENTUSER] [/COMPONENTS=vst3,clap,lv2,dev]
; Without a scope, administrators install for all users, others for themselves;
; without components, the three plug-in formats are installed.
; Exit codes: 0 done, 2 cancelled, 3 a file to replace is in use (a running
; host holds it), 4 administrator rights missing, 5 bad command line.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel highest
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include Sections.nsh
!include x64.nsh
!include WordFunc.nsh

Name "Corvex ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "Corvex ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "Corvex"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey FileDescription "Corvex compressor/limiter installer"
VIAddVersionKey LegalCopyright "Copyright (c) 2026 The Corvex developers"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvex"

Var AllUsers      ; 1: every user of the machine, 0: this user only
Var Vst3Dir
Var ClapDir
Var Lv2Dir
Var ScopeAllRadio
Var ScopeUserRadio

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE"
Page custom ScopePage ScopePageLeave
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!include "${STAGE}/installed_files.nsh"

; Where each part goes, for the chosen scope.
Function ChooseFolders
    ${If} $AllUsers == 1
        SetShellVarContext all
        StrCpy $Vst3Dir "$COMMONFILES64\VST3"
        StrCpy $ClapDir "$COMMONFILES64\CLAP"
        StrCpy $Lv2Dir "$COMMONFILES64\LV2"
        StrCpy $INSTDIR "$PROGRAMFILES64\Corvex"
    ${Else}
        SetShellVarContext current
        StrCpy $Vst3Dir "$LOCALAPPDATA\Programs\Common\VST3"
        StrCpy $ClapDir "$LOCALAPPDATA\Programs\Common\CLAP"
        StrCpy $Lv2Dir "$APPDATA\LV2"
        StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Corvex"
    ${EndIf}
FunctionEnd

Function FailWithCode ; message on the stack, then the exit code
    Exch $0
    Exch
    Exch $1
    MessageBox MB_ICONSTOP|MB_OK "$1" /SD IDOK
    SetErrorLevel $0
    Quit
FunctionEnd
!macro FailWith message code
    Push "${message}"
    Push ${code}
    Call FailWithCode
!macroend

!macro RememberMadeFolder folder key
    ${IfNot} ${FileExists} "${folder}\*.*"
        WriteINIStr "$INSTDIR\install.ini" made ${key} 1
    ${EndIf}
!macroend

; A file that exists and cannot be opened for writing is held by a program.
!macro CheckFree path
    ${If} ${FileExists} "${path}"
        ClearErrors
        FileOpen $R9 "${path}" a
        ${If} ${Errors}
            !insertmacro FailWith "${path} is in use by a running program, probably a DAW. Nothing was installed: close the program and run the installer again." 3
        ${EndIf}
        FileClose $R9
    ${EndIf}
!macroend

Section "VST3 plug-ins" SecVst3
SectionEnd
Section "CLAP plug-ins" SecClap
SectionEnd
Section "LV2 plug-ins" SecLv2
SectionEnd
Section /o "Library and header for developers" SecDev
SectionEnd

; Everything is checked before anything is written: a file that a running
; host holds cannot be replaced, and half an update is worse than none.
Section "-Install"
    ${If} $AllUsers == 1
        UserInfo::GetAccountType
        Pop $0
        ${If} $0 != "Admin"
            !insertmacro FailWith "Installing for all users needs administrator rights: run the installer as administrator, or choose this user only (/CURRENTUSER)." 4
        ${EndIf}
    ${EndIf}
    Call ChooseFolders
    ${If} ${SectionIsSelected} ${SecVst3}
        !insertmacro CheckVst3
    ${EndIf}
    ${If} ${SectionIsSelected} ${SecClap}
        !insertmacro CheckClap
    ${EndIf}
    ${If} ${SectionIsSelected} ${SecLv2}
        !insertmacro CheckLv2
    ${EndIf}
    ${If} ${SectionIsSelected} ${SecDev}
        !insertmacro CheckDev
    ${EndIf}

    ; The uninstaller removes what any install put here, and folders only
    ; when an install made them.
    CreateDirectory "$INSTDIR"
    ReadINIStr $0 "$INSTDIR\install.ini" installed vst3
    ReadINIStr $1 "$INSTDIR\install.ini" installed clap
    ReadINIStr $2 "$INSTDIR\install.ini" installed lv2
    ReadINIStr $3 "$INSTDIR\install.ini" installed dev
    !insertmacro RememberMadeFolder $Vst3Dir vst3
    !insertmacro RememberMadeFolder $ClapDir clap
    !insertmacro RememberMadeFolder $Lv2Dir lv2

    ${If} ${SectionIsSelected} ${SecVst3}
        !insertmacro InstallVst3
        StrCpy $0 1
    ${EndIf}
    ${If} ${SectionIsSelected} ${SecClap}
        !insertmacro InstallClap
        StrCpy $1 1
    ${EndIf}
    ${If} ${SectionIsSelected} ${SecLv2}
        !insertmacro InstallLv2
        StrCpy $2 1
    ${EndIf}
    ${If} ${SectionIsSelected} ${SecDev}
        !insertmacro InstallDev
        StrCpy $3 1
    ${EndIf}
    SetOutPath "$INSTDIR"
    File "${STAGE}/LICENSE"
    File "${STAGE}/THIRD-PARTY-NOTICES"
    WriteINIStr "$INSTDIR\install.ini" installed vst3 "$0"
    WriteINIStr "$INSTDIR\install.ini" installed clap "$1"
    WriteINIStr "$INSTDIR\install.ini" installed lv2 "$2"
    WriteINIStr "$INSTDIR\install.ini" installed dev "$3"
    WriteINIStr "$INSTDIR\install.ini" folders allUsers "$AllUsers"
    WriteINIStr "$INSTDIR\install.ini" folders vst3 "$Vst3Dir"
    WriteINIStr "$INSTDIR\install.ini" folders clap "$ClapDir"
    WriteINIStr "$INSTDIR\install.ini" folders lv2 "$Lv2Dir"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayName "Corvex ${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" Publisher "The Corvex developers"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\Uninstall.exe"'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoModify 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoRepair 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" EstimatedSize ${ESTIMATED_SIZE_KB}
SectionEnd

LangString DESC_Vst3 ${LANG_ENGLISH} "Corvex and Corvex Mono for VST3 hosts."
LangString DESC_Clap ${LANG_ENGLISH} "Corvex and Corvex Mono for CLAP hosts."
LangString DESC_Lv2 ${LANG_ENGLISH} "Corvex and Corvex Mono for LV2 hosts."
LangString DESC_Dev ${LANG_ENGLISH} "The engine as a DLL with its C++ header and import libraries (MSVC and MinGW)."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecVst3} $(DESC_Vst3)
    !insertmacro MUI_DESCRIPTION_TEXT ${SecClap} $(DESC_Clap)
    !insertmacro MUI_DESCRIPTION_TEXT ${SecLv2} $(DESC_Lv2)
    !insertmacro MUI_DESCRIPTION_TEXT ${SecDev} $(DESC_Dev)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
    ${IfNot} ${RunningX64}
        !insertmacro FailWith "Corvex needs 64-bit Windows." 5
    ${EndIf}
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 == "Admin"
        StrCpy $AllUsers 1
    ${Else}
        StrCpy $AllUsers 0
    ${EndIf}

    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/ALLUSERS" $R1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 1
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/CURRENTUSER" $R1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 0
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/COMPONENTS=" $R1
    ${IfNot} ${Errors}
        Push $R1
        Call SelectComponents
    ${EndIf}
FunctionEnd

; /COMPONENTS=vst3,clap,lv2,dev: exactly the parts named.
Function SelectComponents
    Pop $R1
    !insertmacro UnselectSection ${SecVst3}
    !insertmacro UnselectSection ${SecClap}
    !insertmacro UnselectSection ${SecLv2}
    !insertmacro UnselectSection ${SecDev}
    ${Do}
        ${WordFind} "$R1" "," "+1" $R2
        ${If} $R2 == $R1
            StrCpy $R1 ""
        ${Else}
            StrLen $R3 "$R2,"
            StrCpy $R1 $R1 "" $R3
        ${EndIf}
        ${If} $R2 == "vst3"
            !insertmacro SelectSection ${SecVst3}
        ${ElseIf} $R2 == "clap"
            !insertmacro SelectSection ${SecClap}
        ${ElseIf} $R2 == "lv2"
            !insertmacro SelectSection ${SecLv2}
        ${ElseIf} $R2 == "dev"
            !insertmacro SelectSection ${SecDev}
        ${Else}
            !insertmacro FailWith "Unknown component '$R2' in /COMPONENTS= (vst3, clap, lv2, dev)." 5
        ${EndIf}
    ${LoopUntil} $R1 == ""
FunctionEnd

Function ScopePage
    !insertmacro MUI_HEADER_TEXT "Install for" "Choose who can use Corvex on this computer."
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateRadioButton} 0 0 100% 24u "All users (Common Files; needs administrator rights)"
    Pop $ScopeAllRadio
    ${NSD_CreateRadioButton} 0 30u 100% 24u "This user only (no administrator rights)"
    Pop $ScopeUserRadio
    ${If} $AllUsers == 1
        ${NSD_Check} $ScopeAllRadio
    ${Else}
        ${NSD_Check} $ScopeUserRadio
    ${EndIf}
    nsDialogs::Show
FunctionEnd

Function ScopePageLeave
    ${NSD_GetState} $ScopeAllRadio $0
    ${If} $0 == ${BST_CHECKED}
        StrCpy $AllUsers 1
    ${Else}
        StrCpy $AllUsers 0
    ${EndIf}
FunctionEnd

Function un.onInit
    ReadINIStr $AllUsers "$INSTDIR\install.ini" folders allUsers
    ReadINIStr $Vst3Dir "$INSTDIR\install.ini" folders vst3
    ReadINIStr $ClapDir "$INSTDIR\install.ini" folders clap
    ReadINIStr $Lv2Dir "$INSTDIR\install.ini" folders lv2
    ${If} $AllUsers == 1
        SetShellVarContext all
    ${Else}
        SetShellVarContext current
    ${EndIf}
FunctionEnd

!macro RemoveMadeFolder folder key
    ReadINIStr $0 "$INSTDIR\install.ini" made ${key}
    ${If} $0 == 1
        RMDir "${folder}"
    ${EndIf}
!macroend

Section "Uninstall"
    ReadINIStr $0 "$INSTDIR\install.ini" installed vst3
    ${If} $0 == 1
        !insertmacro UninstallVst3
    ${EndIf}
    ReadINIStr $0 "$INSTDIR\install.ini" installed clap
    ${If} $0 == 1
        !insertmacro UninstallClap
    ${EndIf}
    ReadINIStr $0 "$INSTDIR\install.ini" installed lv2
    ${If} $0 == 1
        !insertmacro UninstallLv2
    ${EndIf}
    ReadINIStr $0 "$INSTDIR\install.ini" installed dev
    ${If} $0 == 1
        !insertmacro UninstallDev
    ${EndIf}
    !insertmacro RemoveMadeFolder $Vst3Dir vst3
    !insertmacro RemoveMadeFolder $ClapDir clap
    !insertmacro RemoveMadeFolder $Lv2Dir lv2
    Delete "$INSTDIR\LICENSE"
    Delete "$INSTDIR\THIRD-PARTY-NOTICES"
    Delete "$INSTDIR\install.ini"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
