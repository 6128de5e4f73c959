#include "text/BoundedText.h"

#include <stdio.h>

void FormatInto(char* buffer, int capacity, const char* format, va_list args)
{
    if (capacity <= 0)
        return;
    buffer[capacity - 1] = '\0';
    // Output cut at the limit comes back as -1, unterminated: the NUL set
    // above ends it.
    _vsnprintf(buffer, size_t(capacity - 1), format, args);
}

FieldScan ScanFieldInto(const char* line, int length, char* field, int capacity)
{
    FieldScan scan{0, 0, false};
    while (scan.rest < length) {
        const char c = line[scan.rest++];
        if (c == ',' && !scan.unmatched)
            break;
        if (c == '"')
            scan.unmatched = !scan.unmatched;
        else if ((c != ' ' || scan.length > 0) && scan.length < capacity - 1)
            field[scan.length++] = c;
    }
    if (capacity > 0)
        field[scan.length] = '\0';
    return scan;
}
