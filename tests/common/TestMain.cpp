// Main of every test binary: a crash ends the process at once with the
// exception code, and --child=<role> runs one of the binary's child roles.
#include "TestSupport.h"

#include <cstring>
#include <map>
#include <string>

namespace cfu::test {

namespace {

std::map<std::string, ChildMain>& Roles()
{
    static std::map<std::string, ChildMain> roles;
    return roles;
}

LONG WINAPI ExitOnCrash(EXCEPTION_POINTERS* info)
{
    DWORD code = info->ExceptionRecord->ExceptionCode;
    fprintf(stderr, "unhandled exception 0x%08lx at %p\n", code, info->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

ChildRole::ChildRole(const char* name, ChildMain main)
{
    Roles()[name] = main;
}

} // namespace cfu::test

int main(int argc, char** argv)
{
    SetUnhandledExceptionFilter(&cfu::test::ExitOnCrash);
    const char kPrefix[] = "--child=";
    if (argc > 1 && strncmp(argv[1], kPrefix, sizeof kPrefix - 1) == 0) {
        auto& roles = cfu::test::Roles();
        auto it = roles.find(argv[1] + sizeof kPrefix - 1);
        if (it == roles.end()) {
            fprintf(stderr, "unknown child role %s\n", argv[1]);
            return 97;
        }
        return it->second(argc, argv);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
