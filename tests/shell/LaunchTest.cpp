// Launchers and the application's own file: the names the platform gives
// for the same modules are the oracle.
#include "CFUtils.h"

#include "TestSupport.h"

namespace {

std::string PlatformModuleName(HMODULE module)
{
    char name[MAX_PATH + 1] = "";
    DWORD length = ::GetModuleFileNameA(module, name, MAX_PATH);
    return std::string(name, length);
}

} // namespace

TEST(AppModuleTest, NamesAreThePlatformsAndTheDirectoryFollowsTheModuleState)
{
    for (HMODULE module : {GetModuleHandleA(NULL), GetModuleHandleA("CFUtils.dll"),
                           GetModuleHandleA("kernel32.dll")})
        EXPECT_EQ(PlatformModuleName(module), std::string(GetModuleFileNameA(module)));
    EXPECT_EQ("", std::string(GetModuleFileNameA(HINSTANCE(0x12340000))));

    std::string exe = PlatformModuleName(NULL);
    EXPECT_EQ(exe.substr(0, exe.rfind('\\') + 1), std::string(GetAppDirectory()));

    // The directory is that of the framework's current module, whichever it is.
    AFX_MODULE_STATE* state = AfxGetModuleState();
    HINSTANCE saved = state->m_hCurrentInstanceHandle;
    state->m_hCurrentInstanceHandle = GetModuleHandleA("kernel32.dll");
    std::string system = PlatformModuleName(state->m_hCurrentInstanceHandle);
    CString directory = GetAppDirectory();
    state->m_hCurrentInstanceHandle = HINSTANCE(0x12340000);
    CString none = GetAppDirectory();
    state->m_hCurrentInstanceHandle = saved;
    EXPECT_EQ(system.substr(0, system.rfind('\\') + 1), std::string(directory));
    EXPECT_EQ("", std::string(none));
}
