// RAII owners for the platform's handles and for reference-counted objects,
// used throughout the implementation, the tests, the demo and the benchmarks
// (never in the exported interface, which stays MFC-style raw handles).
#pragma once

#include <windows.h>
#include <memory>
#include <utility>

namespace cfu {

// Owns one handle described by Traits: type, invalid() and close(h).
template <class Traits>
class unique_any
{
public:
    using handle_type = typename Traits::type;

    unique_any() noexcept : m_h(Traits::invalid()) {}
    explicit unique_any(handle_type h) noexcept : m_h(h) {}
    unique_any(unique_any&& other) noexcept : m_h(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    ~unique_any() { reset(); }

    handle_type get() const noexcept { return m_h; }
    explicit operator bool() const noexcept { return m_h != Traits::invalid(); }

    handle_type release() noexcept { return std::exchange(m_h, Traits::invalid()); }
    void reset(handle_type h = Traits::invalid()) noexcept
    {
        handle_type old = std::exchange(m_h, h);
        if (old != Traits::invalid())
            Traits::close(old);
    }
    // For out-parameters: closes what is held and hands out the slot.
    handle_type* put() noexcept
    {
        reset();
        return &m_h;
    }

private:
    handle_type m_h;
};

template <class T, auto Close>
struct null_handle_traits
{
    using type = T;
    static type invalid() noexcept { return type(); }
    static void close(type h) noexcept { Close(h); }
};

// Handles whose failure value is INVALID_HANDLE_VALUE rather than null.
template <auto Close>
struct invalid_handle_traits
{
    using type = HANDLE;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type h) noexcept { Close(h); }
};

// A COM interface pointer, released once.
template <class Interface>
struct com_traits
{
    using type = Interface*;
    static type invalid() noexcept { return nullptr; }
    static void close(type p) noexcept { p->Release(); }
};

using unique_hkey     = unique_any<null_handle_traits<HKEY, &::RegCloseKey>>;
using unique_handle   = unique_any<null_handle_traits<HANDLE, &::CloseHandle>>;
using unique_hfile    = unique_any<invalid_handle_traits<&::CloseHandle>>;
using unique_hmodule  = unique_any<null_handle_traits<HMODULE, &::FreeLibrary>>;
using unique_hwnd     = unique_any<null_handle_traits<HWND, &::DestroyWindow>>;
using unique_hhook    = unique_any<null_handle_traits<HHOOK, &::UnhookWindowsHookEx>>;
using unique_hdc      = unique_any<null_handle_traits<HDC, &::DeleteDC>>;
using unique_hgdiobj  = unique_any<null_handle_traits<HGDIOBJ, &::DeleteObject>>;
using unique_hfind    = unique_any<invalid_handle_traits<&::FindClose>>;
template <class Interface>
using unique_com      = unique_any<com_traits<Interface>>;
using unique_hlocal   = unique_any<null_handle_traits<HLOCAL, &::LocalFree>>;
using unique_atom     = unique_any<null_handle_traits<ATOM, &::GlobalDeleteAtom>>;
using unique_hicon    = unique_any<null_handle_traits<HICON, &::DestroyIcon>>;

inline void ReleaseScreenDC(HDC dc) noexcept { ::ReleaseDC(NULL, dc); }
// The screen's device context from GetDC(NULL).
using unique_screen_dc = unique_any<null_handle_traits<HDC, &ReleaseScreenDC>>;

// An object selected into a device context for one scope; the object that it
// displaced goes back in at the end, so the object can then be deleted.
class scoped_select
{
public:
    scoped_select(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_old(::SelectObject(dc, object)) {}
    ~scoped_select() { if (m_old) ::SelectObject(m_dc, m_old); }
    scoped_select(const scoped_select&) = delete;
    scoped_select& operator=(const scoped_select&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// Owns one reference to a CReferenceCount object (new'd with a count of 1,
// as the registry factories hand them out) and releases it.
struct release_deleter
{
    template <class T>
    void operator()(T* p) const noexcept
    {
        p->Release();
    }
};
template <class T>
using unique_ref = std::unique_ptr<T, release_deleter>;

} // namespace cfu
