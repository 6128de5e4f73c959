// The fixed buffers behind the string utilities, internal to CFUtils.dll:
// each writes only inside the buffer it is given, whatever its input.
#pragma once

#include <stdarg.h>

// Formats into buffer: at most capacity - 1 characters, always terminated.
void FormatInto(char* buffer, int capacity, const char* format, va_list args);

// How the first comma-separated field of a line was taken.
struct FieldScan
{
    int length;      // characters collected
    int rest;        // where the rest of the line starts, behind the field's comma
    bool unmatched;  // the line ended inside quotes
};

// Collects the first field of line (length characters) into field, keeping
// at most capacity - 1 characters and a NUL; the scan goes on to the field's
// end either way. Quotation marks toggle grouping and are dropped; blanks
// before the first character kept are dropped.
FieldScan ScanFieldInto(const char* line, int length, char* field, int capacity);
