// Included once, by the DllMain of an extension DLL.
#pragma once

#include "afxwin.h"
