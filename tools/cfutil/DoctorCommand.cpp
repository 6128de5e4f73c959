// cfutil doctor: what the suite needs on this machine, one line per check.
#include "Commands.h"

#include "CFUtils.h"
#include "library/Handles.h"

#include <cstdio>
#include <vector>

namespace cfu::cli {

namespace {

const char kSettingsKey[] = "Software\\Corvanta\\Corvanta FlyDeck Software\\CurrentVersion";

std::vector<std::string> g_resources;    // up to four resource library names, in Initialize's order

// One check's outcome: what is wrong, or on success what was found.
struct Verdict
{
    bool ok;
    std::string text;
};

Verdict SettingsKey()
{
    unique_hkey key;
    const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, key.put());
    if (status == ERROR_SUCCESS)
        return {true, ""};
    return {false, "HKEY_LOCAL_MACHINE\\" + std::string(kSettingsKey) + " cannot be opened (status " +
                       std::to_string(status) + ")"};
}

// The libraries as the suite's programs find them: the resource manager
// itself looks in the install directory, beside this program, then by the
// platform's search; each found one is named with the file it came from.
Verdict ResourceLibraries()
{
    if (g_resources.empty())
        return {true, "none named (--resources FILE...)"};
    unique_ref<CResourceMgr> manager(new CResourceMgr(GetModuleHandleA(NULL)));
    const char* files[4] = {};
    for (size_t i = 0; i < g_resources.size(); ++i)
        files[i] = g_resources[i].c_str();
    manager->Initialize(files[0], files[1], files[2], files[3], NULL);
    const HINSTANCE loaded[4] = {manager->m_hLib1, manager->m_hLib2, manager->m_hLib3, manager->m_hLib4};
    bool ok = true;
    std::string text;
    for (size_t i = 0; i < g_resources.size(); ++i) {
        // A null module would name this program, not a missing library.
        const CString path = loaded[i] ? GetModuleFileNameA(loaded[i]) : CString();
        ok = !path.IsEmpty() && ok;
        text += (i ? "; " : "") + g_resources[i] + ": " + (path.IsEmpty() ? "not found" : LPCSTR(path));
    }
    if (!ok)
        text += " (searched: install directory \"" + std::string(LPCSTR(manager->m_strInstallDir)) + "\", " +
                std::string(LPCSTR(manager->m_strModuleDir)) + ", the search path)";
    return {ok, text};
}

Verdict HookLibrary()
{
    unique_hmodule library(LoadLibraryA(cfu::router::kHookLibrary));
    if (!library)
        return {false, std::string(cfu::router::kHookLibrary) + " does not load (status " +
                           std::to_string(GetLastError()) + ")"};
    std::string missing;
    for (const char* name : {"SetKeyboardHook", "SetShellHook", "SetHookWindowHandle", "CbtProc", "SetHookHandle"})
        if (!GetProcAddress(library.get(), name))
            missing += std::string(missing.empty() ? "" : ", ") + name;
    return {missing.empty(), missing.empty() ? "" : std::string(cfu::router::kHookLibrary) + " lacks " + missing};
}

Verdict Router()
{
    const bool running = FindWindowA(cfu::router::kWindowClass, NULL) != NULL;
    return {running, running ? "" : "no router is running"};
}

void Doctor()
{
    const struct
    {
        const char* what;
        Verdict (*check)();
    } checks[] = {
        {"settings key", &SettingsKey},
        {"resource libraries", &ResourceLibraries},
        {"hook library", &HookLibrary},
        {"router", &Router},
    };
    int failed = 0;
    for (const auto& c : checks) {
        const Verdict verdict = c.check();
        failed += !verdict.ok;
        std::printf("%-18s %s%s%s\n", c.what, verdict.ok ? "ok" : "", verdict.ok && !verdict.text.empty() ? ": " : "",
                    verdict.text.c_str());
    }
    if (failed)
        throw Failure(std::to_string(failed) + " check(s) failed");
}

} // namespace

void AddDoctorCommand(CLI::App& app)
{
    CLI::App* doctor = app.add_subcommand("doctor", "Check what the suite needs on this machine");
    doctor->add_option("--resources", g_resources, "The resource libraries to look for, as the suite's programs "
                                                    "name them (at most four)")
        ->expected(1, 4);
    doctor->callback(&Doctor);
}

} // namespace cfu::cli
