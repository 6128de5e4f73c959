// CFUtils: the shared utility library of the controller suite.
// The one header that programs using CFUtils.dll include; it brings
// CFRouter.h, the router's names and codes shared with other processes.
//
// What it holds, by section:
//   Reference counting    CReferenceCount
//   Message routing       CNotifyTarget, TAGRawRegistration, NOTIFY_STYLE,
//                         CMessageRegistration, CMessageNotification,
//                         CMessagePipe, CGlobalMessagePipe, CRemoteMessagePipe
//   Driver pipe           CDriverPipe
//   Registry              CRegData, CRegEntry, CRegIterator,
//                         CRegSubkeyIterator, CRegValueIterator
//   Settings              CRegistryAccess, CGlobalSettingRegAccess,
//                         CRegistryFlag
//   Registry functions    SetRegKey, GetRegKey, DeleteRegKey, SetRunOnce,
//                         RegisterFileType
//   Schemes               CRegScheme, CRegDevice, CRegModule, CRegUser,
//                         GetDevFamilyName
//   Paths and text        CScanner, CTokenizer, CPathName
//   String utilities      wformat, ScanField, ScanFieldKeepSlashes,
//                         CenterPunched, MinusExtension,
//                         RemoveFileExtension, MinusPath
//   Resources             CResourceMgr, CResInfo, GetBitmapAndPalette,
//                         TransparentBlt2
//   Applications, shell   GetModuleFileNameA, GetAppDirectory,
//                         StartApplication, StartApplicationAndWaitForIdle,
//                         StartInternetBrowser, FindDotExeInPathAndParms,
//                         GetExeAndParams, RemoveExeParms, SearchDirectory,
//                         VerifyFileExists, ResolveShortcut,
//                         FindAndExecuteShortCut
//   System parameters     CSystemInfo
//
// Results: BOOL-style int (0 on failure) for most operations; registry and
// scheme operations return the platform's status codes (ERROR_SUCCESS, or an
// ERROR_* value named where it is declared).
#pragma once

#include <afxwin.h>
#include <afxcoll.h>
#include <afxtempl.h>

#include "CFRouter.h"

/////////////////////////////////////////////////////////////////////////////
// Reference counting

// Intrusive, non-atomic reference count; 1 at construction. Objects that can
// be released to zero are created with new.
class AFX_EXT_CLASS CReferenceCount
{
public:
    CReferenceCount() : m_count(1) {}
    virtual ~CReferenceCount() {}

    // Takes a second reference to this object and returns it.
    virtual CReferenceCount* CopyInstancePointer();
    virtual void AddRef();
    // At a count of 1 deletes the object and returns 0; otherwise the new count.
    virtual unsigned long Release();
    virtual unsigned long CurrentCount();

private:
    unsigned long m_count;
};

/////////////////////////////////////////////////////////////////////////////
// Message routing
// (section: messaging)

class CMessagePipe;
class CMessageNotification;
class CMessageRegistration;
class CRemoteMonitor;
class CRegistrationIndex;

// Abstract receiver of routed messages and commands. A target lives on the
// router's thread and must unregister before it is destroyed.
class AFX_EXT_CLASS CNotifyTarget : public CObject, public CReferenceCount
{
    DECLARE_DYNAMIC(CNotifyTarget)
public:
    ~CNotifyTarget() override;

    // One routed message or command. Nonzero: handled, and the notification's
    // return result stands.
    virtual int Notify(CMessageNotification* pNotification) = 0;
    // Keeps its place in the table; not called by the library. FALSE.
    virtual int ReservedAfterNotify();
    // Attaches this target to a router pipe; nonzero on success.
    virtual int Register(CMessagePipe* pPipe) = 0;
    // Detaches it and releases what Register and initialisation set up.
    virtual int UnRegister() = 0;
    // Keeps its place in the table; not called by the library. FALSE.
    virtual int ReservedAfterUnRegister();
};

// How the cross-process monitor delivers a matched message to a registration's
// window. Any other value: not delivered.
enum NOTIFY_STYLE : UINT
{
    NOTIFY_STYLE_DEFAULT = 0,   // posted; what a new or reset registration has
    NOTIFY_STYLE_SEND = 1,      // sent, waiting for the receiving window
    NOTIFY_STYLE_POST = 2,      // posted
};

// The packed registration that crosses processes (lpData of a WM_COPYDATA
// with dwData 0x44). 48 + 4 × (messages + commands) bytes: the message list,
// then the command list, start at aIds and are followed by 8 bytes that carry
// nothing. Receivers ignore cbSize and the tail.
struct TAGRawRegistration
{
    UINT cbSize;
    UINT uMessageFrom;
    UINT uMessageTo;
    UINT uReserved;
    HWND hWnd;
    UINT uCallbackMessage;
    NOTIFY_STYLE nNotifyStyle;
    UINT cMessages;
    UINT cCommands;
    UINT aIds[2];
};
static_assert(offsetof(TAGRawRegistration, hWnd) == 16 && offsetof(TAGRawRegistration, cMessages) == 32 &&
                  offsetof(TAGRawRegistration, aIds) == 40 && sizeof(TAGRawRegistration) == 48,
              "the packed registration's layout is shared with other processes");

// Which messages and commands one target wants from a pipe, and for a
// component in another process, where and how forwarded messages go.
class AFX_EXT_CLASS CMessageRegistration : public CReferenceCount
{
public:
    CMessageRegistration();
    // Range, window, callback message, style and both lists from pRaw (whose
    // size field is not read); target, pipe and handle stay empty.
    explicit CMessageRegistration(TAGRawRegistration* pRaw);
    ~CMessageRegistration() override;

    // Copies everything but the reference count and the packed record.
    CMessageRegistration& operator=(CMessageRegistration& src);
    // Packs this registration; the record belongs to this object and stays
    // valid until the next conversion, Reset, assignment or destruction.
    operator void*();
    // Back to the unregistered state; the reference count is untouched.
    void Reset();

    void AssignHandle(unsigned __int64 handle) { m_handle = handle; }
    unsigned __int64 GetHandle() const { return m_handle; }
    void SetMessageFrom(UINT message) { m_messageFrom = message; }
    void SetMessageTo(UINT message) { m_messageTo = message; }
    void SetNotifyTarget(CNotifyTarget* pTarget) { m_pNotifyTarget = pTarget; }
    CNotifyTarget* MessageTarget() const { return m_pNotifyTarget; }
    void SetMessagePipe(CMessagePipe* pPipe) { m_pMessagePipe = pPipe; }
    CMessagePipe* GetMessagePipe() const { return m_pMessagePipe; }
    void SetWindowHandle(HWND hWnd) { m_hWnd = hWnd; }
    HWND GetWindowHandle() const { return m_hWnd; }
    void SetCallbackMessage(UINT message) { m_callbackMessage = message; }
    UINT GetCallbackMessage() const { return m_callbackMessage; }
    void SetNotifyStyle(NOTIFY_STYLE style) { m_notifyStyle = style; }
    NOTIFY_STYLE GetNotifyStyle() const { return m_notifyStyle; }

    // Append (duplicates kept); the index at which the entry was placed.
    int AddMessageToList(UINT message);
    int AddCommandToList(UINT id);
    int GetMessageListCount() const;
    int GetCommandCount() const;

    // 1 when the range (in force only when to > from) or the list holds it.
    int MessageForThisTarget(UINT message) const;
    // 1 when the command list holds id; the range plays no part.
    int CommandForThisTarget(UINT id) const;

private:
    // The router indexes its copies by their range and lists.
    friend class CRegistrationIndex;

    void FreePackedRecord();

    CNotifyTarget* m_pNotifyTarget;
    CMessagePipe* m_pMessagePipe;
    unsigned __int64 m_handle;
    UINT m_messageFrom;
    UINT m_messageTo;
    CUIntArray m_commandList;
    CUIntArray m_messageList;
    BYTE* m_pPackedRecord;
    HWND m_hWnd;
    UINT m_callbackMessage;
    NOTIFY_STYLE m_notifyStyle;
};
static_assert(sizeof(CMessageRegistration) == 136, "callers hold it by value: its size is part of the interface");

// Notify types of CMessageNotification.
enum
{
    NOTIFY_TYPE_MESSAGE = 1,    // a window message from the router's window procedure
    NOTIFY_TYPE_COMMAND = 2,    // a command from the router's command routing
};

// What a target's Notify receives: one message or command and a slot for the
// answer. A plain value; nothing in it is owned.
class AFX_EXT_CLASS CMessageNotification
{
public:
    CMessageNotification();
    ~CMessageNotification();

    // Sets the disposition to 10; leaves the return result and notify type.
    void InitializeMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                           CMessageRegistration* pRegistration);

    void SetNotifyType(UINT type) { m_notifyType = type; }
    UINT GetNotifyType() const { return m_notifyType; }
    void SetMessageDisposition(UINT disposition) { m_disposition = disposition; }
    UINT GetMessageDisposition() const { return m_disposition; }
    void SetReturnResult(LRESULT result) { m_returnResult = result; }
    LRESULT GetReturnResult() const { return m_returnResult; }
    HWND GetWindowHandle() const { return m_hWnd; }
    // The message number, or the command identifier for a command.
    UINT GetMessageA() const { return m_message; }
    WPARAM GetWparam() const { return m_wParam; }
    LPARAM GetLparam() const { return m_lParam; }
    // The pipe's copy that matched; null for commands.
    CMessageRegistration* GetMessageRegistration() const { return m_pRegistration; }

private:
    LRESULT m_returnResult;
    UINT m_notifyType;
    HWND m_hWnd;
    UINT m_message;
    WPARAM m_wParam;
    LPARAM m_lParam;
    UINT m_disposition;
    CMessageRegistration* m_pRegistration;
};
static_assert(sizeof(CMessageNotification) == 64, "callers hold it by value: its size is part of the interface");

// The router: a hidden top-level window of the class "Corvanta Flydeck
// Internal Message Router" that hands every message it receives to each
// registration that wants it, in handle order. Used on its own thread only.
class AFX_EXT_CLASS CMessagePipe : public CWnd
{
public:
    // Registers the window class (an existing class is kept).
    CMessagePipe();
    // Unregisters the hot key, drops pending posts and registrations without
    // telling their targets, releases the monitor, then destroys the window.
    ~CMessagePipe() override;

    // Creates the hidden router window and its cross-process monitor, which
    // takes the next handle. 0 when the window cannot be created.
    int Initialize();

    // Writes this pipe and a new handle into reg, keeps a copy made after
    // that and returns the handle. The target is neither checked nor counted.
    unsigned __int64 RegisterForNotifications(CMessageRegistration& reg);
    // Drops the copy with that handle; 0 when none has it (or handle is 0).
    int UnRegisterNotification(unsigned __int64 handle);
    // The number of registrations that want message.
    UINT CountHandlers(UINT message);
    // Hands the caller's notification, as it stands, to the target of handle
    // and returns the notification's result; 0 for an unknown handle.
    __int64 SendMessageToHandler(unsigned __int64 handle, CMessageNotification& notification);
    // Delivers notification to the target of handle later, from the message
    // loop, in posting order. The notification is borrowed: keep it alive and
    // unchanged until then. 0 when the post cannot be recorded.
    int PostMessageToHandler(unsigned __int64 handle, CMessageNotification& notification);

    // System hooks and the hot key. The hook library stays loaded until
    // LoadHookLibrary(0); the destructor removes no hook and frees nothing:
    // the owner turns the hooks off and frees the library first.

    // Loads (nonzero) or frees (0) CFEHook.dll; 0 when it cannot be loaded or freed.
    int LoadHookLibrary(int enable);
    // Has the library hook the keyboard for this window, or unhooks it. On: 0
    // only when the library gives no hook (1 also without a library). Off: 0
    // without a hook or when unhooking fails (the library is then kept for good).
    int EnableKeyboardHook(int enable);
    // Installs or removes the library's CBT hook for this window; always 1.
    int EnableCBTHook(int enable);
    // As EnableKeyboardHook, for the shell; off always answers 1.
    int EnableShellHook(int enable);
    // Replaces the hot key: drops the one in force and, when enable is nonzero,
    // registers virtualKey with modifiers given as HOTKEYF_* bits. The
    // identifier (WM_HOTKEY's wParam); 0 when off, before Initialize or refused.
    UINT SetHotKey(int enable, WORD virtualKey, WORD modifiers);

    // Hands a plain command to the first registration that lists it; TRUE then.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    DECLARE_MESSAGE_MAP()

private:
    CMessagePipe(const CMessagePipe&) = delete;
    CMessagePipe& operator=(const CMessagePipe&) = delete;

    friend class CRemoteMonitor;
    // The first handle after `after` whose registration names a window that
    // no longer exists; 0 when there is none.
    unsigned __int64 NextRegistrationWithoutWindow(unsigned __int64 after);
    POSITION FindRegistration(unsigned __int64 handle);
    LRESULT DeliverPost(unsigned __int64 handle);
    BOOL RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void ReleaseHotKey();
    int InstallLibraryHook(HHOOK& hook, const char* exportName, UINT message);

    BOOL m_bHotKeyRegistered;
    UINT m_hotKeyId;
    UINT m_internalMessage;
    HMODULE m_hHookLibrary;
    HHOOK m_hShellHook;
    HHOOK m_hKeyboardHook;
    HHOOK m_hCBTHook;
    // Also holds the next handle, so the object keeps its size.
    CRegistrationIndex* m_pIndex;
    CRemoteMonitor* m_pRemoteMonitor;
    CPtrArray m_pendingPosts;
    CList<CMessageRegistration, CMessageRegistration&> m_registrations;
};
static_assert(sizeof(CMessagePipe) == 144, "callers hold it by value: its size is part of the interface");

// An in-process component's way to the router found by class name. Serves
// components on the router's own thread.
class AFX_EXT_CLASS CGlobalMessagePipe
{
public:
    CGlobalMessagePipe();
    ~CGlobalMessagePipe();

    // As CMessagePipe::RegisterForNotifications on the router found at
    // construction; 0 (nothing written) without a router window or when the
    // window is not a pipe of this thread. Unregister through GetMessagePipe().
    unsigned __int64 RegisterForNotifications(CMessageRegistration& reg);

private:
    HWND m_hRouter;
};

// A component's way to the router from another process or thread, over
// WM_COPYDATA and the "Corvanta Flydeck Ipc Message".
class AFX_EXT_CLASS CRemoteMessagePipe
{
public:
    // Sends reg, with hWnd as its receiving window, to the router; the
    // handle, or 0 (no router, or refused). The handle is not written into reg.
    unsigned __int64 RegisterForNotifications(HWND hWnd, CMessageRegistration& reg);
    // Asks the router to drop handle; 0 only when there is no router.
    int UnRegisterNotification(unsigned __int64 handle);
};

/////////////////////////////////////////////////////////////////////////////
// Driver pipe
// (section: driver pipe)

// Carries data records from a driver-side process to the router's process
// over an anonymous pipe whose write end the router hands out. The server
// (router's process, its thread) creates the pipe, registers for the
// data-ready (0x047C) and write-end (0x047D) messages and reads one record
// per data-ready message; the client (another process) duplicates the write
// end, writes records and posts data-ready after each. Each side is set up at
// most once per object. Unregister a registered object before destroying it.
class AFX_EXT_CLASS CDriverPipe : public CNotifyTarget
{
    DECLARE_DYNAMIC(CDriverPipe)
public:
    CDriverPipe();
    // Closes the handles; does not unregister.
    ~CDriverPipe() override;

// Operations
    // Creates the pipe (2048-byte buffer, inheritable ends). 1 also for every
    // later call of either setup; 0 when the pipe cannot be created.
    int InitialServerSide();
    // Finds the router window, asks it for the write end and duplicates that
    // into this process. 1 also for every later call of either setup; 0 when
    // there is no router, it answers 0, or the handle cannot be duplicated.
    int InitialClientSide();
    // Writes one record (length, code, length bytes of pData) in one write,
    // then posts data-ready to the router. 0, nothing written: no client
    // handle (ERROR_INVALID_HANDLE), length past kDriverPayloadMax or a null
    // pData with a length (ERROR_INVALID_PARAMETER); 0 when the write fails.
    // Blocks while the pipe is full.
    int WriteDataToClientPipe(UINT length, UINT code, void* pData);

// Overrides
    // 0x047C: reads what is waiting of the current record; 0x047D: answers the
    // write end's value (valid in this process). 1 for every message.
    int Notify(CMessageNotification* pNotification) override;
    // Adds 0x047C and 0x047D to the registration (again on each call) and
    // registers this object with pPipe. 1; 0 for a null pPipe.
    int Register(CMessagePipe* pPipe) override;
    // Closes every handle and drops the registration from its pipe. 1.
    int UnRegister() override;

// Overridables
    // One whole record read on the server side, from the router's window
    // procedure. pData (length bytes) is valid during the call only. The
    // default does nothing.
    virtual void OnRecordRead(UINT length, UINT code, const void* pData);

private:
    CDriverPipe(const CDriverPipe&) = delete;
    CDriverPipe& operator=(const CDriverPipe&) = delete;

    void CloseHandles();
    void ReadWaitingData();
    // Reads toward `upTo` record bytes, no more than `available`; FALSE on a failed read.
    BOOL ReadRecordBytes(DWORD upTo, DWORD& available);
    void DropWaitingData(DWORD available);

    HANDLE m_hReadEnd;
    HANDLE m_hWriteEnd;
    HANDLE m_hClientWrite;
    HWND m_hRouter;
    CMessageRegistration m_registration;
    BOOL m_bInitialized;
    // The record being read, kept across data-ready messages until whole.
    DWORD m_cbRecord;
    BYTE m_record[cfu::router::kDriverPipeBuffer];
};
static_assert(sizeof(CDriverPipe) == 2248, "callers hold it by value: its size is part of the interface");

/////////////////////////////////////////////////////////////////////////////
// Registry values, keys and iterators
// (section: registry)

// A registry value: its data bytes (the string part, whose length may count
// zero bytes) and its registry type. Numbers and on/off flags are kept as text.
class AFX_EXT_CLASS CRegData : public CString
{
public:
    // Empty text, REG_SZ.
    CRegData();
    // A copy of the bytes and type; the number cell starts at 0.
    CRegData(const CRegData& other);
    // A copy of the string's bytes, REG_SZ.
    CRegData(CString& text);
    // The text without its terminator, REG_SZ.
    CRegData(const char* text);
    // Exactly size bytes from data, zero bytes included, with the given type.
    CRegData(unsigned char* const data, unsigned long size, unsigned long type);
    // Signed decimal text of value; the length counts one terminating zero.
    CRegData(unsigned int value);
    // onOff zero: as the decimal form. Otherwise "On" (value nonzero) or "Off".
    CRegData(int value, int onOff);
    virtual ~CRegData();

    unsigned long GetType() const;
    // The start of the data bytes.
    operator unsigned char*() const;
    operator void*() const;
    // The text as a signed number, "On"/"Off" as 1/0 (any case). The pointer
    // is to this object's number cell, overwritten by the next view.
    operator int*();
    // The text as a number without on/off recognition.
    operator unsigned int*();
    // Copies all data bytes and the type; the number cell is kept.
    const CRegData& operator=(const CRegData& other);

    // Replaces the data with string resource id in the current language as
    // REG_SZ; nonzero when that text is not empty.
    int LoadStringA(unsigned int id);

    DWORD m_dwType;
    int m_nValue;
};

// An open registry key with a snapshot of its counts. Made only by the static
// factories, which return NULL when the key cannot be opened or created; the
// caller owns the entry (delete, or one Release). Every operation returns a
// Windows status (0 for success) and leaves it in m_lStatus.
class AFX_EXT_CLASS CRegEntry : public CReferenceCount
{
public:
    // Opens for reading.
    static CRegEntry* OpenExisting(HKEY parent, const CString& name);
    static CRegEntry* OpenExisting(CRegEntry* parent, CString& name);
    // A second, independent entry on the same key.
    static CRegEntry* OpenExisting(CRegEntry* entry);
    // Opens for writing, creating the key when it is missing.
    static CRegEntry* CreateNew(HKEY parent, CString& name);
    static CRegEntry* CreateNew(CRegEntry* parent, CString& name);

    ~CRegEntry() override;

    // Refreshes the five counts (RegQueryInfoKeyA); ERROR_MORE_DATA when the
    // key's class name has two or more characters.
    long ResetCounts();
    // Reads a value into a buffer sized by the counts: ERROR_MORE_DATA when the
    // value has grown through another handle since the last ResetCounts.
    long LocateValueData(const CString& name, CRegData& data);
    // The data as text up to its first zero byte; unchanged on failure.
    long LocateValueData(const CString& name, CString& text);
    // Writes size bytes of data through a second handle and refreshes the
    // counts; ERROR_NOT_ENOUGH_MEMORY when the second handle cannot be opened.
    long SetValueData(const CString& name, const unsigned char* data, unsigned long type,
                      unsigned long size);
    // REG_SZ, the terminating zero included.
    long SetValueData(const CString& name, const CString& text);
    // The data with its type, plus the zero byte that follows it.
    long SetValueData(const CString& name, const CRegData& data);
    long DeleteValue(const CString& name);
    // Removes one subkey (RegDeleteKeyA); its own subkeys are not walked.
    long DeleteSubkey(const CString& name);
    // Copies this key's values and subkey tree into destination's key; every
    // copied value gains one zero byte. Subkeys that cannot be made are skipped.
    long CopyStructure(CRegEntry* const destination);

    HKEY m_hKey;
    long m_lStatus;
    // The key's only value, when it was opened (not created) with exactly one.
    CString m_strValueName;
    CRegData m_valueData;
    DWORD m_dwSubkeys;
    DWORD m_dwMaxSubkeyLen;      // characters, plus one
    DWORD m_dwValues;
    DWORD m_dwMaxValueNameLen;   // characters, plus one
    DWORD m_dwMaxValueLen;       // bytes, plus one

protected:
    // Creates the key when access holds all of KEY_WRITE, else opens it; an
    // empty name gives a second handle to parent. Check m_lStatus afterwards.
    CRegEntry(HKEY parent, const CString& name, REGSAM access);

private:
    CRegEntry(const CRegEntry&) = delete;
    CRegEntry& operator=(const CRegEntry&) = delete;

    // A constructed entry, or NULL when it cannot be allocated or opened.
    static CRegEntry* Make(HKEY parent, const CString& name, REGSAM access);
    long CopyKeyTree(CRegEntry* source, CRegEntry* target);
    long CopyKeyValues(CRegEntry* source, CRegEntry* target);
};

// A position over an entry's subkeys or values, taken from the entry's counts
// when the iterator is made. Walk: construct, ++, and while IsValid() read the
// current item and ++. The entry must outlive the iterator.
class AFX_EXT_CLASS CRegIterator
{
public:
    virtual ~CRegIterator();

    CRegIterator& operator++();
    BOOL IsValid() const;

    CRegEntry* m_pEntry;
    int m_nIndex;   // -1 before the first advance
    int m_nCount;

protected:
    CRegIterator(CRegEntry* entry, DWORD count);
};

class AFX_EXT_CLASS CRegSubkeyIterator : public CRegIterator
{
public:
    explicit CRegSubkeyIterator(CRegEntry* entry);

    // The name of the current subkey (RegEnumKeyExA's status).
    long CurrentSubkey(CString& name);
};

class AFX_EXT_CLASS CRegValueIterator : public CRegIterator
{
public:
    explicit CRegValueIterator(CRegEntry* entry);

    // Copies the data and one zero byte after it: data must hold *size + 1
    // bytes (the entry's m_dwMaxValueLen always suffices: ERROR_MORE_DATA,
    // nothing written, for a value grown past it since the counts were taken).
    long CurrentValue(CString& name, unsigned char* data, unsigned long* size,
                      unsigned long* type);
    long CurrentValue(CString& name, CRegData& data);
    // REG_SZ values only: ERROR_BAD_FORMAT for any other type, both strings
    // unchanged.
    long CurrentValue(CString& name, CString& text);
};

/////////////////////////////////////////////////////////////////////////////
// Settings accessors and flags
// (section: settings)

// A settings key below the suite's machine-wide key, HKEY_LOCAL_MACHINE
// "Software\Corvanta\Corvanta FlyDeck Software\CurrentVersion", open for the
// accessor's life. Nothing is reported: without a key every read gives its
// default and every write does nothing.
class AFX_EXT_CLASS CRegistryAccess
{
public:
    // Creates or opens subkey below the suite key (NULL: the suite key
    // itself); no key when the suite key is missing or cannot be opened.
    CRegistryAccess(const char* subkey = NULL);
    ~CRegistryAccess();

    // The value's bytes as a number when it holds at most 4 of them, whatever
    // its type; defaultValue when it is missing, longer, or there is no key.
    unsigned long LoadValue(const char* name, unsigned long defaultValue);
    // REG_DWORD.
    void StoreValue(const char* name, unsigned long value);
    // The text into buffer (size bytes, always terminated); when it cannot be
    // read, defaultText cut to fit (NULL: empty). Without a key or a buffer
    // the buffer is left alone.
    void LoadValue(const char* name, char* buffer, unsigned long size, const char* defaultText);
    // REG_SZ with its terminating zero; NULL stores the empty text.
    void StoreValue(const char* name, const char* text);

    // The open key, or NULL; closed by the destructor.
    HKEY m_hKey;

protected:
    // Creates or opens name below parent, when there is a parent.
    CRegistryAccess(HKEY parent, const char* name);

private:
    CRegistryAccess(const CRegistryAccess&) = delete;
    CRegistryAccess& operator=(const CRegistryAccess&) = delete;
};

// A settings key anywhere under HKEY_LOCAL_MACHINE, read and written as
// CRegistryAccess does.
class AFX_EXT_CLASS CGlobalSettingRegAccess : public CRegistryAccess
{
public:
    // Creates or opens path, a full path below HKEY_LOCAL_MACHINE (NULL: the
    // root itself, as the platform gives it); no key when that fails.
    CGlobalSettingRegAccess(const char* path = NULL);
};

// On/off switches of the control centre: text values of HKEY_LOCAL_MACHINE
// "SOFTWARE\Corvanta\Corvanta FlyDeck Software\CurrentVersion\Control Center"
// (created when missing). 1 when the value is "On" in any letter case; 0 for
// any other text, a missing value or a key that cannot be opened.
class AFX_EXT_CLASS CRegistryFlag
{
public:
    static int GetSimpleKeyboardFlag();   // "SimpleKeyboard"
    static int GetDosAutoDetect();        // "DosAutoDetect"
    static int GetWin95AutoDetect();      // "Win95AutoDetect"
    static int GetProgramAxis();          // "ProgramAxis"
    static int GetTrayIcon();             // "TrayIcon"
};

/////////////////////////////////////////////////////////////////////////////
// Registry functions
// (section: registry functions)

// Sets the default value of HKEY_CLASSES_ROOT key (created when missing) to
// the text value, REG_SZ (RegSetValueA). 1 on success, 0 on any failure.
AFX_EXT_API int SetRegKey(const char* key, const char* value);
// The default value of HKEY_CLASSES_ROOT key as text (RegQueryValueA). 1 on
// success; 0, with value empty, when the key is missing or its value takes
// 520 bytes or more.
AFX_EXT_API int GetRegKey(CString key, CString& value);
// Deletes HKEY_CLASSES_ROOT key, which must have no subkeys (RegDeleteKeyA).
// 1 on success; 0 otherwise, and for a NULL or empty name (never the root).
AFX_EXT_API int DeleteRegKey(const char* key);
// Schedules command for the current user's next log-on: value name of
// HKEY_CURRENT_USER "Software\Microsoft\Windows\CurrentVersion\RunOnce"
// (created when missing), REG_SZ. 1 on success, else 0.
AFX_EXT_API int SetRunOnce(CString name, CString command);
// Registers the file type "psimage" + extension for the running application
// under HKEY_CLASSES_ROOT: its description (string descriptionId, empty when
// absent), its icon (iconIndex in iconModule's file) and its open command
// (the application's file, then " \"%1\""). extension is pointed at the
// type only while it has no association or "FTColor". Failures are ignored.
AFX_EXT_API void RegisterFileType(CString extension, unsigned int descriptionId, HINSTANCE iconModule,
                                  int iconIndex);

/////////////////////////////////////////////////////////////////////////////
// Device configuration schemes
// (section: schemes)

// One tree of named device configuration schemes: the user's under
// HKEY_CURRENT_USER, seeded from the machine-wide tree of the same path under
// HKEY_LOCAL_MACHINE. ".Default" is the fallback current scheme and is never
// deleted. Statuses are Windows codes, 0 for success.
class AFX_EXT_CLASS CRegScheme : public CReferenceCount
{
public:
    // product: the key under "SOFTWARE\Corvanta"; component: the key under
    // "CurrentVersion".
    CRegScheme(CString& product, CString& component);
    ~CRegScheme() override;

    // "SOFTWARE\Corvanta\<product>\CurrentVersion\<component>\Schemes", no root.
    CString CreateSchemePath();
    // Makes sure the user has scheme name, copying the machine-wide scheme of
    // that name when the user has none; an existing scheme is left as it is.
    // ERROR_NOT_ENOUGH_MEMORY when the key cannot be created.
    long NewSchemeKey(CString& name);
    // Records name as current (its key need not exist); ERROR_NOT_ENOUGH_MEMORY
    // without a user tree.
    long SetCurrentScheme(CString& name);
    // The current scheme's name; records and delivers ".Default" when none is
    // recorded. Seeds the user's tree first when it is missing
    // (ERROR_NOT_ENOUGH_MEMORY on failure).
    long GetCurrentScheme(CString& name);
    // List the user's scheme names, ".Default" included. GetFirstScheme fixes
    // the count: ERROR_NOT_ENOUGH_MEMORY without a tree or without schemes;
    // GetNextScheme gives ERROR_NOT_ENOUGH_MEMORY before any GetFirstScheme and
    // ERROR_NO_DATA after the last name.
    long GetFirstScheme(CString& name);
    long GetNextScheme(CString& name);
    // Deletes a scheme with all the keys it holds. ".Default" (exactly this
    // spelling) is refused with ERROR_NO_DATA, an empty name or one holding a
    // backslash with ERROR_INVALID_PARAMETER; ERROR_NOT_ENOUGH_MEMORY without a
    // user tree. Deleting the current scheme makes
    // ".Default" current.
    long DeleteSchemeKey(CString& name);
    // The current scheme's key path (no root); unchanged on failure.
    long GetSchemeKey(CString& path);

private:
    CRegScheme(const CRegScheme&) = delete;
    CRegScheme& operator=(const CRegScheme&) = delete;

    void EndEnumeration();

    CRegEntry* m_pSchemesKey;                  // owned, only while a listing runs
    CRegSubkeyIterator* m_pSchemeIterator;     // owned, only while a listing runs
    CString m_strProductKey;
    CString m_strComponentKey;
};

// The keys of one numbered device inside the current scheme. The path getters
// read the current scheme (its status is the result) and change path only on
// success; without a scheme they give ERROR_INVALID_PARAMETER.
class AFX_EXT_CLASS CRegDevice : public CReferenceCount
{
public:
    // Takes a counted reference to scheme when it is not NULL.
    CRegDevice(CString& name, unsigned int number, CRegScheme* scheme);
    ~CRegDevice() override;

    // <scheme key>\Devices\<name>\<number as %4.4u>
    long GetDeviceKey(CString& path);
    // The device key's "Assignments", "Annimations" and "Usability" subkeys.
    long GetAssignmentKey(CString& path);
    long GetAnimationKey(CString& path);
    long GetUsabilityKey(CString& path);
    // Creates the device key under HKEY_LOCAL_MACHINE as a copy of the
    // machine-wide template "Devices\.Default\0000" of the current scheme.
    // Without a template nothing is created and the result is 0.
    long NewDeviceKey();

    CRegScheme* m_pScheme;
    CString m_strDeviceName;
    unsigned int m_nDeviceNumber;
    CString m_strDeviceNumber;

private:
    CRegDevice(const CRegDevice&) = delete;
    CRegDevice& operator=(const CRegDevice&) = delete;

    // "\Devices\<name>\<number>" + area: the device's place in a scheme.
    CString DeviceTail(LPCSTR area) const;
};

// The module settings key ("Page Extension Settings") of the current scheme.
class AFX_EXT_CLASS CRegModule : public CReferenceCount
{
public:
    // Takes a counted reference to scheme when it is not NULL.
    explicit CRegModule(CRegScheme* scheme);
    ~CRegModule() override;

    // As CRegDevice::GetDeviceKey: unchanged on failure, ERROR_INVALID_PARAMETER
    // without a scheme.
    long GetModuleKey(CString& path);

    CRegScheme* m_pScheme;

private:
    CRegModule(const CRegModule&) = delete;
    CRegModule& operator=(const CRegModule&) = delete;
};

// The user's whole scheme tree.
class AFX_EXT_CLASS CRegUser : public CReferenceCount
{
public:
    // Takes a counted reference to scheme when it is not NULL.
    explicit CRegUser(CRegScheme* scheme);
    ~CRegUser() override;

    // Makes sure the user's tree exists, copying the machine-wide one when the
    // user has none. 0 when it exists or was created, ERROR_NOT_ENOUGH_MEMORY
    // when it cannot be created, ERROR_INVALID_PARAMETER without a scheme.
    long NewUserKey();

    CRegScheme* m_pScheme;

private:
    CRegUser(const CRegUser&) = delete;
    CRegUser& operator=(const CRegUser&) = delete;
};

// "JoyStick", "GamePad", "Wheel" or "Trackorb" for families 0 to 3; any other
// family leaves name unchanged.
AFX_EXT_API void GetDevFamilyName(CString& name, unsigned int family);

/////////////////////////////////////////////////////////////////////////////
// Paths and text
// (section: text)

// Walks a NUL-terminated text one character at a time; never steps over the
// end of the text nor over one of a set of stop characters. A set is a
// NUL-terminated text of its members; a null set is empty.
class AFX_EXT_CLASS CScanner
{
public:
    // Bound to an empty text, with an empty set of stop characters.
    CScanner();

    // Binds the scanner to text (null: an empty text); stopChars may be null.
    void restart(const char* text, const char* stopChars);
    // Binds the scanner to text (null: an empty text); keeps the stop characters.
    CScanner& operator=(const char* text);

    // Steps forward unless at the NUL or at a stop character; returns the
    // position before the step.
    const char* operator++(int);
    // Steps back unless at the start of the text; returns the position before.
    const char* operator--(int);

    // The scan position; never null.
    const char* current() const { return m_current; }

protected:
    // TRUE when set is not null and holds c; NUL is never a member.
    int charInStr(char c, const char* set) const;

    const char* m_start;
    const char* m_current;
    const char* m_stopChars;
};

// Cuts a caller's text into tokens in place: a token is a pointer into the
// text, ended by a NUL written over the character behind it. That character
// is put back before the next token is looked for, by restart, terminate and
// the destructor. The text must be writable (although passed as const) and
// outlive the tokenizer's use of it. Tokens are never null: at the end of the
// text, or at a stop character, the token is empty.
class AFX_EXT_CLASS CTokenizer : public CScanner
{
public:
    CTokenizer();
    // Binds to text (null: empty); the scan position starts after the leading
    // skip characters. Any of the sets may be null.
    CTokenizer(const char* text, const char* skipChars, const char* stopChars);
    ~CTokenizer();

    // Makes the previous text whole, then binds as the constructor does.
    void restart(const char* text, const char* skipChars, const char* stopChars);
    void changeSkipChars(const char* skipChars);

    // The next token up to one of delimiters (null: up to a stop character or
    // the end), with skip characters around it left out.
    const char* next(const char* delimiters);
    // The next token enclosed by delimiters (quotes, for instance), taken
    // whole; without an opening delimiter it runs up to the next delimiter.
    const char* nextBetween(const char* delimiters);
    // Puts back the character displaced by the current token.
    void terminate();

    // What ended the latest token: a delimiter, a stop character, or NUL at
    // the end of the text. Tells an empty field from the end of the text.
    char lastDelimiter() const { return m_lastDelimiter; }

protected:
    // Exchanges the character at m_tokenEnd with m_savedChar when they differ.
    void swapChar();

    char m_savedChar;
    char m_lastDelimiter;
    char* m_tokenEnd;
    const char* m_rest;
    const char* m_skipChars;

private:
    // A copy would put the displaced character back twice.
    CTokenizer(const CTokenizer&) = delete;
    CTokenizer& operator=(const CTokenizer&) = delete;
};

// One file-system path split into drive, directory, name and extension, as
// _splitpath splits (parts cut to 2, 255, 255 and 255 characters). Every
// setter recomposes the text as _makepath does, after dropping leading blanks
// and tabs from the texts and parts, cuts it to MAX_PATH - 1 characters and
// collapses every run of backslashes into one. A null text counts as empty.
class AFX_EXT_CLASS CPathName
{
public:
    CPathName(const char* path = NULL) : m_searchDirs(NULL) { PathName(path); }

// Parts (each splits the path after its leading blanks and tabs)
    // The whole path text.
    CString PathName() const { return m_path; }
    // Drive and directory, e.g. "C:\a\" for "C:\a\b.txt".
    CString Path() const;
    // Name and extension, e.g. "b.txt".
    CString FileName() const;
    CString Drive() const;
    CString Directory() const;
    CString Name() const;
    // The extension with its dot, e.g. ".txt".
    CString Extension() const;
    // Points into the path text at the name; valid until the path changes.
    const char* LPFileName() const;
    // Points into the path text at the extension's dot, or at the NUL.
    const char* LPExtension() const;
    // The drive letter as written, or NUL.
    char DriveChar() const;
    // What ToParent would make of the path; this object is unchanged.
    CString Parent() const;

// Setters (each returns this object)
    // All four parts from the text.
    CPathName& PathName(const char* path);
    // Drive and directory from the text (split: "C:\x\y" gives "C:\x\").
    CPathName& Path(const char* path);
    // Name and extension from the text; an empty text removes both.
    CPathName& FileName(const char* fileName);
    // Only the first character of the text counts.
    CPathName& Drive(const char* drive);
    CPathName& Drive(char letter);
    // The text is the directory, whole.
    CPathName& Directory(const char* directory);
    // The text is the name, whole (a dot in it stays in the name).
    CPathName& Name(const char* name);
    // The text is the extension; a leading dot is added when missing.
    CPathName& Extension(const char* extension);

// Operations
    // Name and extension join the directory: "C:\a\b.txt" gives "C:\a\b.txt\".
    CPathName& ForceDirectory();
    // A directory path loses its trailing backslash ("C:\a\b\" gives
    // "C:\a\b"); roots and file paths stay as they are.
    CPathName& ForceFile();
    // The directory of a file, or the parent of a directory.
    CPathName& ToParent();
    // Makes the path absolute against the current directory without touching
    // the disk. FALSE, with the path unchanged, when that fails.
    int FullPath();
    // Finds the name and extension by the system's search order for a bare
    // file name; stores the file's absolute path. FALSE, path unchanged, when
    // there is no such file or the first found does not open for reading.
    int Search();
    // Sets the search root (a text prefix, expected to end in a backslash)
    // and the list of directories under it used by FindFile. Returns TRUE.
    int SetSearchPath(CString root, const char** dirs);
    // Looks for the file as it is, in the search root, in the search root's
    // directories in list order, then as Search does; stores the absolute path
    // of the first that opens for reading. FALSE, path unchanged, when none does.
    int FindFile();

private:
    CString m_path;
    // Text prefix of the file name and of the listed directories.
    CString m_searchPath;
    // Caller-owned, ended by a null entry; neither copied nor freed.
    const char** m_searchDirs;
};

/////////////////////////////////////////////////////////////////////////////
// String utilities
// (section: string utilities)

// printf-style formatting of the arguments into a new string, cut to its
// first 400 characters; empty for a NULL format.
AFX_EXT_API CString AFX_CDECL wformat(const char* format, ...);
// The same with the format loaded from string-table entry id in the library's
// language (empty when there is no such string).
AFX_EXT_API CString AFX_CDECL wformat(UINT id, ...);
// Takes the first comma-separated field off line: quotation marks group (and
// are dropped), blanks before the field's first character are dropped, the
// field is cut to 511 characters; line keeps what follows the comma. A text
// that ends inside quotes still gives its field and empties line, after a
// warning box ("Unmatched quote in field: ...") through AfxMessageBox.
AFX_EXT_API CString ScanField(CString& line);
// As ScanField, but a text that ends inside quotes gives an empty field,
// shows nothing and leaves line unchanged.
AFX_EXT_API CString ScanFieldKeepSlashes(CString& line);
// text when it has at most width characters; otherwise its first and last
// (width - 3) / 2 characters around "..." ("..." alone for a width below 5).
AFX_EXT_API CString CenterPunched(CString text, int width);
// name without the extension of its last part ("" for NULL); a "." before the
// last backslash is not an extension, and slashes are not looked at.
AFX_EXT_API CString MinusExtension(const char* name);
// Cuts that extension off name in place; TRUE when there was one.
AFX_EXT_API int RemoveFileExtension(CString& name);
// What follows the last backslash (or, without one, the last slash) and then
// the first colon: "C:\a\b.txt" and "C:b.txt" both give "b.txt".
AFX_EXT_API CString MinusPath(CString name);

/////////////////////////////////////////////////////////////////////////////
// Resources
// (section: resources)

// Loads bitmaps, icons, cursors, strings and raw resources from up to four
// resource libraries, each looked for in the suite's install directory, then
// beside the module given to the constructor, then by the platform's search.
// A load names by mask which libraries may supply the resource; they are
// tried in the order 0x1 (fourth file), 0x2 (second), 0x4 (third), 0x8
// (first), and the first that has it answers. Higher mask bits are ignored.
// Reference-counted: create with new, end with Release.
class AFX_EXT_CLASS CResourceMgr : public CReferenceCount
{
public:
    // Reads the module's directory and, from HKEY_LOCAL_MACHINE
    // "SOFTWARE\Corvanta\Entertainment\CurrentVersion", "Install Directory"
    // and "HelpFileName" (empty when absent); loads nothing.
    explicit CResourceMgr(HINSTANCE module);
    // Frees the libraries.
    ~CResourceMgr() override;

    // Loads the four libraries (a null name loads nothing; libraries of an
    // earlier call are freed first) and finds the help file, defaultHelpFile
    // when the registry names none. 1 when the first and second libraries
    // both loaded, else 0; the third and fourth are optional.
    int Initialize(const char* file1, const char* file2, const char* file3, const char* file4,
                   const char* defaultHelpFile);

    // The first library in mask order that holds resource name of type (as
    // for FindResourceA); NULL if none. The manager keeps ownership.
    HINSTANCE FindResourceDLL(const char* name, const char* type, unsigned int mask);
    // Bitmap id as a device-dependent bitmap; NULL if none. The caller owns it.
    HBITMAP FindAndLoadBitmap(unsigned int id, unsigned int mask);
    // The image of group icon id that best fits the system's icon size; NULL
    // if none or malformed. The caller owns it (DestroyIcon).
    HICON FindAndLoadIcon(unsigned int id, unsigned int mask);
    // The system's own cursor for the IDC_ identifiers, whatever the mask;
    // otherwise the libraries' cursor id (found as RT_CURSOR, loaded as a
    // group); NULL if none.
    HICON FindAndLoadCursor(unsigned int id, unsigned int mask);
    // String id of the first library that holds its string-table block, in
    // the library's language; empty when that library lacks the string.
    CString FindAndLoadString(unsigned int id, unsigned int mask);
    // The loaded resource (an HGLOBAL), valid while the manager lives; NULL
    // if none.
    void* FindAndLoadResource(const char* name, const char* type, unsigned int mask);
    // Accelerator tables are not loaded: always NULL.
    HACCEL FindAndLoadAccelerators(unsigned int id, unsigned int mask);
    // A device-dependent bitmap made from DIB resource id, with *header and
    // *bits pointing into the resource (valid while the manager lives) and
    // *palette built from its colour table (NULL for more than 8 bits per
    // pixel). The bits are read 1064 bytes in, after a full 256-colour table;
    // a DIB too short for that is read after its own colour table. NULL, with
    // every out-parameter NULL, when there is no such DIB or it is malformed or
    // truncated. Any out-parameter may be null. The caller owns bitmap and palette.
    HBITMAP FindAndLoadDIB(unsigned int id, BITMAPINFOHEADER** header, char** bits,
                           HPALETTE* palette, unsigned int mask);

    int m_bInitialized;       // 1 once Initialize has been called
    CString m_strModuleDir;   // ends with a backslash
    CString m_strInstallDir;
    CString m_strHelpFile;
    CString m_strHelpDir;     // where the help file was found; empty if nowhere
    HINSTANCE m_hLib2;        // the libraries of the second, fourth, first and
    HINSTANCE m_hLib4;        // third file names, NULL when not loaded
    HINSTANCE m_hLib1;
    HINSTANCE m_hLib3;

private:
    CResourceMgr(const CResourceMgr&) = delete;
    CResourceMgr& operator=(const CResourceMgr&) = delete;

    HINSTANCE LoadResourceLibrary(const char* file) const;
    void FreeLibraries();
    bool HelpFileIn(const CString& directory) const;
    // A palette of the colour table's first entries (at most 1 << biBitCount);
    // NULL for more than 8 bits per pixel or when memory is short.
    static HPALETTE CreateDIBPalette(const BITMAPINFOHEADER* header, UINT tableEntries);
};

// One picture for a control or a window: a bitmap or an icon, loaded through
// a resource manager (not owned; it must outlive the holder) or handed in.
// Only a bitmap the holder loaded itself, and not detached, is ever deleted;
// icons never are, whoever supplied them.
class AFX_EXT_CLASS CResInfo
{
public:
    // Empty; manager may be NULL (every load then fails).
    explicit CResInfo(CResourceMgr* manager);
    // As DeleteResource.
    ~CResInfo();

    // 0 nothing, 1 bitmap, 2 icon.
    int ResourceType() { return m_nType; }
    // The icon held; NULL when the holder holds no icon. Not transferred.
    HICON IconHandle();
    // The bitmap held; NULL when the holder holds no bitmap. Not transferred.
    HBITMAP BitmapHandle();
    // Gives up ownership: the handle stays, but will not be deleted.
    void DetachResource();
    // Empties the holder without deleting anything.
    void ClearResMembers();
    // Deletes an owned bitmap, then empties the holder.
    void DeleteResource();
    // Releases the current picture and takes handle as a picture of type (1
    // bitmap, 2 icon) that the holder does not own. Always 1.
    int SetIconBmpRes(void* handle, int type);
    // Loads picture id from the manager's third, then first library: type 1 a
    // bitmap, 2 an icon, 0 a bitmap or else an icon; the holder owns it. A
    // holder already holding a picture of that type keeps it, whatever its id,
    // and answers 1. 0 when nothing loaded (the type tried stays, no handle).
    int LoadIconBmpRes(int id, int type);
    // Draws the picture at the origin of dc: an icon as it is, a bitmap
    // unscaled over window's client area. 0 when empty, for a bitmap without
    // a window, or when drawing fails.
    int DrawIconBmpRes(CWnd* window, HDC dc);

    int m_bDetached;                  // nonzero: the handle is not the holder's to delete
    int m_nType;                      // as ResourceType
    void* m_hResource;                // HBITMAP or HICON, NULL when empty
    CResourceMgr* m_pResourceMgr;     // borrowed

private:
    CResInfo(const CResInfo&) = delete;
    CResInfo& operator=(const CResInfo&) = delete;
};
static_assert(sizeof(CResInfo) == 24, "callers hold it by value: its size is part of the interface");

// Bitmap id of module as a device-dependent bitmap, with a palette of its
// colour table (as the platform reports it) or, for more than 256 colours, the
// halftone palette. Nonzero when both came out; 0 with both NULL when there is
// no such bitmap, and either may be set when the result is 0. The caller owns
// both (DeleteObject).
AFX_EXT_API int GetBitmapAndPalette(HINSTANCE module, unsigned int id, HBITMAP& bitmap, HPALETTE& palette);
// Copies the width x height rectangle at (srcX, srcY) of source to (x, y) of
// dest, leaving dest as it was where the source has the colour transparent.
// palette (may be NULL) is selected into dest and realized on palette devices
// only, and stays selected. Leaves dest's background colour white and its text
// colour black. Returns nothing: a failing platform call draws less or nothing.
AFX_EXT_API void TransparentBlt2(HDC dest, int x, int y, int width, int height, HBITMAP source, int srcX,
                                 int srcY, COLORREF transparent, HPALETTE palette);

/////////////////////////////////////////////////////////////////////////////
// Applications and shell
// (section: shell)

// Full file name of a loaded module (GetModuleFileNameA into MAX_PATH bytes,
// a longer name cut to them); "" when the platform call fails.
AFX_EXT_API CString GetModuleFileNameA(HINSTANCE module);
// Directory of the current application module, ending in its backslash; ""
// when the module's file name has no backslash or cannot be read.
AFX_EXT_API CString GetAppDirectory();

// Starts commandLine (the platform finds the program from its first token) in
// currentDirectory, or the caller's when NULL. Nonzero when the process was
// created, 0 otherwise with the platform's code in the last error. No handle
// to the new process is kept.
AFX_EXT_API int StartApplication(const char* commandLine, const char* currentDirectory);
// Starts the program file applicationPath (no search, no parameters) and
// waits up to timeout ms (INFINITE allowed) for it to become idle: 0 when
// idle, WAIT_TIMEOUT when the time ran out, WAIT_FAILED (0xFFFFFFFF) when it
// could not be started or waited for (a console program, for one).
AFX_EXT_API DWORD StartApplicationAndWaitForIdle(const char* applicationPath, DWORD timeout);
// Opens url with the open command of the class registered for ".htm", the
// URL in place of the command's first "%1" (or after a blank at its end).
// Nonzero when the browser process was created; 0 and nothing started when
// the association, the class or its command is missing or empty, or url is
// NULL. url is only read.
AFX_EXT_API int StartInternetBrowser(char* url);
// exePath: commandLine up to and including its first ".EXE" (any case, the
// line's own case kept), or all of it when it has none.
AFX_EXT_API void FindDotExeInPathAndParms(CString commandLine, CString& exePath);
// Splits commandLine at the shortest ".EXE"-ended prefix that names an
// existing file or directory (or the whole line): exePath the prefix, params
// the rest unchanged (a separating blank included). Quotation marks are text.
AFX_EXT_API void GetExeAndParams(CString commandLine, CString& exePath, CString& params);
// Cuts commandLine back to the program file GetExeAndParams finds.
AFX_EXT_API void RemoveExeParms(CString& commandLine);

// Depth-first search of directory for an entry named fileName (any case,
// multibyte-aware), in the order the platform lists entries; directories
// with any attribute besides FILE_ATTRIBUTE_DIRECTORY are not entered.
// 1 with foundPath = directory\fileName (the caller's spelling) on a match;
// 0 otherwise, foundPath untouched.
AFX_EXT_API int SearchDirectory(CString& fileName, CString& directory, CString& foundPath);
// 1 when path has a drive (a ":") and its program-file prefix (as
// GetExeAndParams finds it) is an existing file, not a directory; 0 otherwise.
AFX_EXT_API int VerifyFileExists(CString path);
// Reads the shell shortcut linkPath (COM must be initialised on the thread):
// its stored target, arguments, working directory and show command, as they
// stand. 1 on success; 0 with every output untouched when the file cannot be
// read as a shortcut. showCommand may be NULL.
AFX_EXT_API int ResolveShortcut(CString& linkPath, CString& targetPath, CString& arguments,
                                CString& workingDirectory, int* showCommand);
// Finds the shortcut file shortcutName (with its extension) anywhere in the
// user's Start Menu and starts its target and arguments in the program's own
// directory (COM must be initialised). StartApplication's result; 0 when the
// shortcut is not found or not readable.
AFX_EXT_API int FindAndExecuteShortCut(CString& shortcutName);

/////////////////////////////////////////////////////////////////////////////
// System parameters
// (section: system)

// The mouse record of SPI_GETMOUSE and SPI_SETMOUSE.
struct TRACK_INFO
{
    int nThreshold1;
    int nThreshold2;
    int nAcceleration;
};

// The system's user-interface settings, each read or changed by one call of
// SystemParametersInfoA, looked up in "USER32" on every call. Every operation
// answers the service's BOOL, FALSE when the service cannot be reached. Getters
// pass 0 as flags; setters pass SPIF_SENDWININICHANGE alone, so changes are
// announced but not kept past the session. Records, cbSize included, are
// passed on as the caller filled them. Keeps no state of its own.
class AFX_EXT_CLASS CSystemInfo : public CReferenceCount
{
public:
    CSystemInfo();
    ~CSystemInfo() override;

// Getters (into the caller's variable or record)
    int GetAccessTimeOut(tagACCESSTIMEOUT* pTimeout);   // SPI_GETACCESSTIMEOUT
    int GetBeeperState(int* pOn);                       // SPI_GETBEEP
    int GetBorderWidth(unsigned int* pWidth);           // SPI_GETBORDER
    int GetFastTSwitchEnabled(int* pEnabled);           // SPI_GETFASTTASKSWITCH
    int GetFilterKeys(tagFILTERKEYS* pFilterKeys);      // SPI_GETFILTERKEYS
    int GetGranularity(unsigned int* pGranularity);     // SPI_GETGRIDGRANULARITY
    int GetIconTitleFont(tagLOGFONTA* pFont);           // SPI_GETICONTITLELOGFONT
    int GetIconWrappingEnabled(int* pEnabled);          // SPI_GETICONTITLEWRAP
    int GetRepeatDelay(unsigned int* pDelay);           // SPI_GETKEYBOARDDELAY
    int GetRepeatSpeed(unsigned long* pSpeed);          // SPI_GETKEYBOARDSPEED
    int GetMenuAlignmentLeft(int* pLeft);               // SPI_GETMENUDROPALIGNMENT
    int GetMouseSpeed(TRACK_INFO* pTrack);              // SPI_GETMOUSE
    int GetMouseKeys(tagMOUSEKEYS* pMouseKeys);         // SPI_GETMOUSEKEYS
    int GetScrSaverActive(int* pActive);                // SPI_GETSCREENSAVEACTIVE
    int GetScrSaverTimeout(unsigned int* pSeconds);     // SPI_GETSCREENSAVETIMEOUT
    // Falls back to GetSystemMetrics(SM_SHOWSOUNDS) when the service refuses
    // or is missing, so TRUE unless pOn is NULL (then FALSE).
    int GetShowSounds(int* pOn);
    int GetSoundSentry(tagSOUNDSENTRYA* pSoundSentry);  // SPI_GETSOUNDSENTRY
    int GetStickyKeys(tagSTICKYKEYS* pStickyKeys);      // SPI_GETSTICKYKEYS
    int GetToggleKeys(tagTOGGLEKEYS* pToggleKeys);      // SPI_GETTOGGLEKEYS
    // SPI_LANGDRIVER; name is empty when the service writes nothing.
    int GetLangDriverName(CString& name);

// Setters by value
    int SetIconHorzSize(unsigned int spacing);          // SPI_ICONHORIZONTALSPACING
    int SetIconVertSize(unsigned int spacing);          // SPI_ICONVERTICALSPACING
    int SetWarningBeeperOn(int on);                     // SPI_SETBEEP
    int SetBorderWidth(unsigned int width);             // SPI_SETBORDER
    int SetDoubleClickTime(unsigned int milliseconds);  // SPI_SETDOUBLECLICKTIME
    int SetDoubleClickHeight(unsigned int height);      // SPI_SETDOUBLECLKHEIGHT
    int SetDoubleClickWidth(unsigned int width);        // SPI_SETDOUBLECLKWIDTH
    int SetFastTSwitchEnabled(int enabled);             // SPI_SETFASTTASKSWITCH
    int SetGranularity(unsigned int granularity);       // SPI_SETGRIDGRANULARITY
    int SetIconWrappingEnabled(int enabled);            // SPI_SETICONTITLEWRAP
    int SetRepeatDelay(unsigned int delay);             // SPI_SETKEYBOARDDELAY
    int SetRepeatSpeed(unsigned int speed);             // SPI_SETKEYBOARDSPEED
    int SetMenuAlignmentLeft(int left);                 // SPI_SETMENUDROPALIGNMENT
    int SetMouseBtnSwap(int swap);                      // SPI_SETMOUSEBUTTONSWAP
    int SetScrSaverActive(int active);                  // SPI_SETSCREENSAVEACTIVE
    int SetScrSaverTimeout(unsigned int seconds);       // SPI_SETSCREENSAVETIMEOUT
    int SetShowSounds(int on);                          // SPI_SETSHOWSOUNDS

// Setters by record
    int SetAccessTimeout(tagACCESSTIMEOUT timeout);     // SPI_SETACCESSTIMEOUT
    int SetFilterKeys(tagFILTERKEYS filterKeys);        // SPI_SETFILTERKEYS
    int SetIconTitleFont(tagLOGFONTA font);             // SPI_SETICONTITLELOGFONT
    int SetMouseKeys(tagMOUSEKEYS mouseKeys);           // SPI_SETMOUSEKEYS
    int SetSoundSentry(tagSOUNDSENTRYA soundSentry);    // SPI_SETSOUNDSENTRY
    int SetStickyKeys(tagSTICKYKEYS stickyKeys);        // SPI_SETSTICKYKEYS
    int SetToggleKeys(tagTOGGLEKEYS toggleKeys);        // SPI_SETTOGGLEKEYS
    int SetMouseSpeed(TRACK_INFO track);                // SPI_SETMOUSE

// Desktop
    // pattern: 8 bytes, one row each. Writes them to the profile ("Desktop",
    // "Pattern") as signed numbers, then has the system reload the pattern.
    // FALSE for a NULL pattern (nothing written).
    int SetDesktopPattern(char* const pattern);
    int SetWallPaper(CString path);                     // SPI_SETDESKWALLPAPER
};
