// Demonstration of CFUtils: each part drives the real platform and prints
// what happened.
#include "Demo.h"

#include "ChildProcess.h"

#include <cstdio>

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    // The demo's other processes are this program re-launched in a role.
    const int child = cfu::tools::RunChildRole(argc, argv);
    if (child >= 0)
        return child;
    int failures = 0;
    failures += RunRouterDemo() != 0;
    failures += RunHookDemo() != 0;
    failures += RunDriverDemo() != 0;
    failures += RunWindowDemo() != 0;
    failures += RunDataDemo() != 0;
    failures += RunResourceDemo() != 0;
    std::printf("\n%s\n", failures ? "demo: FAILED" : "demo: done");
    return failures;
}
