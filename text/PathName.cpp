// CPathName: a path kept in one normal form, split and composed by the
// C runtime's rules, made absolute and searched for with the system's help.
#include "library/CFUtils.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace {

// _splitpath's buffers: _MAX_DRIVE, _MAX_DIR, _MAX_FNAME and _MAX_EXT, less
// the NUL.
const size_t kDriveLimit = _MAX_DRIVE - 1;
const size_t kPartLimit = _MAX_DIR - 1;

const char kBlanks[] = " \t";

// Views into the texts they were split from, so that their data() are
// positions in those texts.
struct Parts
{
    std::string_view drive;
    std::string_view directory;
    std::string_view name;
    std::string_view extension;
};

// The view from its first character that is neither blank nor tab. The view
// must lie in a NUL-terminated text: the tokenizer scans on to the NUL when
// the view is all blanks.
std::string_view DropBlanks(std::string_view text)
{
    if (text.empty())
        return text;
    CTokenizer blanks(text.data(), kBlanks, NULL);
    text.remove_prefix(std::min<size_t>(blanks.current() - text.data(), text.size()));
    return text;
}

std::string_view WholeText(const char* text)
{
    return DropBlanks(text ? text : "");
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Splits as _splitpath does, after the text's leading blanks and tabs; a part
// longer than _splitpath's buffer is cut to it.
Parts Split(const char* text)
{
    const std::string_view path = WholeText(text);
    const size_t driveEnd = (path.size() >= 2 && path[1] == ':') ? 2 : 0;

    size_t directoryEnd = driveEnd;
    for (size_t i = driveEnd; i < path.size(); ++i)
        if (IsSeparator(path[i]))
            directoryEnd = i + 1;

    size_t nameEnd = path.rfind('.');
    if (nameEnd == std::string_view::npos || nameEnd < directoryEnd)
        nameEnd = path.size();

    return {path.substr(0, std::min(driveEnd, kDriveLimit)),
            path.substr(driveEnd, std::min(directoryEnd - driveEnd, kPartLimit)),
            path.substr(directoryEnd, std::min(nameEnd - directoryEnd, kPartLimit)),
            path.substr(nameEnd, kPartLimit)};
}

CString Text(std::string_view part)
{
    return CString(part.data(), int(part.size()));
}

// Composes as _makepath does, from the parts without their leading blanks and
// tabs, cut to what a MAX_PATH buffer holds; then each run of backslashes
// becomes one.
CString Compose(const Parts& parts)
{
    const std::string_view drive = DropBlanks(parts.drive);
    const std::string_view directory = DropBlanks(parts.directory);
    const std::string_view extension = DropBlanks(parts.extension);

    std::string path;
    if (!drive.empty())
        path.append(1, drive[0]).append(1, ':');
    path.append(directory);
    if (!directory.empty() && !IsSeparator(directory.back()))
        path.append(1, '\\');
    path.append(DropBlanks(parts.name));
    if (!extension.empty() && extension[0] != '.')
        path.append(1, '.');
    path.append(extension);
    path.resize(std::min<size_t>(path.size(), MAX_PATH - 1));

    path.erase(std::unique(path.begin(), path.end(),
                           [](char a, char b) { return a == '\\' && b == '\\'; }),
               path.end());
    return CString(path.data(), int(path.size()));
}

using Part = std::string_view Parts::*;

// The path with two of its parts taken from the split text.
CString WithSplitParts(const char* path, const char* text, Part first, Part second)
{
    const Parts given = Split(text);
    Parts parts = Split(path);
    parts.*first = given.*first;
    parts.*second = given.*second;
    return Compose(parts);
}

// The path with one of its parts replaced by the whole text, cut to the
// part's limit as Split cuts, so that the composed path keeps the others.
CString WithWholePart(const char* path, const char* text, Part part)
{
    Parts parts = Split(path);
    parts.*part = WholeText(text).substr(0, part == &Parts::drive ? kDriveLimit : kPartLimit);
    return Compose(parts);
}

// The path text of a working copy, made absolute where the system can.
CString Absolute(CPathName work)
{
    work.FullPath();
    return work.PathName();
}

bool OpensForReading(const char* path)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "r"), &std::fclose);
    return file != nullptr;
}

} // namespace

/////////////////////////////////////////////////////////////////////////////
// Parts

CString CPathName::Path() const
{
    const Parts parts = Split(m_path);
    return Text(parts.drive) + Text(parts.directory);
}

CString CPathName::FileName() const
{
    const Parts parts = Split(m_path);
    return Text(parts.name) + Text(parts.extension);
}

CString CPathName::Drive() const
{
    return Text(Split(m_path).drive);
}

CString CPathName::Directory() const
{
    return Text(Split(m_path).directory);
}

CString CPathName::Name() const
{
    return Text(Split(m_path).name);
}

CString CPathName::Extension() const
{
    return Text(Split(m_path).extension);
}

const char* CPathName::LPFileName() const
{
    return Split(m_path).name.data();
}

const char* CPathName::LPExtension() const
{
    return Split(m_path).extension.data();
}

char CPathName::DriveChar() const
{
    const std::string_view drive = Split(m_path).drive;
    return drive.empty() ? '\0' : drive[0];
}

CString CPathName::Parent() const
{
    CPathName parent(*this);
    return parent.ToParent().PathName();
}

/////////////////////////////////////////////////////////////////////////////
// Setters

CPathName& CPathName::PathName(const char* path)
{
    m_path = Compose(Split(path));
    return *this;
}

CPathName& CPathName::Path(const char* path)
{
    m_path = WithSplitParts(m_path, path, &Parts::drive, &Parts::directory);
    return *this;
}

CPathName& CPathName::FileName(const char* fileName)
{
    m_path = WithSplitParts(m_path, fileName, &Parts::name, &Parts::extension);
    return *this;
}

CPathName& CPathName::Drive(const char* drive)
{
    m_path = WithWholePart(m_path, drive, &Parts::drive);
    return *this;
}

CPathName& CPathName::Drive(char letter)
{
    const char drive[] = {letter, ':', '\0'};
    return Drive(drive);
}

CPathName& CPathName::Directory(const char* directory)
{
    m_path = WithWholePart(m_path, directory, &Parts::directory);
    return *this;
}

CPathName& CPathName::Name(const char* name)
{
    m_path = WithWholePart(m_path, name, &Parts::name);
    return *this;
}

CPathName& CPathName::Extension(const char* extension)
{
    m_path = WithWholePart(m_path, extension, &Parts::extension);
    return *this;
}

/////////////////////////////////////////////////////////////////////////////
// Operations

CPathName& CPathName::ForceDirectory()
{
    Parts parts = Split(m_path);
    std::string directory(parts.directory);
    directory.append(parts.name).append(parts.extension);
    parts.directory = directory;
    parts.name = parts.extension = std::string_view();
    m_path = Compose(parts);
    return *this;
}

CPathName& CPathName::ForceFile()
{
    const Parts parts = Split(m_path);
    if (!parts.name.empty() || !parts.extension.empty())
        return *this;
    std::string_view directory = parts.directory;
    if (directory.size() >= 2 && directory.back() == '\\')
        directory.remove_suffix(1);
    m_path = Text(parts.drive) + Text(directory);
    return *this;
}

CPathName& CPathName::ToParent()
{
    return ForceFile().FileName(NULL);
}

// OpenFile with OF_PARSE would do, but its result is cut at 127 characters,
// and in OEM characters on Windows while Wine answers in ANSI ones:
// GetFullPathNameA answers in ANSI, up to MAX_PATH, on both.
int CPathName::FullPath()
{
    // A directory is made absolute through a file name in it, so that its
    // trailing backslash survives.
    const bool directory = FileName().IsEmpty();
    if (directory)
        FileName("*.*");

    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(m_path, MAX_PATH, full, NULL);
    const bool made = length > 0 && length < MAX_PATH;
    if (made)
        m_path = full;

    if (directory)
        FileName(NULL);
    return made ? TRUE : FALSE;
}

// OpenFile with OF_EXIST searches as SearchPathA does, and refuses what does
// not open: a directory, or a file another handle holds without sharing,
// found first ends the search unfound.
int CPathName::Search()
{
    char found[MAX_PATH];
    const DWORD length = SearchPathA(NULL, LPFileName(), NULL, MAX_PATH, found, NULL);
    if (length == 0 || length >= MAX_PATH || !OpensForReading(found))
        return FALSE;
    m_path = found;
    return TRUE;
}

int CPathName::SetSearchPath(CString root, const char** dirs)
{
    m_searchDirs = dirs;
    m_searchPath = root;
    return TRUE;
}

int CPathName::FindFile()
{
    if (m_path.IsEmpty())
        return FALSE;

    const CString fileName = FileName();
    CString found = Absolute(*this);
    bool opened = OpensForReading(found) ||
                  OpensForReading(found = Absolute(CPathName(m_searchPath + fileName)));
    for (const char** dir = m_searchDirs; !opened && dir && *dir; ++dir) {
        CPathName entry(*dir);
        found = Absolute(CPathName(m_searchPath + entry.ForceDirectory().Path())) + fileName;
        opened = OpensForReading(found);
    }

    if (!opened)
        return Search();
    m_path = found;
    return TRUE;
}
