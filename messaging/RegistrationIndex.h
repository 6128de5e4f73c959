// The router's indexes over its registrations: which want a message (by
// list or by range), which list a command, and where the copy of a handle
// stands, so that a message costs what its own registrations cost.
#pragma once

#include "messaging/HandleTable.h"
#include "messaging/RangeTree.h"

#include <array>
#include <unordered_map>
#include <vector>

class CRegistrationIndex
{
public:
    // The registrations that want one message, in handle order, in a buffer
    // the index lends: once warm, a walk allocates nothing.
    class Matches
    {
    public:
        Matches(CRegistrationIndex& index, UINT message);
        ~Matches();
        Matches(const Matches&) = delete;
        Matches& operator=(const Matches&) = delete;

        // Collects again, past handle `after`, once the registrations changed.
        void Refill(unsigned __int64 after);
        size_t Size() const { return m_refs.size(); }
        const RegistrationRef& operator[](size_t i) const { return m_refs[i]; }

    private:
        CRegistrationIndex& m_index;
        const UINT m_message;
        std::vector<RegistrationRef> m_refs;
    };

    CRegistrationIndex();
    ~CRegistrationIndex();

    // Handles count up from 1 and are never given twice.
    unsigned __int64 TakeHandle() { return m_nextHandle++; }
    unsigned __int64 NextHandle() const { return m_nextHandle; }

    // reg is the pipe's copy, at pos, with the newest handle; its range and
    // lists are read here and again when it is removed, and must not change
    // in between.
    void Add(const CMessageRegistration& reg, POSITION pos);
    // reg must be in the index.
    void Remove(const CMessageRegistration& reg);
    POSITION Find(unsigned __int64 handle);
    size_t Count(UINT message) { return Remember(message).size(); }
    // The registration with the lowest handle that lists command id; NULL if none.
    POSITION FirstForCommand(UINT id) const;

private:
    // The registrations listing one number, in handle order. A removal only
    // clears its entry's place; the cleared are dropped once they are half.
    struct Postings
    {
        std::vector<RegistrationRef> refs;
        size_t first = 0;    // refs before it are all cleared
        size_t cleared = 0;
    };
    using PostingMap = std::unordered_map<UINT, Postings>;

    // What the last walk of a message found, good until anything changes.
    struct Remembered
    {
        UINT message = 0;
        unsigned __int64 generation = 0;
        std::vector<RegistrationRef> refs;
    };

    static void Post(PostingMap& map, const CUIntArray& ids, const RegistrationRef& ref);
    static void Unpost(PostingMap& map, const CUIntArray& ids, unsigned __int64 handle);
    // The registrations above `after` that want message, in handle order.
    void Collect(UINT message, unsigned __int64 after, std::vector<RegistrationRef>& out) const;
    // The registrations that want message; valid until the next change or Remember.
    const std::vector<RegistrationRef>& Remember(UINT message);
    void RebuildRanges();

    unsigned __int64 m_nextHandle;
    unsigned __int64 m_generation;
    CHandleTable m_byHandle;
    PostingMap m_messages;
    PostingMap m_commands;
    CRangeTree m_ranges;
    std::vector<std::vector<RegistrationRef>> m_spareBuffers;
    std::array<Remembered, 64> m_remembered;
};
