// Demonstration of CFUtils: each part drives the real platform and prints
// what happened.
#include "Demo.h"

#include <cstdio>

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    int listener = RunRouterListener(argc, argv);
    if (listener >= 0)
        return listener;
    int failures = 0;
    failures += RunRouterDemo() != 0;
    failures += RunWindowDemo() != 0;
    failures += RunDataDemo() != 0;
    std::printf("\n%s\n", failures ? "demo: FAILED" : "demo: done");
    return failures;
}
