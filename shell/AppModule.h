// The application's own module file, for the library's internal callers
// (file-type registration among them); not part of the exported interface.
#pragma once

#include <afx.h>

// Full file name of the module of the framework's current module state (the
// application's executable when called from the application); "" when the
// platform cannot name it.
CString GetAppModuleFileName();
