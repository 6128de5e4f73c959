// Command lines split into the program file and its parameters. Quotation
// marks get no special meaning: only ".EXE" ends a candidate program file.
#include "library/CFUtils.h"
#include "shell/CommandLine.h"

namespace {

const char kDotExe[] = ".EXE";
const int kDotExeLength = int(sizeof kDotExe - 1);

// Where the piece starting at start ends in the upper-cased line: just past
// its first ".EXE", or at the end of the line.
int PieceEnd(const CString& upperLine, int start)
{
    const int found = upperLine.Find(kDotExe, start);
    return found < 0 ? upperLine.GetLength() : found + kDotExeLength;
}

CString UpperCopy(const CString& text)
{
    CString upper = text;
    upper.MakeUpper();
    return upper;
}

} // namespace

ProgramPrefix FindProgramPrefix(const CString& commandLine)
{
    const CString upper = UpperCopy(commandLine);
    ProgramPrefix prefix{0, false, {}};
    while (prefix.length < commandLine.GetLength() && !prefix.exists) {
        prefix.length = PieceEnd(upper, prefix.length);
        prefix.exists = CFile::GetStatus(commandLine.Left(prefix.length), prefix.status) != FALSE;
    }
    return prefix;
}

void FindDotExeInPathAndParms(CString commandLine, CString& exePath)
{
    exePath = commandLine.Left(PieceEnd(UpperCopy(commandLine), 0));
}

void GetExeAndParams(CString commandLine, CString& exePath, CString& params)
{
    const int length = FindProgramPrefix(commandLine).length;
    exePath = commandLine.Left(length);
    params = commandLine.Mid(length);
}

void RemoveExeParms(CString& commandLine)
{
    commandLine = commandLine.Left(FindProgramPrefix(commandLine).length);
}
