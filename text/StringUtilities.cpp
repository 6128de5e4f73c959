#include "library/CFUtils.h"

#include "resources/LocalizedString.h"
#include "text/BoundedText.h"

namespace {

// Formatting stops at 400 characters and a field at 511.
const int kFormatChars = 400;
const int kFieldChars = 511;

// Each call formats on its own stack, so formatting on several threads at
// once needs no lock and cannot mix results.
CString FormatBounded(const char* format, va_list args)
{
    if (!format)
        return CString();
    char buffer[kFormatChars + 1];
    FormatInto(buffer, sizeof buffer, format, args);
    return CString(buffer);
}

struct Field
{
    CString text;
    FieldScan scan;
};

Field ScanFirstField(const CString& line)
{
    char field[kFieldChars + 1];
    const FieldScan scan = ScanFieldInto(line, line.GetLength(), field, sizeof field);
    return {CString(field, scan.length), scan};
}

} // namespace

CString AFX_CDECL wformat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    CString result = FormatBounded(format, args);
    va_end(args);
    return result;
}

CString AFX_CDECL wformat(UINT id, ...)
{
    const CString format = LoadLocalizedString(id);
    va_list args;
    va_start(args, id);
    CString result = FormatBounded(format, args);
    va_end(args);
    return result;
}

CString ScanField(CString& line)
{
    Field field = ScanFirstField(line);
    if (field.scan.unmatched)
        AfxMessageBox(wformat("Unmatched quote in field: %s", static_cast<const char*>(line)),
                      MB_ICONEXCLAMATION | MB_OK, 0);
    line = line.Mid(field.scan.rest);
    return field.text;
}

CString ScanFieldKeepSlashes(CString& line)
{
    Field field = ScanFirstField(line);
    if (field.scan.unmatched)
        return CString();
    line = line.Mid(field.scan.rest);
    return field.text;
}

CString CenterPunched(CString text, int width)
{
    if (text.GetLength() <= width)
        return text;
    // Below 3 the half would be negative, which the framework treats as 0.
    const int half = width < 3 ? 0 : (width - 3) / 2;
    return text.Left(half) + "..." + text.Right(half);
}

CString MinusExtension(const char* name)
{
    CString result(name);
    RemoveFileExtension(result);
    return result;
}

int RemoveFileExtension(CString& name)
{
    const int dot = name.ReverseFind('.');
    if (dot < 0 || dot < name.ReverseFind('\\'))
        return FALSE;
    name = name.Left(dot);
    return TRUE;
}

CString MinusPath(CString name)
{
    int separator = name.ReverseFind('\\');
    if (separator < 0)
        separator = name.ReverseFind('/');
    const CString rest = name.Mid(separator + 1);
    return rest.Mid(rest.Find(':') + 1);
}
