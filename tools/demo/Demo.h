// Parts of the demonstration; each prints what it shows and returns 0 on success.
#pragma once

int RunWindowDemo();
int RunDataDemo();
int RunRouterDemo();
int RunHookDemo();
int RunDriverDemo();
int RunResourceDemo();
