// CSystemInfo against SystemParametersInfoA itself: each getter answers and
// writes what a direct call does, each setter's change reads back and is
// undone, and the desktop pattern reaches the profile.
#include "library/CFUtils.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>

namespace {

using Fn = int (*)(CSystemInfo&, void*);

// A getter gets a pointer into the buffer; a setter a copy of its start.
template <class T>
int Call(int (CSystemInfo::*fn)(T), CSystemInfo& info, void* p)
{
    if constexpr (std::is_pointer_v<T>)
        return (info.*fn)(static_cast<T>(p));
    else
        return (info.*fn)(*static_cast<T*>(p));
}
#define FN(fn) [](CSystemInfo& info, void* p) { return Call(&CSystemInfo::fn, info, p); }
#define SET(fn) #fn, FN(fn)
// For the setters without a getter: what the platform reports.
#define READ(expr) [](CSystemInfo&, void* p) { *static_cast<UINT*>(p) = (expr); return 1; }
#define SPI(action) [](CSystemInfo&, void* p) { return SystemParametersInfoA(action, 0, p, 0); }
#define RECORD(T) sizeof(T), sizeof(T)   // size argument and cbSize

constexpr bool kRefused = true;   // Wine 8 answers 0 where Windows accepts

// One setter with the getter that reads its state back. The getter is first
// checked against the direct call of its action; the change flips bits.
struct Row
{
    const char* name;
    Fn set, get;
    UINT action = 0, size = 0, cbSize = 0;   // the getter's direct call, and cbSize of a record
    char flip = 1;
    size_t flipAt = 0;
    bool refusedByWine = false;
    size_t compared = 128;
};

TEST(SystemInfoTest, EachGetterMatchesTheServiceAndEachSetterReadsBack)
{
    const Row rows[] = {
        {SET(SetIconHorzSize), SPI(SPI_ICONHORIZONTALSPACING)}, {SET(SetIconVertSize), SPI(SPI_ICONVERTICALSPACING)},
        {SET(SetDoubleClickTime), READ(GetDoubleClickTime())},
        {SET(SetMouseBtnSwap), READ(GetSystemMetrics(SM_SWAPBUTTON))},
        {SET(SetDoubleClickHeight), READ(GetSystemMetrics(SM_CYDOUBLECLK))},
        {SET(SetDoubleClickWidth), READ(GetSystemMetrics(SM_CXDOUBLECLK))},
        {SET(SetWarningBeeperOn), FN(GetBeeperState), SPI_GETBEEP},
        {SET(SetShowSounds), FN(GetShowSounds), SPI_GETSHOWSOUNDS},
        {SET(SetBorderWidth), FN(GetBorderWidth), SPI_GETBORDER, 0, 0, 2},   // 0 would read back as 1
        {SET(SetFastTSwitchEnabled), FN(GetFastTSwitchEnabled), SPI_GETFASTTASKSWITCH, 0, 0, 1, 0, kRefused},
        {SET(SetGranularity), FN(GetGranularity), SPI_GETGRIDGRANULARITY},
        {SET(SetIconWrappingEnabled), FN(GetIconWrappingEnabled), SPI_GETICONTITLEWRAP},
        {SET(SetRepeatDelay), FN(GetRepeatDelay), SPI_GETKEYBOARDDELAY},
        {SET(SetRepeatSpeed), FN(GetRepeatSpeed), SPI_GETKEYBOARDSPEED},   // 31 to 30 and back
        {SET(SetMenuAlignmentLeft), FN(GetMenuAlignmentLeft), SPI_GETMENUDROPALIGNMENT},
        {SET(SetScrSaverActive), FN(GetScrSaverActive), SPI_GETSCREENSAVEACTIVE},
        {SET(SetScrSaverTimeout), FN(GetScrSaverTimeout), SPI_GETSCREENSAVETIMEOUT},
        {SET(SetMouseSpeed), FN(GetMouseSpeed), SPI_GETMOUSE},
        // Wine's A call passes a font to the W call unconverted ("MS Shell Dlg"
        // reads back as "??????"): compared without its face name, restored below.
        {SET(SetIconTitleFont), FN(GetIconTitleFont), SPI_GETICONTITLELOGFONT, sizeof(LOGFONTA), 0, 1, 0, false,
         offsetof(LOGFONTA, lfFaceName)},
        // The accessibility records change in a hot-key or feedback flag, never a feature itself.
        {SET(SetAccessTimeout), FN(GetAccessTimeOut), SPI_GETACCESSTIMEOUT, RECORD(ACCESSTIMEOUT), ATF_ONOFFFEEDBACK, 4,
         kRefused},
        {SET(SetFilterKeys), FN(GetFilterKeys), SPI_GETFILTERKEYS, RECORD(FILTERKEYS), FKF_HOTKEYACTIVE, 4, kRefused},
        {SET(SetMouseKeys), FN(GetMouseKeys), SPI_GETMOUSEKEYS, RECORD(MOUSEKEYS), MKF_HOTKEYACTIVE, 4, kRefused},
        {SET(SetSoundSentry), FN(GetSoundSentry), SPI_GETSOUNDSENTRY, RECORD(SOUNDSENTRYA), SSF_INDICATOR, 4, kRefused},
        {SET(SetStickyKeys), FN(GetStickyKeys), SPI_GETSTICKYKEYS, RECORD(STICKYKEYS), SKF_HOTKEYACTIVE, 4, kRefused},
        {SET(SetToggleKeys), FN(GetToggleKeys), SPI_GETTOGGLEKEYS, RECORD(TOGGLEKEYS), TKF_HOTKEYACTIVE, 4, kRefused},
    };
    LOGFONTW font{};
    SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0);
    CSystemInfo info;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // A record goes through with the caller's cbSize, 0 included; poison
        // after it shows that neither call writes past it.
        for (int pass = row.action ? 0 : 2; pass < (row.cbSize ? 2 : 1); ++pass) {
            const UINT cbSize = pass ? 0 : row.cbSize;
            std::string byLibrary(128, '\xbd');
            memcpy(&byLibrary[0], &cbSize, row.cbSize ? sizeof cbSize : 0);
            std::string direct = byLibrary;
            const int answer = row.get(info, &byLibrary[0]);
            EXPECT_EQ(SystemParametersInfoA(row.action, row.size, &direct[0], 0), answer) << cbSize;
            EXPECT_EQ(direct, byLibrary) << cbSize;
            EXPECT_EQ(cbSize == row.cbSize, answer) << cbSize;
        }
        auto read = [&] {
            std::string state(128, '\0');
            memcpy(&state[0], &row.cbSize, row.cbSize ? sizeof row.cbSize : 0);
            row.get(info, &state[0]);
            return state.substr(0, row.compared) + std::string(128 - row.compared, '\0');
        };
        std::string original = read(), changed = original;
        changed[row.flipAt] ^= row.flip;
        const int answer = row.set(info, &changed[0]);
        EXPECT_EQ(!row.refusedByWine, answer);
        EXPECT_EQ(answer ? changed : original, read());
        EXPECT_EQ(answer, row.set(info, &original[0]));
        EXPECT_EQ(original, read());
    }
    SystemParametersInfoW(SPI_SETICONTITLELOGFONT, sizeof font, &font, SPIF_SENDWININICHANGE);
}

TEST(SystemInfoTest, LanguageDriverPatternAndWallPaper)
{
    CSystemInfo info;
    // This platform answers TRUE and writes nothing: the name must come out empty.
    std::string direct(250, '\0');
    CString name("stale");
    EXPECT_EQ(SystemParametersInfoA(SPI_LANGDRIVER, 0, &direct[0], 0), info.GetLangDriverName(name));
    EXPECT_STREQ(direct.c_str(), name);
    EXPECT_FALSE(info.GetShowSounds(nullptr));

    char saved[64], text[64];
    const bool had = GetProfileStringA("Desktop", "Pattern", "", saved, sizeof saved) > 0;
    char pattern[] = {'\xaa', 0x55, '\xaa', 0x55, '\xaa', 0x55, '\xaa', 0x55};
    for (char* given : {pattern, static_cast<char*>(nullptr)}) {
        EXPECT_EQ(given ? TRUE : FALSE, info.SetDesktopPattern(given));
        GetProfileStringA("Desktop", "Pattern", "", text, sizeof text);
        EXPECT_STREQ("-86 85 -86 85 -86 85 -86 85", text);   // a null pattern changes nothing
    }
    WriteProfileStringA("Desktop", "Pattern", had ? saved : nullptr);

    char wallpaper[MAX_PATH] = {}, now[MAX_PATH] = {};
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, wallpaper, 0);
    for (const char* path : {"C:\\cfu-test.bmp", static_cast<const char*>(wallpaper)}) {
        EXPECT_EQ(TRUE, info.SetWallPaper(path));   // Wine takes a path to nothing; Windows would not
        SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, now, 0);
        EXPECT_STREQ(path, now);
    }
}

} // namespace
