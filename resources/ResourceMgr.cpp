#include "library/CFUtils.h"

#include "library/Handles.h"
#include "resources/LocalizedString.h"

#include <memory>

namespace {

const char kSettingsKey[] = "SOFTWARE\\Corvanta\\Entertainment\\CurrentVersion";
const int kNameBuffer = 2048;

// Resource names made from identifiers keep their low 16 bits.
LPCSTR IdName(unsigned int id)
{
    return MAKEINTRESOURCEA(WORD(id));
}

bool IsSystemCursor(unsigned int id)
{
    return (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32646) || id == 32648 ||
           id == 32650;
}

bool FileOpens(const CString& path)
{
    cfu::unique_hfile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, NULL));
    return bool(file);
}

// The locked bytes and size of a resource; null bytes when any step fails.
struct LockedResource
{
    const BYTE* bytes = nullptr;
    DWORD size = 0;
};

LockedResource LockFound(HMODULE library, LPCSTR name, LPCSTR type)
{
    HRSRC info = library ? FindResourceA(library, name, type) : NULL;
    HGLOBAL loaded = info ? LoadResource(library, info) : NULL;
    LockedResource locked;
    locked.bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    locked.size = locked.bytes ? SizeofResource(library, info) : 0;
    return locked;
}

// A group directory whose entry count overruns the resource would make the
// platform's image lookup read past its end.
bool DirectoryFits(const LockedResource& group)
{
    const DWORD kHeader = 6, kEntry = 14;
    return group.bytes && group.size >= kHeader &&
           group.size >= kHeader + kEntry * reinterpret_cast<const WORD*>(group.bytes)[2];
}

} // namespace

CResourceMgr::CResourceMgr(HINSTANCE module)
    : m_bInitialized(0), m_hLib2(NULL), m_hLib4(NULL), m_hLib1(NULL), m_hLib3(NULL)
{
    char fileName[kNameBuffer];
    if (GetModuleFileNameA(module, fileName, kNameBuffer))
        m_strModuleDir = CPathName(fileName).Path();
    std::unique_ptr<CRegEntry> settings(CRegEntry::OpenExisting(HKEY_LOCAL_MACHINE, kSettingsKey));
    if (settings) {
        settings->LocateValueData("Install Directory", m_strInstallDir);
        settings->LocateValueData("HelpFileName", m_strHelpFile);
    }
}

CResourceMgr::~CResourceMgr()
{
    FreeLibraries();
}

void CResourceMgr::FreeLibraries()
{
    for (HINSTANCE* library : {&m_hLib2, &m_hLib4, &m_hLib1, &m_hLib3}) {
        if (*library)
            FreeLibrary(*library);
        *library = NULL;
    }
}

// The install directory's answer stands even when it is NULL; the module's
// directory and the platform's search are asked only after that.
HINSTANCE CResourceMgr::LoadResourceLibrary(const char* file) const
{
    if (!file)
        return NULL;
    HINSTANCE library = NULL;
    if (!m_strInstallDir.IsEmpty())
        library = LoadLibraryA(m_strInstallDir + "\\" + file);
    if (!library && !m_strModuleDir.IsEmpty())
        library = LoadLibraryA(m_strModuleDir + "\\" + file);
    if (!library)
        library = LoadLibraryA(file);
    return library;
}

bool CResourceMgr::HelpFileIn(const CString& directory) const
{
    return !directory.IsEmpty() && !m_strHelpFile.IsEmpty() &&
           FileOpens(directory + "\\" + m_strHelpFile);
}

int CResourceMgr::Initialize(const char* file1, const char* file2, const char* file3,
                             const char* file4, const char* defaultHelpFile)
{
    m_bInitialized = 1;
    FreeLibraries();
    m_hLib2 = LoadResourceLibrary(file2);
    m_hLib1 = LoadResourceLibrary(file1);
    m_hLib4 = LoadResourceLibrary(file4);
    m_hLib3 = LoadResourceLibrary(file3);

    if (m_strHelpFile.IsEmpty() && defaultHelpFile)
        m_strHelpFile = defaultHelpFile;
    m_strHelpDir.Empty();
    if (HelpFileIn(m_strInstallDir))
        m_strHelpDir = m_strInstallDir;
    else if (HelpFileIn(m_strModuleDir))
        m_strHelpDir = m_strModuleDir;
    return m_hLib2 && m_hLib1;
}

HINSTANCE CResourceMgr::FindResourceDLL(const char* name, const char* type, unsigned int mask)
{
    const struct { unsigned int bit; HINSTANCE library; } order[] = {
        {0x1, m_hLib4}, {0x2, m_hLib2}, {0x4, m_hLib3}, {0x8, m_hLib1}};
    for (const auto& candidate : order) {
        if ((mask & candidate.bit) && candidate.library &&
            FindResourceA(candidate.library, name, type))
            return candidate.library;
    }
    return NULL;
}

HBITMAP CResourceMgr::FindAndLoadBitmap(unsigned int id, unsigned int mask)
{
    HINSTANCE library = FindResourceDLL(IdName(id), RT_BITMAP, mask);
    return library ? LoadBitmapA(library, IdName(id)) : NULL;
}

HICON CResourceMgr::FindAndLoadIcon(unsigned int id, unsigned int mask)
{
    HINSTANCE library = FindResourceDLL(IdName(id), RT_GROUP_ICON, mask);
    const LockedResource group = LockFound(library, IdName(id), RT_GROUP_ICON);
    if (!DirectoryFits(group))
        return NULL;
    const int image = LookupIconIdFromDirectory(const_cast<BYTE*>(group.bytes), TRUE);
    if (image <= 0)
        return NULL;
    const LockedResource icon = LockFound(library, IdName(unsigned(image)), RT_ICON);
    return icon.bytes ? CreateIconFromResource(const_cast<BYTE*>(icon.bytes), icon.size, TRUE,
                                               0x00030000)
                      : NULL;
}

HICON CResourceMgr::FindAndLoadCursor(unsigned int id, unsigned int mask)
{
    if (IsSystemCursor(id))
        return LoadCursorA(NULL, IdName(id));
    HINSTANCE library = FindResourceDLL(IdName(id), RT_CURSOR, mask);
    return library ? LoadCursorA(library, IdName(id)) : NULL;
}

CString CResourceMgr::FindAndLoadString(unsigned int id, unsigned int mask)
{
    CString text;
    HINSTANCE library = FindResourceDLL(IdName((id >> 4) + 1), RT_STRING, mask);
    char buffer[kNameBuffer];
    if (library && LoadLocalizedStringA(library, id, buffer, kNameBuffer) > 0)
        text = buffer;
    return text;
}

void* CResourceMgr::FindAndLoadResource(const char* name, const char* type, unsigned int mask)
{
    HINSTANCE library = FindResourceDLL(name, type, mask);
    HRSRC info = library ? FindResourceA(library, name, type) : NULL;
    return info ? LoadResource(library, info) : NULL;
}

HACCEL CResourceMgr::FindAndLoadAccelerators(unsigned int, unsigned int)
{
    return NULL;
}
