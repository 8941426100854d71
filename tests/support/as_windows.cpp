#include "tests/support/as_windows.h"

#include <windows.h>

#include <cstring>

#include "tests/support/child_process.h"

namespace observe {

bool WindowsOfTheRun(WindowsRelease& release) {
    struct Named {
        const char* name;
        WindowsRelease release;
    };
    static constexpr Named kNames[] = {{"2000", WindowsRelease::Windows2000},
                                       {"xp-rtm", WindowsRelease::Xp},
                                       {"xp", WindowsRelease::XpSp1},
                                       {"vista", WindowsRelease::Vista},
                                       {"7", WindowsRelease::Windows7},
                                       {"8", WindowsRelease::Windows8},
                                       {"8.1", WindowsRelease::Windows81},
                                       {"10-1607", WindowsRelease::Windows10v1607},
                                       {"10-1703", WindowsRelease::Windows10v1703}};
    char name[32] = "";
    DWORD length = GetEnvironmentVariableA("PANEL_AS_WINDOWS", name, sizeof name);
    release = WindowsRelease::Latest;
    if (length == 0) return true;
    for (const Named& named : kNames) {
        if (length < sizeof name && !std::strcmp(named.name, name)) {
            release = named.release;
            return true;
        }
    }
    return false;
}

bool TakeWindowsAsTheRunSays() {
    WindowsRelease release;
    if (!WindowsOfTheRun(release)) return false;
    TakeWindowsAs(release);
    return true;
}

std::string PanelCommandLine(const std::string& folder, std::string* program) {
    WindowsRelease release = WindowsRelease::Latest;
    WindowsOfTheRun(release);
    const char* file = release == WindowsRelease::Latest ? "QuarvelPanel.exe" : "host_probe.exe";
    std::string path = (folder.empty() ? BesideTestProgram("") : folder + "\\") + file;
    if (program) *program = file;
    return "\"" + path + "\"" + (release == WindowsRelease::Latest ? "" : " panel");
}

} // namespace observe
