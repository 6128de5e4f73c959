#include "afx.h"

#include <string.h>

CTime::CTime(const FILETIME& fileTime)
{
    // FILETIME counts 100 ns ticks from 1601; time_t seconds from 1970.
    ULARGE_INTEGER ticks;
    ticks.LowPart = fileTime.dwLowDateTime;
    ticks.HighPart = fileTime.dwHighDateTime;
    m_time = time_t(ticks.QuadPart / 10000000ULL - 11644473600ULL);
}

IMPLEMENT_DYNAMIC(CFile, CObject)

BOOL PASCAL CFile::GetStatus(LPCSTR lpszFileName, CFileStatus& rStatus)
{
    if (!lpszFileName)
        return FALSE;
    char fullName[_MAX_PATH];
    DWORD len = GetFullPathNameA(lpszFileName, _MAX_PATH, fullName, NULL);
    if (len == 0 || len >= _MAX_PATH)
        return FALSE;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(lpszFileName, GetFileExInfoStandard, &data))
        return FALSE;

    strcpy(rStatus.m_szFullName, fullName);
    rStatus.m_size = LONG(data.nFileSizeLow);
    rStatus.m_attribute = BYTE(data.dwFileAttributes);
    rStatus.m_padding = 0;
    rStatus.m_mtime = CTime(data.ftLastWriteTime);
    // A file system that keeps no creation or access time reports zero:
    // the framework then gives the modification time.
    auto orModified = [&](const FILETIME& ft) {
        return (ft.dwLowDateTime || ft.dwHighDateTime) ? CTime(ft) : rStatus.m_mtime;
    };
    rStatus.m_ctime = orModified(data.ftCreationTime);
    rStatus.m_atime = orModified(data.ftLastAccessTime);
    return TRUE;
}
