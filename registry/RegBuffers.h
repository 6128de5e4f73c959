// Buffers of the registry layer, sized from a key's cached counts.
#pragma once

#include "library/CFUtils.h"

#include <memory>
#include <new>
#include <string.h>

namespace cfu {

// Null when memory is short: the registry layer reports that as
// ERROR_NOT_ENOUGH_MEMORY rather than throwing.
template <class T>
std::unique_ptr<T[]> TryAllocate(size_t count)
{
    return std::unique_ptr<T[]>(new (std::nothrow) T[count]);
}

// Registry data as text up to its first zero byte, whatever its type.
inline CString TextOf(const unsigned char* data, DWORD size)
{
    const char* text = reinterpret_cast<const char*>(data);
    return CString(text, int(strnlen(text, size)));
}

} // namespace cfu
