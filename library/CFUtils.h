// CFUtils: the shared utility library of the controller suite.
// The one header that programs using CFUtils.dll include.
#pragma once

#include <afxwin.h>
#include <afxcoll.h>
#include <afxtempl.h>

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

    // Refreshes the five counts (RegQueryInfoKeyA); 234 when the key's class
    // name has two or more characters.
    long ResetCounts();
    // Reads a value into a buffer sized by the counts: 234 when the value has
    // grown through another handle since the last ResetCounts.
    long LocateValueData(const CString& name, CRegData& data);
    // The data as text up to its first zero byte; unchanged on failure.
    long LocateValueData(const CString& name, CString& text);
    // Writes size bytes of data through a second handle and refreshes the
    // counts; 8 when the second handle cannot be opened.
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
    // bytes (the entry's m_dwMaxValueLen always suffices).
    long CurrentValue(CString& name, unsigned char* data, unsigned long* size,
                      unsigned long* type);
    long CurrentValue(CString& name, CRegData& data);
    // REG_SZ values only: 11 for any other type, both strings unchanged.
    long CurrentValue(CString& name, CString& text);
};

/////////////////////////////////////////////////////////////////////////////
// Device configuration schemes
// (section: schemes)

/////////////////////////////////////////////////////////////////////////////
// Paths and text
// (section: text)

/////////////////////////////////////////////////////////////////////////////
// Resources
// (section: resources)
