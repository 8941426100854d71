#!/usr/bin/env bash
# Tells the oldest Windows the shipped program starts on:
#   scripts/windows-floor.sh [PROGRAM.exe]
# (default: build/release/bin/QuarvelPanel.exe, the exe package.sh zips, or else
# build/bin/QuarvelPanel.exe, the same bytes from the same commit, which
# scripts/check-release.sh checks).
# Reads the PE header (the OS and subsystem versions the loader checks) and the import
# table with i686-w64-mingw32-objdump -p, and looks every imported function up in the
# tables below: functions that came after Windows 2000, and a few of 2000 itself, with
# the Windows that introduced each (from the Windows API documentation), and the
# program's imports of NT 4.0 or earlier. 2000 is the oldest floor this script states.
# Lists the imports that set the floor; exits 1 when the exe imports from a DLL that
# is not part of Windows, or a function in neither table (it must be looked up first),
# when its header does not ask for the subsystem and OS version that the program is
# linked with (NT 4.0, panel/CMakeLists.txt), or when a header version or a line of
# the import table could not be read (a floor stated from less would say too little).
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
linked_header_version=4.0 # the subsystem and OS version of panel/CMakeLists.txt's link
exe=${1:-}
if [[ -z $exe ]]; then
    exe=$here/build/release/bin/QuarvelPanel.exe
    [[ -f $exe ]] || exe=$here/build/bin/QuarvelPanel.exe
fi
[[ -f $exe ]] || { echo "windows-floor: no $exe (run scripts/package.sh, or name an exe)" >&2; exit 2; }

# DLL  function  NT version that introduced it  [what that means more exactly]
known=$(cat <<'TABLE'
kernel32 GetLongPathNameA 5.0
kernel32 GetLongPathNameW 5.0
kernel32 GetFileSizeEx 5.0
kernel32 SetFilePointerEx 5.0
kernel32 CreateHardLinkA 5.0
kernel32 CreateHardLinkW 5.0
kernel32 GlobalMemoryStatusEx 5.0
kernel32 VerifyVersionInfoA 5.0
kernel32 VerifyVersionInfoW 5.0
kernel32 GetSystemWindowsDirectoryA 5.0
kernel32 GetSystemWindowsDirectoryW 5.0
user32 AllowSetForegroundWindow 5.0
user32 LockSetForegroundWindow 5.0
user32 SetLayeredWindowAttributes 5.0
user32 UpdateLayeredWindow 5.0
user32 GetAncestor 5.0
user32 AnimateWindow 5.0
user32 GetMonitorInfoA 5.0
user32 MonitorFromRect 5.0
user32 MsgWaitForMultipleObjectsEx 5.0
user32 MonitorFromWindow 5.0
gdi32 GetRandomRgn 5.0
gdi32 SetDCBrushColor 5.0
gdi32 SetDCPenColor 5.0
gdi32 AddFontMemResourceEx 5.0
shell32 SHGetFolderPathA 5.0
shell32 SHGetFolderPathW 5.0
shell32 SHCreateDirectoryExA 5.0
shell32 SHCreateDirectoryExW 5.0
kernel32 AddVectoredExceptionHandler 5.1
kernel32 RemoveVectoredExceptionHandler 5.1
kernel32 GetModuleHandleExA 5.1
kernel32 GetModuleHandleExW 5.1
kernel32 GetNativeSystemInfo 5.1
kernel32 AttachConsole 5.1
kernel32 InitializeSListHead 5.1
kernel32 InterlockedPushEntrySList 5.1
kernel32 InterlockedPopEntrySList 5.1
kernel32 SetDllDirectoryA 5.1 SP1
kernel32 SetDllDirectoryW 5.1 SP1
kernel32 GetProcessId 5.1 SP1
kernel32 GetSystemTimes 5.1 SP1
kernel32 IsWow64Process 5.1 SP2
user32 PrintWindow 5.1
user32 GetLayeredWindowAttributes 5.1
user32 RegisterRawInputDevices 5.1
shell32 SHOpenFolderAndSelectItems 5.1
shell32 SHParseDisplayName 5.1
msvcrt _time64 5.1
msvcrt _localtime64 5.1
msvcrt _mktime64 5.1
kernel32 FlsAlloc 6.0 and Server 2003
kernel32 FlsGetValue 6.0 and Server 2003
kernel32 FlsSetValue 6.0 and Server 2003
kernel32 FlsFree 6.0 and Server 2003
kernel32 GetTickCount64 6.0
kernel32 InitializeConditionVariable 6.0
kernel32 SleepConditionVariableCS 6.0
kernel32 SleepConditionVariableSRW 6.0
kernel32 WakeConditionVariable 6.0
kernel32 WakeAllConditionVariable 6.0
kernel32 InitializeSRWLock 6.0
kernel32 AcquireSRWLockExclusive 6.0
kernel32 AcquireSRWLockShared 6.0
kernel32 ReleaseSRWLockExclusive 6.0
kernel32 ReleaseSRWLockShared 6.0
kernel32 InitOnceExecuteOnce 6.0
kernel32 InitOnceBeginInitialize 6.0
kernel32 InitOnceComplete 6.0
kernel32 CreateEventExA 6.0
kernel32 CreateEventExW 6.0
kernel32 CreateMutexExA 6.0
kernel32 CreateMutexExW 6.0
kernel32 CreateSemaphoreExW 6.0
kernel32 GetFinalPathNameByHandleA 6.0
kernel32 GetFinalPathNameByHandleW 6.0
kernel32 QueryFullProcessImageNameA 6.0
kernel32 QueryFullProcessImageNameW 6.0
kernel32 GetFileInformationByHandleEx 6.0
kernel32 SetFileInformationByHandle 6.0
kernel32 CancelIoEx 6.0
kernel32 GetQueuedCompletionStatusEx 6.0
kernel32 GetThreadId 6.0 and Server 2003
kernel32 GetErrorMode 6.0
kernel32 LCIDToLocaleName 6.0
kernel32 LocaleNameToLCID 6.0
kernel32 GetUserDefaultLocaleName 6.0
kernel32 CompareStringEx 6.0
kernel32 LCMapStringEx 6.0
kernel32 InitializeProcThreadAttributeList 6.0
user32 SetProcessDPIAware 6.0
user32 ChangeWindowMessageFilter 6.0
shell32 SHGetKnownFolderPath 6.0
shell32 SHCreateItemFromParsingName 6.0
advapi32 RegGetValueA 6.0 and XP x64 / Server 2003 SP1
advapi32 RegGetValueW 6.0 and XP x64 / Server 2003 SP1
comctl32 TaskDialog 6.0
comctl32 TaskDialogIndirect 6.0
msvcrt _set_invalid_parameter_handler 6.0
msvcrt strcpy_s 6.0
msvcrt strcat_s 6.0
msvcrt sprintf_s 6.0
msvcrt _vsnprintf_s 6.0
msvcrt memcpy_s 6.0
msvcrt wcscpy_s 6.0
kernel32 TryAcquireSRWLockExclusive 6.1
kernel32 TryAcquireSRWLockShared 6.1
kernel32 SetThreadErrorMode 6.1
kernel32 GetThreadErrorMode 6.1
kernel32 GetActiveProcessorCount 6.1
kernel32 PowerCreateRequest 6.1
user32 ChangeWindowMessageFilterEx 6.1
user32 RegisterTouchWindow 6.1
shell32 SetCurrentProcessExplicitAppUserModelID 6.1
kernel32 GetSystemTimePreciseAsFileTime 6.2
kernel32 CreateFile2 6.2
kernel32 GetCurrentThreadStackLimits 6.2
kernel32 SetDefaultDllDirectories 6.2 or Vista / 7 with update KB2533623
kernel32 AddDllDirectory 6.2 or Vista / 7 with update KB2533623
shcore SetProcessDpiAwareness 6.3
shcore GetDpiForMonitor 6.3
kernel32 SetThreadDescription 10.0 version 1607
user32 GetDpiForWindow 10.0 version 1607
user32 GetSystemMetricsForDpi 10.0 version 1607
user32 AdjustWindowRectExForDpi 10.0 version 1607
user32 SetProcessDpiAwarenessContext 10.0 version 1703
TABLE
)

# The program's imports of Windows NT 4.0 or earlier, by DLL.
older=$(cat <<'TABLE'
gdi32 BitBlt CombineRgn CreateCompatibleDC CreateDIBSection CreateFontIndirectA CreateRectRgnIndirect
gdi32 CreateSolidBrush DeleteDC DeleteObject ExcludeClipRect FillRgn GetDeviceCaps GetObjectA
gdi32 GetClipBox GetStockObject GetTextExtentPoint32A SelectObject SetBkColor SetBkMode SetBrushOrgEx
gdi32 SetStretchBltMode SetTextColor StretchBlt
kernel32 CloseHandle CreateProcessA DeleteCriticalSection EnterCriticalSection ExitProcess FindResourceA
kernel32 GetCurrentProcess TerminateProcess UnhandledExceptionFilter
kernel32 FreeLibrary GetCurrentThreadId GetLastError GetModuleFileNameA GetModuleHandleA GetModuleHandleW
kernel32 GetProcAddress GetProcessHeap GetStartupInfoA GetSystemDirectoryA GetTickCount
kernel32 HeapAlloc HeapFree InitializeCriticalSection IsDBCSLeadByte LeaveCriticalSection LoadLibraryA
kernel32 LoadResource LockResource MulDiv MultiByteToWideChar SetCurrentDirectoryA
kernel32 SetUnhandledExceptionFilter SizeofResource Sleep TlsGetValue VirtualProtect VirtualQuery
kernel32 WaitForSingleObject lstrcmpiA
msvcrt __getmainargs __initenv __p__acmdln __p__commode __p__fmode __set_app_type __setusermatherr
msvcrt _amsg_exit _cexit _errno _initterm _iob _onexit _setjmp3 _vsnprintf abort calloc exit fprintf
msvcrt fread free fwrite getenv malloc memcmp memcpy memmove memset realloc signal sscanf strcat strcmp
msvcrt strcpy strlen strncmp strncpy toupper vfprintf longjmp
shell32 SHBrowseForFolderA SHGetMalloc SHGetPathFromIDListA ShellExecuteA
user32 AdjustWindowRectEx BeginDeferWindowPos BeginPaint CallWindowProcA
user32 CreateIconFromResourceEx CreateWindowExA DefWindowProcA DeferWindowPos DestroyIcon DestroyMenu
user32 DestroyWindow DispatchMessageA DrawTextA EnableWindow EndDeferWindowPos EndPaint EqualRect FillRect
user32 GetActiveWindow GetClassInfoA GetClassNameA GetClientRect GetDC GetFocus GetForegroundWindow
user32 GetKeyState GetMenu GetMessageA GetParent GetSysColor GetSysColorBrush GetSystemMetrics
user32 GetWindowDC GetWindowLongA GetWindowPlacement GetWindowRect GetWindowTextA GetWindowTextLengthA
user32 IntersectRect InvalidateRect IsChild IsIconic IsWindow IsWindowEnabled IsWindowVisible IsZoomed
user32 LoadCursorA LoadIconA MapWindowPoints MessageBoxA OffsetRect PeekMessageA
user32 PostQuitMessage
user32 PtInRect RedrawWindow RegisterClassA ReleaseDC SendMessageA SetActiveWindow SetFocus
user32 SetForegroundWindow SetMenu SetWindowLongA SetWindowPlacement SetWindowPos SetWindowTextA
user32 ShowWindow SystemParametersInfoA TranslateMessage WaitForInputIdle WindowFromDC wsprintfA
TABLE
)

# DLLs that come with every Windows the program is meant for.
windows_dlls=" kernel32 user32 gdi32 msvcrt ole32 oleaut32 shell32 advapi32 comctl32 comdlg32 shlwapi version winmm ws2_32 wsock32 imm32 uuid "

name_of() {
    case $1 in
    4.0) echo "Windows NT 4.0" ;;
    5.0) echo "Windows 2000" ;;
    5.1) echo "Windows XP" ;;
    5.2) echo "Windows Server 2003 / XP x64" ;;
    6.0) echo "Windows Vista" ;;
    6.1) echo "Windows 7" ;;
    6.2) echo "Windows 8" ;;
    6.3) echo "Windows 8.1" ;;
    10.0) echo "Windows 10" ;;
    *) echo "Windows NT $1" ;;
    esac
}
# Compares two NT versions: prints the later one.
later() { printf '%s\n%s\n' "$1" "$2" | sort -t. -k1,1n -k2,2n | tail -n 1; }

dump=$(i686-w64-mingw32-objdump -p "$exe")
field() { awk -v k="$1" '$1 == k { print $2; exit }' <<<"$dump"; }
os_version=$(field MajorOSystemVersion).$(field MinorOSystemVersion)
subsystem_version=$(field MajorSubsystemVersion).$(field MinorSubsystemVersion)
subsystem=$(awk '$1 == "Subsystem" { $1 = ""; $2 = ""; gsub(/[()]/, ""); sub(/^ +/, ""); print; exit }' <<<"$dump")
# "dll function" for every import by name.
imports=$(awk '/DLL Name:/ { dll = tolower($3); sub(/\.dll$/, "", dll); next }
               dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[^ ]+$/ { print dll, $3 }
               /^$/ && dll != "" && seen { dll = "" } { seen = (dll != "") }' <<<"$dump")
[[ $os_version =~ ^[0-9]+\.[0-9]+$ && $subsystem_version =~ ^[0-9]+\.[0-9]+$ ]] ||
    { echo "windows-floor: no OS or subsystem version read from the header of $exe" >&2; exit 1; }
[[ -n $imports ]] || { echo "windows-floor: no imported function read from $exe" >&2; exit 1; }
# Every line of every DLL's list is an import by name, and every DLL lists one at least.
unread=$(awk '/DLL Name:/ { dll = $3; found[dll] = 0; next }
              dll != "" && /Hint\/Ord Member-Name/ { next }
              dll != "" && /^$/ { dll = ""; next }
              dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[^ ]+$/ { found[dll]++; next }
              dll != "" { print "  " dll ": " $0 }
              END { for (d in found) if (!found[d]) print "  " d ": no function" }' <<<"$dump")
[[ -z $unread ]] || { printf 'windows-floor: import lines of %s not read:\n%s\n' "$exe" "$unread" >&2; exit 1; }

echo "program:   $exe"
echo "subsystem: $subsystem, subsystem version $subsystem_version, OS version $os_version"
echo "imports:   $(cut -d' ' -f1 <<<"$imports" | sort -u | paste -sd' ') ($(wc -l <<<"$imports") functions)"

status=0
if [[ $subsystem_version != "$linked_header_version" || $os_version != "$linked_header_version" ]]; then
    echo "HEADER: asks for subsystem $subsystem_version and OS $os_version; panel/CMakeLists.txt links $linked_header_version for both"
    status=1
fi
for dll in $(cut -d' ' -f1 <<<"$imports" | sort -u); do
    if [[ $windows_dlls != *" $dll "* ]]; then
        echo "NOT A WINDOWS DLL: $dll.dll"
        status=1
    fi
done

missing=$(awk 'NR == FNR { for (i = 2; i <= NF; i++) seen[$1 " " $i] = 1; next }
                !(($1 " " $2) in seen) { print "  " $1 ".dll " $2 }' \
             <(cat <<<"$older"; awk '{ print tolower($1), $2 }' <<<"$known") <(cat <<<"$imports"))
if [[ -n $missing ]]; then
    echo "IN NO TABLE (look up the Windows that introduced it, and add it):"
    echo "$missing"
    status=1
fi

floor=$(later 5.0 "$(later "$os_version" "$subsystem_version")")
hits=$(awk 'NR == FNR { key = tolower($1) " " $2; version[key] = $3; $1 = $2 = $3 = ""; sub(/^ +/, ""); note[key] = $0; next }
            ($1 " " $2) in version { print version[$1 " " $2], $1 ".dll", $2, note[$1 " " $2] }' \
           <(cat <<<"$known") <(cat <<<"$imports") | sort -t. -k1,1n -k2,2n)
if [[ -n $hits ]]; then
    echo
    echo "imports newer than what the table takes as given (Windows 2000):"
    while read -r version dll function note; do
        printf '  %-12s %-40s %s\n' "$dll" "$function" "$(name_of "$version")${note:+ $note}"
        floor=$(later "$floor" "$version")
    done <<<"$hits"
fi

echo
echo "oldest Windows it starts on: $(name_of "$floor")"
setting=$(awk -v f="$floor" '$1 == f { print "  " $2 " " $3 }' <<<"$hits")
if [[ -n $setting ]]; then
    echo "set by:"
    echo "$setting"
else
    echo "set by: no import newer than Windows 2000; the header alone asks for $(name_of "$(later "$os_version" "$subsystem_version")")"
fi
exit $status
