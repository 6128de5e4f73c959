// Shared by the shell tests: scratch folders, copies of this binary that
// record how a launcher started them, the idle helpers and a count of the
// handles this process holds.
#pragma once

#include "TestSupport.h"

#include <initializer_list>
#include <string>

namespace cfu::test {

std::string ProgramFile();
// Without a trailing backslash.
std::string ProgramDirectory();

// A case's text with "@" standing for folder and "$" for this binary.
std::string Expand(const char* text, const std::string& folder);

// A fresh folder of its own under the temp folder, removed with what it holds.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return m_path; }
    // Folder-relative entries: a name ending in a backslash is a directory,
    // any other an empty file.
    void Make(std::initializer_list<const char*> entries) const;

private:
    std::string m_path;
};

// Sets the Unix mode of a directory (chmod: this Wine reports a directory
// without write permission as read-only, and ignores SetFileAttributesA on
// directories); true once the platform reports the expected attributes.
bool SetUnixMode(const std::string& directory, const char* mode, DWORD expectedAttributes);

// While one lives, a copy of this binary started by anyone (with any command
// line) writes its command line and current directory to a file of the
// recording's own and ends before any test runs.
class Recording
{
public:
    Recording();
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    // What the copy recorded; false when nothing arrived within the start-up
    // time of a cold Wine.
    bool Wait(std::string& commandLine, std::string& directory) const;

private:
    std::string m_file;
};

// In such a copy: records and ends the process. Elsewhere: false.
bool RecordIfAsked();

// How many process and thread handles this process has open, found by
// trying every handle value (GetProcessHandleCount always answers 0 under
// Wine). Other kinds are left out: Wine's WaitForInputIdle itself leaves an
// event handle behind at every call.
int OpenProcessAndThreadHandles();

// The idle helper programs beside this binary, by mode ("pump", "still").
std::string IdleHelper(const char* mode);
// Ends the helper of that mode once its window appears; false when none did.
bool EndIdleHelper(const char* mode);

} // namespace cfu::test
