#include "messaging/HandleTable.h"

namespace {

const size_t kMinCapacity = 16;

} // namespace

CHandleTable::CHandleTable() : m_count(0), m_shift(64)
{
    Resize(kMinCapacity);
}

void CHandleTable::Insert(const Entry& entry)
{
    // At most half full, so a probe ends within a few slots.
    if (2 * (m_count + 1) > m_slots.size())
        Resize(2 * m_slots.size());
    Place(entry);
    ++m_count;
}

CHandleTable::Entry* CHandleTable::Find(unsigned __int64 handle)
{
    if (!handle)
        return NULL;
    const size_t mask = m_slots.size() - 1;
    for (size_t i = Home(handle);; i = (i + 1) & mask) {
        if (m_slots[i].handle == handle)
            return &m_slots[i];
        if (!m_slots[i].handle)
            return NULL;
    }
}

void CHandleTable::Erase(Entry* entry)
{
    // Entries further along the run move back into the hole when their home
    // is not between it and them, so no probe ever stops short of its entry.
    const size_t mask = m_slots.size() - 1;
    size_t hole = size_t(entry - m_slots.data());
    for (size_t i = (hole + 1) & mask; m_slots[i].handle; i = (i + 1) & mask) {
        const size_t home = Home(m_slots[i].handle);
        if (((i - home) & mask) >= ((i - hole) & mask)) {
            m_slots[hole] = m_slots[i];
            hole = i;
        }
    }
    m_slots[hole].handle = 0;
    --m_count;
    // Memory follows what is registered: an emptied table gives most back.
    if (m_slots.size() > kMinCapacity && 8 * m_count < m_slots.size())
        Resize(m_slots.size() / 2);
}

size_t CHandleTable::Home(unsigned __int64 handle) const
{
    // Fibonacci hashing: consecutive handles land far apart, whatever the size.
    return size_t((handle * 0x9E3779B97F4A7C15ull) >> m_shift);
}

void CHandleTable::Resize(size_t capacity)
{
    std::vector<Entry> old(capacity, Entry{0, NULL, 0});
    old.swap(m_slots);
    m_shift = 64;
    for (size_t c = capacity; c > 1; c /= 2)
        --m_shift;
    for (const Entry& entry : old)
        if (entry.handle)
            Place(entry);
}

void CHandleTable::Place(const Entry& entry)
{
    const size_t mask = m_slots.size() - 1;
    size_t i = Home(entry.handle);
    while (m_slots[i].handle)
        i = (i + 1) & mask;
    m_slots[i] = entry;
}
