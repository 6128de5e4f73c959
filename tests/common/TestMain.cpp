// Main of every test binary: a crash ends the process at once with the
// exception code, and --child=<role> runs one of the binary's child roles.
#include "TestSupport.h"

#include <cstdio>

namespace {

LONG WINAPI ExitOnCrash(EXCEPTION_POINTERS* info)
{
    DWORD code = info->ExceptionRecord->ExceptionCode;
    fprintf(stderr, "unhandled exception 0x%08lx at %p\n", code, info->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

int main(int argc, char** argv)
{
    SetUnhandledExceptionFilter(&ExitOnCrash);
    const int child = cfu::tools::RunChildRole(argc, argv);
    if (child >= 0)
        return child;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
