// Finding files: a depth-first directory search and the check that a command
// line names an existing program file.
#include "library/CFUtils.h"
#include "library/Handles.h"
#include "shell/CommandLine.h"

#include <mbstring.h>

namespace {

bool IsDotEntry(const char* name)
{
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

// Only plain directories are entered: a read-only, hidden, system or archived
// one (or a link) carries a further bit and is passed over.
bool IsPlainSubdirectory(const WIN32_FIND_DATAA& entry)
{
    return entry.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY && !IsDotEntry(entry.cFileName);
}

bool SameName(const char* entryName, const CString& fileName)
{
    return _mbsicmp(reinterpret_cast<const unsigned char*>(entryName),
                    reinterpret_cast<const unsigned char*>(static_cast<const char*>(fileName))) == 0;
}

} // namespace

int SearchDirectory(CString& fileName, CString& directory, CString& foundPath)
{
    WIN32_FIND_DATAA entry;
    cfu::unique_hfind search(FindFirstFileA(directory + "\\*.*", &entry));
    if (!search)
        return 0;
    do {
        if (IsPlainSubdirectory(entry)) {
            CString subdirectory = directory + "\\" + entry.cFileName;
            if (SearchDirectory(fileName, subdirectory, foundPath))
                return 1;
        }
        if (SameName(entry.cFileName, fileName)) {
            foundPath = directory + "\\" + fileName;
            return 1;
        }
    } while (FindNextFileA(search.get(), &entry));
    return 0;
}

int VerifyFileExists(CString path)
{
    // Only a path with a drive counts: a relative or UNC path fails outright.
    if (path.Find(':') < 0)
        return 0;
    const ProgramPrefix prefix = FindProgramPrefix(path);
    return prefix.exists && !(prefix.status.m_attribute & FILE_ATTRIBUTE_DIRECTORY);
}
