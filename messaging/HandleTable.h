// Where each registration of a router stands, by handle: one flat table
// probed in place, so a look-up or a removal touches a line or two of
// memory rather than a bucket and a node of its own.
#pragma once

#include "library/CFUtils.h"

#include <vector>

class CHandleTable
{
public:
    struct Entry
    {
        unsigned __int64 handle;    // 0: the slot is free (handles start at 1)
        POSITION pos;
        UINT rangeNode;             // the registration's node in the range tree
    };

    CHandleTable();

    // handle must not be in the table yet.
    void Insert(const Entry& entry);
    // NULL when handle is not in the table; valid until the next Insert or Erase.
    Entry* Find(unsigned __int64 handle);
    void Erase(Entry* entry);
    template <class F>
    void ForEach(F&& f)
    {
        for (Entry& entry : m_slots)
            if (entry.handle)
                f(entry);
    }

private:
    size_t Home(unsigned __int64 handle) const;
    void Resize(size_t capacity);
    void Place(const Entry& entry);

    std::vector<Entry> m_slots;
    size_t m_count;
    unsigned m_shift;
};
