#include "messaging/RegistrationIndex.h"

#include <algorithm>

namespace {

bool InForce(UINT from, UINT to)
{
    return to > from;
}

} // namespace

CRegistrationIndex::Matches::Matches(CRegistrationIndex& index, UINT message) : m_index(index), m_message(message)
{
    // Walks nest when a target sends the router a message: each takes its own buffer.
    if (!index.m_spareBuffers.empty()) {
        m_refs.swap(index.m_spareBuffers.back());
        index.m_spareBuffers.pop_back();
    }
    const std::vector<RegistrationRef>& remembered = index.Remember(message);
    m_refs.assign(remembered.begin(), remembered.end());
}

CRegistrationIndex::Matches::~Matches()
{
    m_refs.clear();
    m_index.m_spareBuffers.push_back(std::move(m_refs));
}

void CRegistrationIndex::Matches::Refill(unsigned __int64 after)
{
    m_index.Collect(m_message, after, m_refs);
}

CRegistrationIndex::CRegistrationIndex() : m_nextHandle(1), m_generation(1) {}

CRegistrationIndex::~CRegistrationIndex() = default;

void CRegistrationIndex::Add(const CMessageRegistration& reg, POSITION pos)
{
    const RegistrationRef ref = {reg.GetHandle(), pos};
    UINT node = CRangeTree::kNone;
    if (InForce(reg.m_messageFrom, reg.m_messageTo))
        node = m_ranges.Insert(reg.m_messageFrom, reg.m_messageTo, ref);
    m_byHandle.Insert({ref.handle, pos, node});
    Post(m_messages, reg.m_messageList, ref);
    Post(m_commands, reg.m_commandList, ref);
    ++m_generation;
}

void CRegistrationIndex::Remove(const CMessageRegistration& reg)
{
    const unsigned __int64 handle = reg.GetHandle();
    CHandleTable::Entry* entry = m_byHandle.Find(handle);
    const UINT node = entry->rangeNode;
    m_byHandle.Erase(entry);
    if (node != CRangeTree::kNone && m_ranges.Erase(node))
        RebuildRanges();
    Unpost(m_messages, reg.m_messageList, handle);
    Unpost(m_commands, reg.m_commandList, handle);
    ++m_generation;
}

POSITION CRegistrationIndex::Find(unsigned __int64 handle)
{
    const CHandleTable::Entry* entry = m_byHandle.Find(handle);
    return entry ? entry->pos : NULL;
}

POSITION CRegistrationIndex::FirstForCommand(UINT id) const
{
    auto found = m_commands.find(id);
    return found == m_commands.end() ? NULL : found->second.refs[found->second.first].pos;
}

void CRegistrationIndex::Post(PostingMap& map, const CUIntArray& ids, const RegistrationRef& ref)
{
    // The handle is the newest, so appending keeps the order; an id listed
    // twice is posted once.
    for (INT_PTR i = 0; i < ids.GetSize(); ++i) {
        std::vector<RegistrationRef>& refs = map[ids[i]].refs;
        if (refs.empty() || refs.back().handle != ref.handle)
            refs.push_back(ref);
    }
}

void CRegistrationIndex::Unpost(PostingMap& map, const CUIntArray& ids, unsigned __int64 handle)
{
    for (INT_PTR i = 0; i < ids.GetSize(); ++i) {
        auto found = map.find(ids[i]);
        if (found == map.end())
            continue;
        Postings& postings = found->second;
        std::vector<RegistrationRef>& refs = postings.refs;
        auto at = std::lower_bound(refs.begin() + postings.first, refs.end(), RegistrationRef{handle, NULL});
        if (at == refs.end() || at->handle != handle || !at->pos)
            continue;
        at->pos = NULL;
        ++postings.cleared;
        if (postings.cleared == refs.size()) {
            map.erase(found);
            continue;
        }
        while (!refs[postings.first].pos)
            ++postings.first;
        if (2 * postings.cleared > refs.size()) {
            refs.erase(std::remove_if(refs.begin(), refs.end(), [](const RegistrationRef& r) { return !r.pos; }),
                       refs.end());
            postings.first = postings.cleared = 0;
        }
    }
}

void CRegistrationIndex::Collect(UINT message, unsigned __int64 after, std::vector<RegistrationRef>& out) const
{
    out.clear();
    m_ranges.Collect(message, after, out);
    const bool byRange = !out.empty();
    auto listed = m_messages.find(message);
    if (listed != m_messages.end()) {
        const std::vector<RegistrationRef>& refs = listed->second.refs;
        auto from = std::upper_bound(refs.begin() + listed->second.first, refs.end(), RegistrationRef{after, NULL});
        std::copy_if(from, refs.end(), std::back_inserter(out), [](const RegistrationRef& r) { return r.pos; });
    }
    // The list postings come sorted; ranges come in bound order, and a
    // registration may want the message both ways.
    if (byRange) {
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
    }
}

const std::vector<RegistrationRef>& CRegistrationIndex::Remember(UINT message)
{
    // A router meets the same few messages again and again between changes
    // to its registrations: a walk from the start takes the last answer.
    Remembered& last = m_remembered[(message * 0x9E3779B9u) >> 26];
    if (last.generation != m_generation || last.message != message) {
        Collect(message, 0, last.refs);
        last.message = message;
        last.generation = m_generation;
    }
    return last.refs;
}

void CRegistrationIndex::RebuildRanges()
{
    std::vector<UINT> renumbered;
    m_ranges.Rebuild(renumbered);
    m_byHandle.ForEach([&renumbered](CHandleTable::Entry& entry) {
        if (entry.rangeNode != CRangeTree::kNone)
            entry.rangeNode = renumbered[entry.rangeNode];
    });
}
