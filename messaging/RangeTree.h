// The message ranges of a router's registrations, for finding every range
// that holds one message without looking at those that do not.
#pragma once

#include "library/CFUtils.h"

#include <vector>

// A registration as the router's indexes hold it: its handle and the place
// of the pipe's copy in the pipe's list (NULL once it is removed).
struct RegistrationRef
{
    unsigned __int64 handle;
    POSITION pos;

    bool operator<(const RegistrationRef& other) const { return handle < other.handle; }
    bool operator==(const RegistrationRef& other) const { return handle == other.handle; }
};

// A treap ordered by lower bound (then handle), each node knowing the
// highest upper bound beneath it: a lookup descends only where a range can
// still reach the message, so its cost follows the ranges that hold it.
// The nodes live in one array linked by index; a removed range stays as a
// dead node until the dead outnumber the living, when the tree is rebuilt
// from the living alone in one pass.
class CRangeTree
{
public:
    static constexpr UINT kNone = ~0u;

    CRangeTree();

    // The node's number, which Erase takes; numbers change only in Rebuild.
    UINT Insert(UINT from, UINT to, const RegistrationRef& ref);
    // True when the tree wants Rebuild.
    bool Erase(UINT node);
    // Numbers the living nodes afresh; renumbered[old number] is the new one
    // (kNone for a dead node).
    void Rebuild(std::vector<UINT>& renumbered);
    // Appends, in no particular order, every range holding message whose
    // handle is above `after`.
    void Collect(UINT message, unsigned __int64 after, std::vector<RegistrationRef>& out) const;

private:
    struct Node
    {
        UINT from;
        UINT to;
        UINT maxTo;    // the highest upper bound in this subtree, dead nodes included
        unsigned priority;
        UINT left;
        UINT right;
        RegistrationRef ref;
    };

    void Split(UINT tree, UINT from, unsigned __int64 handle, UINT& before, UINT& rest);
    void Update(UINT node);
    void LivingInOrder(UINT tree, std::vector<UINT>& out) const;
    void Link();
    UINT FixBounds(UINT tree);
    void Collect(UINT tree, UINT message, unsigned __int64 after, std::vector<RegistrationRef>& out) const;

    std::vector<Node> m_nodes;
    UINT m_root;
    size_t m_dead;
};
