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
    index.Collect(message, 0, m_refs);
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

CRegistrationIndex::CRegistrationIndex() : m_nextHandle(1) {}

CRegistrationIndex::~CRegistrationIndex() = default;

void CRegistrationIndex::Add(const CMessageRegistration& reg, POSITION pos)
{
    const RegistrationRef ref = {reg.GetHandle(), pos};
    m_byHandle.emplace(ref.handle, pos);
    if (InForce(reg.m_messageFrom, reg.m_messageTo))
        m_ranges.Insert(reg.m_messageFrom, reg.m_messageTo, ref);
    Post(m_messages, reg.m_messageList, ref);
    Post(m_commands, reg.m_commandList, ref);
}

void CRegistrationIndex::Remove(const CMessageRegistration& reg)
{
    const unsigned __int64 handle = reg.GetHandle();
    m_byHandle.erase(handle);
    if (InForce(reg.m_messageFrom, reg.m_messageTo))
        m_ranges.Erase(reg.m_messageFrom, handle);
    Unpost(m_messages, reg.m_messageList, handle);
    Unpost(m_commands, reg.m_commandList, handle);
}

POSITION CRegistrationIndex::Find(unsigned __int64 handle) const
{
    auto found = m_byHandle.find(handle);
    return found == m_byHandle.end() ? NULL : found->second;
}

POSITION CRegistrationIndex::FirstForCommand(UINT id) const
{
    auto found = m_commands.find(id);
    return found == m_commands.end() ? NULL : found->second.begin()->pos;
}

void CRegistrationIndex::Post(PostingMap& map, const CUIntArray& ids, const RegistrationRef& ref)
{
    // A set per number: an id listed twice is posted once, and one removal
    // costs the same wherever the registration stands among many.
    for (INT_PTR i = 0; i < ids.GetSize(); ++i)
        map[ids[i]].insert(ref);
}

void CRegistrationIndex::Unpost(PostingMap& map, const CUIntArray& ids, unsigned __int64 handle)
{
    for (INT_PTR i = 0; i < ids.GetSize(); ++i) {
        auto found = map.find(ids[i]);
        if (found == map.end())
            continue;
        found->second.erase(RegistrationRef{handle, NULL});
        if (found->second.empty())
            map.erase(found);
    }
}

void CRegistrationIndex::Collect(UINT message, unsigned __int64 after, std::vector<RegistrationRef>& out) const
{
    out.clear();
    m_ranges.Collect(message, after, out);
    const bool byRange = !out.empty();
    auto listed = m_messages.find(message);
    if (listed != m_messages.end())
        out.insert(out.end(), listed->second.upper_bound(RegistrationRef{after, NULL}), listed->second.end());
    // The list postings come sorted; ranges come in bound order, and a
    // registration may want the message both ways.
    if (byRange) {
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
    }
}
