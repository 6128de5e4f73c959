// Parts of the demonstration; each prints what it shows and returns 0 on success.
#pragma once

int RunWindowDemo();
int RunDataDemo();
int RunRouterDemo();
// The router demo's listener when the program was re-launched as one; -1 otherwise.
int RunRouterListener(int argc, char** argv);
