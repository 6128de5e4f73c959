// Core of the MFC-compatible layer: objects with run-time class information,
// the 8-bit string, exceptions, file status and the module state.
#pragma once

// The layer and CFUtils.dll are ANSI builds: every string in their interface
// is 8-bit text (CString of char, the A functions). With UNICODE the
// platform's names would turn to their W forms and fail deep inside these
// headers; stop at the cause instead.
#if defined(UNICODE) || defined(_UNICODE)
#error "CFUtils and its MFC-compatible layer are ANSI (8-bit) builds: compile without UNICODE and _UNICODE (and without -municode)."
#endif

#include <windows.h>
#include <stdarg.h>
#include <time.h>

#ifdef _AFX_CORE_IMPL
#define AFX_CORE_CLASS __declspec(dllexport)
#define AFX_CORE_API   __declspec(dllexport)
#else
#define AFX_CORE_CLASS __declspec(dllimport)
#define AFX_CORE_API   __declspec(dllimport)
#endif

// An extension DLL builds with _AFXEXT and exports; its clients import.
#ifdef _AFXEXT
#define AFX_EXT_CLASS __declspec(dllexport)
#define AFX_EXT_API   __declspec(dllexport)
#define AFX_EXT_DATA  __declspec(dllexport)
#else
#define AFX_EXT_CLASS __declspec(dllimport)
#define AFX_EXT_API   __declspec(dllimport)
#define AFX_EXT_DATA  __declspec(dllimport)
#endif

#define AFXAPI
#define AFX_CDECL __cdecl

#ifndef _AFX_NO_POSITION
struct __POSITION {};
typedef __POSITION* POSITION;
#endif

class CObject;
class CArchive;
class CDumpContext;
class CString;

/////////////////////////////////////////////////////////////////////////////
// Run-time class information

// The base class is reached through a function, as in the framework's
// shared DLL build: a base in another DLL has no constant address, and a
// pointer to it would need start-up code in every module that derives from it.
struct AFX_CORE_CLASS CRuntimeClass
{
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;                          // 0xFFFF: not serialisable
    CObject* (*m_pfnCreateObject)();         // NULL: not creatable
    CRuntimeClass* (*m_pfnGetBaseClass)();   // NULL: no base

    CObject* CreateObject();
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name) \
protected: \
    static CRuntimeClass* PASCAL _GetBaseClass(); \
public: \
    static CRuntimeClass class##class_name; \
    virtual CRuntimeClass* GetRuntimeClass() const;

#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew) \
    CRuntimeClass* PASCAL class_name::_GetBaseClass() \
        { return RUNTIME_CLASS(base_class_name); } \
    CRuntimeClass class_name::class##class_name = { \
        #class_name, sizeof(class class_name), wSchema, pfnNew, \
        &class_name::_GetBaseClass }; \
    CRuntimeClass* class_name::GetRuntimeClass() const \
        { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, NULL)

class AFX_CORE_CLASS CObject
{
public:
    static CRuntimeClass classCObject;

    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;

    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const;
    virtual void Dump(CDumpContext& dc) const;

    BOOL IsKindOf(const CRuntimeClass* pClass) const;
    BOOL IsSerializable() const;

protected:
    CObject() = default;

private:
    CObject(const CObject&) = delete;
    void operator=(const CObject&) = delete;
};

/////////////////////////////////////////////////////////////////////////////
// Exceptions. As in the framework, they are thrown by pointer.

class AFX_CORE_CLASS CException : public CObject
{
    DECLARE_DYNAMIC(CException)
public:
    explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}
    void Delete();
    virtual BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL);

protected:
    BOOL m_bAutoDelete;
};

class AFX_CORE_CLASS CMemoryException : public CException
{
    DECLARE_DYNAMIC(CMemoryException)
public:
    CMemoryException() : CException(FALSE) {}
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) override;
};

// Throws the one static memory exception; never returns.
[[noreturn]] AFX_CORE_API void AFXAPI AfxThrowMemoryException();

/////////////////////////////////////////////////////////////////////////////
// CString: 8-bit, binary safe. The length may count zero bytes; one zero
// byte always follows the data, so the cast to const char* is a C string.

struct CStringData
{
    int nDataLength;
    int nAllocLength;
    char* data() { return reinterpret_cast<char*>(this + 1); }
};

class AFX_CORE_CLASS CString
{
public:
    CString();
    CString(const CString& stringSrc);
    CString(char ch, int nRepeat = 1);
    CString(LPCSTR lpsz);
    CString(LPCSTR lpch, int nLength);
    CString(LPCWSTR lpsz);             // converted with the ANSI code page
    ~CString();

    int GetLength() const { return GetData()->nDataLength; }
    BOOL IsEmpty() const { return GetLength() == 0; }
    void Empty();

    char GetAt(int nIndex) const;
    char operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, char ch);
    operator LPCSTR() const { return m_pchData; }

    const CString& operator=(const CString& stringSrc);
    const CString& operator=(char ch);
    const CString& operator=(LPCSTR lpsz);
    const CString& operator=(LPCWSTR lpsz);

    const CString& operator+=(const CString& string);
    const CString& operator+=(char ch);
    const CString& operator+=(LPCSTR lpsz);

    friend AFX_CORE_API CString AFXAPI operator+(const CString& string1, const CString& string2);
    friend AFX_CORE_API CString AFXAPI operator+(const CString& string, char ch);
    friend AFX_CORE_API CString AFXAPI operator+(char ch, const CString& string);
    friend AFX_CORE_API CString AFXAPI operator+(const CString& string, LPCSTR lpsz);
    friend AFX_CORE_API CString AFXAPI operator+(LPCSTR lpsz, const CString& string);

    // Compare the data up to the first zero byte, as lstrcmp does.
    int Compare(LPCSTR lpsz) const;
    int CompareNoCase(LPCSTR lpsz) const;

    CString Mid(int nFirst, int nCount) const;
    CString Mid(int nFirst) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    void MakeUpper();
    void MakeLower();
    void MakeReverse();

    void TrimRight();
    void TrimLeft();
    void TrimRight(char chTarget);
    void TrimLeft(char chTarget);

    int Find(char ch) const;
    int Find(char ch, int nStart) const;
    int Find(LPCSTR lpszSub) const;
    int Find(LPCSTR lpszSub, int nStart) const;
    int ReverseFind(char ch) const;
    int FindOneOf(LPCSTR lpszCharSet) const;

    void AFX_CDECL Format(LPCSTR lpszFormat, ...);
    void AFX_CDECL Format(UINT nFormatID, ...);
    void FormatV(LPCSTR lpszFormat, va_list argList);

    // Looks in the current resource handle, then along the extension DLLs.
    BOOL LoadString(UINT nID);

    LPSTR GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);
    LPSTR GetBufferSetLength(int nNewLength);
    void FreeExtra();

protected:
    LPSTR m_pchData;

    CStringData* GetData() const { return reinterpret_cast<CStringData*>(m_pchData) - 1; }
    void Init();
    void AllocBuffer(int nLen);
    void AssignCopy(int nSrcLen, LPCSTR lpszSrcData);
    void ConcatInPlace(int nSrcLen, LPCSTR lpszSrcData);
    void Release();
    static void Release(CStringData* pData);
};

AFX_CORE_API bool AFXAPI operator==(const CString& s1, const CString& s2);
AFX_CORE_API bool AFXAPI operator==(const CString& s1, LPCSTR s2);
AFX_CORE_API bool AFXAPI operator==(LPCSTR s1, const CString& s2);
AFX_CORE_API bool AFXAPI operator!=(const CString& s1, const CString& s2);
AFX_CORE_API bool AFXAPI operator!=(const CString& s1, LPCSTR s2);
AFX_CORE_API bool AFXAPI operator!=(LPCSTR s1, const CString& s2);
AFX_CORE_API bool AFXAPI operator<(const CString& s1, const CString& s2);
AFX_CORE_API bool AFXAPI operator<(const CString& s1, LPCSTR s2);
AFX_CORE_API bool AFXAPI operator<(LPCSTR s1, const CString& s2);

/////////////////////////////////////////////////////////////////////////////
// Time and file status

class AFX_CORE_CLASS CTime
{
public:
    CTime() : m_time(0) {}
    explicit CTime(time_t time) : m_time(time) {}
    explicit CTime(const FILETIME& fileTime);
    time_t GetTime() const { return m_time; }
    bool operator==(CTime other) const { return m_time == other.m_time; }
    bool operator!=(CTime other) const { return m_time != other.m_time; }

private:
    time_t m_time;
};

struct CFileStatus
{
    CTime m_ctime;
    CTime m_mtime;
    CTime m_atime;
    LONG m_size;
    BYTE m_attribute;
    BYTE m_padding;
    char m_szFullName[_MAX_PATH];
};

class AFX_CORE_CLASS CFile : public CObject
{
    DECLARE_DYNAMIC(CFile)
public:
    enum Attribute { normal = 0x00, readOnly = 0x01, hidden = 0x02, system = 0x04,
                     volume = 0x08, directory = 0x10, archive = 0x20 };

    // FALSE when the file or directory does not exist; rStatus is then untouched.
    static BOOL PASCAL GetStatus(LPCSTR lpszFileName, CFileStatus& rStatus);
};
