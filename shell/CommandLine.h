// The program-file search shared by the command-line splitters and the file
// check: the shortest ".EXE"-ended prefix of a line that exists on disk.
#pragma once

#include <afx.h>

struct ProgramPrefix
{
    int length;            // of the prefix taken as the program file
    bool exists;           // it names an existing file or directory
    CFileStatus status;    // its status, when it exists
};

// Grows a prefix piece by piece, each piece ending just after the next ".EXE"
// (in any case) or at the end of the line, and stops at the first prefix that
// exists; without one the whole line is the prefix.
ProgramPrefix FindProgramPrefix(const CString& commandLine);
