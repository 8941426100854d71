// The manifest of the program that ships, beside this test program, as Windows reads
// it: the activation context it makes of it (a manifest that is not well-formed makes
// none), with the DPI awareness, the run level, the Windows versions and the identity
// that the context carries.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The program that ships, beside this test program.
std::wstring ProgramBesideThisOne() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring program = path;
    return program.substr(0, program.rfind(L'\\') + 1) + L"QuarvelPanel.exe";
}

// The activation context Windows gives the program: that of its manifest resource 1
// (CREATEPROCESS_MANIFEST_RESOURCE_ID). Released when it goes.
class ProgramContext {
public:
    ProgramContext() {
        ACTCTXW request{};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.lpSource = program_.c_str();
        request.lpResourceName = MAKEINTRESOURCEW(1);
        handle_ = CreateActCtxW(&request);
        error_ = GetLastError();
    }
    ~ProgramContext() {
        if (handle_ != INVALID_HANDLE_VALUE) ReleaseActCtx(handle_);
    }
    ProgramContext(const ProgramContext&) = delete;
    ProgramContext& operator=(const ProgramContext&) = delete;
    HANDLE Handle() const { return handle_; }
    DWORD Error() const { return error_; }
    // A setting of the context's windowsSettings, in a namespace of Windows' own.
    std::wstring Setting(const wchar_t* space, const wchar_t* name) const {
        wchar_t value[64] = L"";
        SIZE_T written = 0;
        if (!QueryActCtxSettingsW(0, handle_, space, name, value, std::size(value), &written))
            return L"(none)";
        return value;
    }

private:
    std::wstring program_ = ProgramBesideThisOne();
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DWORD error_ = 0;
};

// Windows gives a program the activation context of its manifest resource 1
// (CREATEPROCESS_MANIFEST_RESOURCE_ID); its dpiAware setting is what Windows 8.1 and
// 10 before 1607 read for the program's DPI awareness.
TEST(ProgramManifest, TheProgramsActivationContextIsPerMonitorDpiAware) {
    ProgramContext context;
    ASSERT_NE(context.Handle(), INVALID_HANDLE_VALUE)
        << "no well-formed manifest as resource 1 of the program, error " << context.Error();
    EXPECT_EQ(context.Setting(nullptr, L"dpiAware"), L"true/pm");
    EXPECT_EQ(context.Setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
              L"PerMonitorV2, PerMonitor")
        << "what Windows 10 1607 and later read";
}

// The program runs as whoever starts it, never asking for elevation; Windows Vista to
// 11 run it as a program made for them; and it goes by its own name and version.
TEST(ProgramManifest, TheContextRunsAsInvokerOnVistaTo11UnderTheProgramsOwnIdentity) {
    ProgramContext context;
    ASSERT_NE(context.Handle(), INVALID_HANDLE_VALUE) << "error " << context.Error();
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level{};
    SIZE_T written = 0;
    ASSERT_TRUE(QueryActCtxW(0, context.Handle(), nullptr, RunlevelInformationInActivationContext, &level,
                             sizeof level, &written))
        << "error " << GetLastError();
    EXPECT_EQ(level.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_EQ(level.UiAccess, 0u);

    std::vector<char> buffer(4096);
    ASSERT_TRUE(QueryActCtxW(0, context.Handle(), nullptr, CompatibilityInformationInActivationContext,
                             buffer.data(), buffer.size(), &written))
        << "error " << GetLastError();
    // Each element is an id and a type; Windows 10 1903 and later add the highest
    // version tested, which makes each 32 bytes from the 8th on instead of 20 from the 4th.
    DWORD count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    bool tested = count && written >= 8 + 32 * count;
    std::size_t start = tested ? 8 : 4, stride = tested ? 32 : 20;
    std::vector<std::wstring> systems;
    for (DWORD i = 0; i < count && start + (i + 1) * stride <= buffer.size(); ++i) {
        GUID system{};
        DWORD type = 0;
        std::memcpy(&system, buffer.data() + start + i * stride, sizeof system);
        std::memcpy(&type, buffer.data() + start + i * stride + sizeof system, sizeof type);
        if (type != ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS) continue;
        wchar_t id[40] = L"";
        StringFromGUID2(system, id, std::size(id));
        systems.push_back(id);
    }
    // Windows Vista, 7, 8, 8.1, and 10 and 11.
    EXPECT_EQ(systems, (std::vector<std::wstring>{L"{E2011457-1546-43C5-A5FE-008DEEE3D3F0}",
                                                  L"{35138B9A-5D96-4FBD-8E2D-A2440225F93A}",
                                                  L"{4A2F28E3-53B9-4441-BA9C-D69D4A4A6E38}",
                                                  L"{1F676C76-80E1-4239-95BB-83D0F6D0DA78}",
                                                  L"{8E0F7A12-BFB3-4FE8-B9A5-48FD50A15A9A}"}))
        << count << " elements in " << written << " bytes";

    DWORD first = 1; // the program's own assembly
    ASSERT_TRUE(QueryActCtxW(0, context.Handle(), &first, AssemblyDetailedInformationInActivationContext,
                             buffer.data(), buffer.size(), &written))
        << "error " << GetLastError();
    const auto* assembly =
        reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
    std::wstring identity =
        assembly->lpAssemblyEncodedAssemblyIdentity ? assembly->lpAssemblyEncodedAssemblyIdentity : L"";
    EXPECT_EQ(identity.rfind(L"Quarvel.ServerPanel", 0), 0u) << std::string(identity.begin(), identity.end());
    EXPECT_NE(identity.find(L"version=\"1.0.1.0\""), std::wstring::npos)
        << std::string(identity.begin(), identity.end());
}

} // namespace
