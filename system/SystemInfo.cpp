#include "library/CFUtils.h"

// The size arguments are these sizes; a record laid out otherwise would be
// refused or misread by the service.
static_assert(sizeof(TRACK_INFO) == 3 * sizeof(int));
static_assert(sizeof(ACCESSTIMEOUT) == 12 && sizeof(FILTERKEYS) == 24 && sizeof(LOGFONTA) == 60);
static_assert(sizeof(MOUSEKEYS) == 28 && sizeof(SOUNDSENTRYA) == 56);
static_assert(sizeof(STICKYKEYS) == 8 && sizeof(TOGGLEKEYS) == 8);

namespace {

using SpiFunction = BOOL(WINAPI*)(UINT action, UINT size, PVOID data, UINT flags);

// Looked up on every call and never cached: without USER32 in the process
// every operation answers FALSE instead of failing to load.
int CallService(UINT action, UINT size, void* data, UINT flags)
{
    HMODULE user32 = GetModuleHandleA("USER32");
    FARPROC proc = user32 ? GetProcAddress(user32, "SystemParametersInfoA") : nullptr;
    if (!proc)
        return FALSE;
    return reinterpret_cast<SpiFunction>(reinterpret_cast<void*>(proc))(action, size, data, flags);
}

int Get(UINT action, void* data)
{
    return CallService(action, 0, data, 0);
}

template <class Record>
int GetRecord(UINT action, Record* record)
{
    return CallService(action, sizeof(Record), record, 0);
}

int SetValue(UINT action, UINT value)
{
    return CallService(action, value, nullptr, SPIF_SENDWININICHANGE);
}

template <class Record>
int SetRecord(UINT action, Record& record)
{
    return CallService(action, sizeof(Record), &record, SPIF_SENDWININICHANGE);
}

} // namespace

CSystemInfo::CSystemInfo() = default;
CSystemInfo::~CSystemInfo() = default;

int CSystemInfo::GetAccessTimeOut(tagACCESSTIMEOUT* p) { return GetRecord(SPI_GETACCESSTIMEOUT, p); }
int CSystemInfo::GetBeeperState(int* p) { return Get(SPI_GETBEEP, p); }
int CSystemInfo::GetBorderWidth(unsigned int* p) { return Get(SPI_GETBORDER, p); }
int CSystemInfo::GetFastTSwitchEnabled(int* p) { return Get(SPI_GETFASTTASKSWITCH, p); }
int CSystemInfo::GetFilterKeys(tagFILTERKEYS* p) { return GetRecord(SPI_GETFILTERKEYS, p); }
int CSystemInfo::GetGranularity(unsigned int* p) { return Get(SPI_GETGRIDGRANULARITY, p); }
int CSystemInfo::GetIconTitleFont(tagLOGFONTA* p) { return GetRecord(SPI_GETICONTITLELOGFONT, p); }
int CSystemInfo::GetIconWrappingEnabled(int* p) { return Get(SPI_GETICONTITLEWRAP, p); }
int CSystemInfo::GetRepeatDelay(unsigned int* p) { return Get(SPI_GETKEYBOARDDELAY, p); }
int CSystemInfo::GetRepeatSpeed(unsigned long* p) { return Get(SPI_GETKEYBOARDSPEED, p); }
int CSystemInfo::GetMenuAlignmentLeft(int* p) { return Get(SPI_GETMENUDROPALIGNMENT, p); }
// The mouse record is three integers without a size field: size argument 0.
int CSystemInfo::GetMouseSpeed(TRACK_INFO* p) { return Get(SPI_GETMOUSE, p); }
int CSystemInfo::GetMouseKeys(tagMOUSEKEYS* p) { return GetRecord(SPI_GETMOUSEKEYS, p); }
int CSystemInfo::GetScrSaverActive(int* p) { return Get(SPI_GETSCREENSAVEACTIVE, p); }
int CSystemInfo::GetScrSaverTimeout(unsigned int* p) { return Get(SPI_GETSCREENSAVETIMEOUT, p); }
int CSystemInfo::GetSoundSentry(tagSOUNDSENTRYA* p) { return GetRecord(SPI_GETSOUNDSENTRY, p); }
int CSystemInfo::GetStickyKeys(tagSTICKYKEYS* p) { return GetRecord(SPI_GETSTICKYKEYS, p); }
int CSystemInfo::GetToggleKeys(tagTOGGLEKEYS* p) { return GetRecord(SPI_GETTOGGLEKEYS, p); }

int CSystemInfo::GetShowSounds(int* pOn)
{
    if (!pOn)
        return FALSE;
    // Systems without the show-sounds action still keep the flag as a metric.
    if (!Get(SPI_GETSHOWSOUNDS, pOn))
        *pOn = GetSystemMetrics(SM_SHOWSOUNDS);
    return TRUE;
}

int CSystemInfo::GetLangDriverName(CString& name)
{
    // Zeroed, because the service may answer TRUE without writing anything.
    char buffer[250] = {};
    int answer = Get(SPI_LANGDRIVER, buffer);
    buffer[sizeof buffer - 1] = '\0';
    name = buffer;
    return answer;
}

int CSystemInfo::SetIconHorzSize(unsigned int v) { return SetValue(SPI_ICONHORIZONTALSPACING, v); }
int CSystemInfo::SetIconVertSize(unsigned int v) { return SetValue(SPI_ICONVERTICALSPACING, v); }
int CSystemInfo::SetWarningBeeperOn(int v) { return SetValue(SPI_SETBEEP, v); }
int CSystemInfo::SetBorderWidth(unsigned int v) { return SetValue(SPI_SETBORDER, v); }
int CSystemInfo::SetDoubleClickTime(unsigned int v) { return SetValue(SPI_SETDOUBLECLICKTIME, v); }
int CSystemInfo::SetDoubleClickHeight(unsigned int v) { return SetValue(SPI_SETDOUBLECLKHEIGHT, v); }
int CSystemInfo::SetDoubleClickWidth(unsigned int v) { return SetValue(SPI_SETDOUBLECLKWIDTH, v); }
int CSystemInfo::SetFastTSwitchEnabled(int v) { return SetValue(SPI_SETFASTTASKSWITCH, v); }
int CSystemInfo::SetGranularity(unsigned int v) { return SetValue(SPI_SETGRIDGRANULARITY, v); }
int CSystemInfo::SetIconWrappingEnabled(int v) { return SetValue(SPI_SETICONTITLEWRAP, v); }
int CSystemInfo::SetRepeatDelay(unsigned int v) { return SetValue(SPI_SETKEYBOARDDELAY, v); }
int CSystemInfo::SetRepeatSpeed(unsigned int v) { return SetValue(SPI_SETKEYBOARDSPEED, v); }
int CSystemInfo::SetMenuAlignmentLeft(int v) { return SetValue(SPI_SETMENUDROPALIGNMENT, v); }
int CSystemInfo::SetMouseBtnSwap(int v) { return SetValue(SPI_SETMOUSEBUTTONSWAP, v); }
int CSystemInfo::SetScrSaverActive(int v) { return SetValue(SPI_SETSCREENSAVEACTIVE, v); }
int CSystemInfo::SetScrSaverTimeout(unsigned int v) { return SetValue(SPI_SETSCREENSAVETIMEOUT, v); }
int CSystemInfo::SetShowSounds(int v) { return SetValue(SPI_SETSHOWSOUNDS, v); }

int CSystemInfo::SetAccessTimeout(tagACCESSTIMEOUT r) { return SetRecord(SPI_SETACCESSTIMEOUT, r); }
int CSystemInfo::SetFilterKeys(tagFILTERKEYS r) { return SetRecord(SPI_SETFILTERKEYS, r); }
int CSystemInfo::SetIconTitleFont(tagLOGFONTA r) { return SetRecord(SPI_SETICONTITLELOGFONT, r); }
int CSystemInfo::SetMouseKeys(tagMOUSEKEYS r) { return SetRecord(SPI_SETMOUSEKEYS, r); }
int CSystemInfo::SetSoundSentry(tagSOUNDSENTRYA r) { return SetRecord(SPI_SETSOUNDSENTRY, r); }
int CSystemInfo::SetStickyKeys(tagSTICKYKEYS r) { return SetRecord(SPI_SETSTICKYKEYS, r); }
int CSystemInfo::SetToggleKeys(tagTOGGLEKEYS r) { return SetRecord(SPI_SETTOGGLEKEYS, r); }
int CSystemInfo::SetMouseSpeed(TRACK_INFO r) { return CallService(SPI_SETMOUSE, 0, &r, SPIF_SENDWININICHANGE); }

int CSystemInfo::SetDesktopPattern(char* const pattern)
{
    if (!pattern)
        return FALSE;
    const signed char* rows = reinterpret_cast<const signed char*>(pattern);
    char text[256];
    wsprintfA(text, "%i %i %i %i %i %i %i %i", rows[0], rows[1], rows[2], rows[3], rows[4], rows[5],
              rows[6], rows[7]);
    // The system reads the pattern back from the profile, so it is written
    // even when the service cannot be reached afterwards.
    WriteProfileStringA("Desktop", "Pattern", text);
    return SetValue(SPI_SETDESKPATTERN, 0);
}

int CSystemInfo::SetWallPaper(CString path)
{
    return CallService(SPI_SETDESKWALLPAPER, 0, const_cast<LPSTR>(static_cast<LPCSTR>(path)),
                       SPIF_SENDWININICHANGE);
}
