// cfutil doctor: what the suite needs on this machine, one line per check.
#include "Commands.h"

#include "CFUtils.h"
#include "library/Handles.h"

#include <cstdio>

namespace cfu::cli {

namespace {

const char kSettingsKey[] = "Software\\Corvanta\\Corvanta FlyDeck Software\\CurrentVersion";

// "" when the check passes, else what is wrong.
std::string SettingsKey()
{
    unique_hkey key;
    const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, key.put());
    return status == ERROR_SUCCESS ? "" : "HKEY_LOCAL_MACHINE\\" + std::string(kSettingsKey) + " cannot be opened (status " +
                                              std::to_string(status) + ")";
}

std::string HookLibrary()
{
    unique_hmodule library(LoadLibraryA(cfu::router::kHookLibrary));
    if (!library)
        return std::string(cfu::router::kHookLibrary) + " does not load (status " + std::to_string(GetLastError()) + ")";
    std::string missing;
    for (const char* name : {"SetKeyboardHook", "SetShellHook", "SetHookWindowHandle", "CbtProc", "SetHookHandle"})
        if (!GetProcAddress(library.get(), name))
            missing += std::string(missing.empty() ? "" : ", ") + name;
    return missing.empty() ? "" : std::string(cfu::router::kHookLibrary) + " lacks " + missing;
}

std::string Router()
{
    return FindWindowA(cfu::router::kWindowClass, NULL) ? "" : "no router is running";
}

void Doctor()
{
    const struct
    {
        const char* what;
        std::string (*check)();
    } checks[] = {
        {"settings key", &SettingsKey},
        {"hook library", &HookLibrary},
        {"router", &Router},
    };
    int failed = 0;
    for (const auto& c : checks) {
        const std::string problem = c.check();
        failed += !problem.empty();
        std::printf("%-16s %s\n", c.what, problem.empty() ? "ok" : problem.c_str());
    }
    if (failed)
        throw Failure(std::to_string(failed) + " check(s) failed");
}

} // namespace

void AddDoctorCommand(CLI::App& app)
{
    app.add_subcommand("doctor", "Check what the suite needs on this machine")->callback(&Doctor);
}

} // namespace cfu::cli
