// The message ranges of a router's registrations, for finding every range
// that holds one message without looking at those that do not.
#pragma once

#include "library/CFUtils.h"

#include <memory>
#include <vector>

// A registration as the router's indexes hold it: its handle and the place
// of the pipe's copy in the pipe's list.
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
class CRangeTree
{
public:
    CRangeTree();
    ~CRangeTree();

    void Insert(UINT from, UINT to, const RegistrationRef& ref);
    void Erase(UINT from, unsigned __int64 handle);
    // Appends, in no particular order, every range holding message whose
    // handle is above `after`.
    void Collect(UINT message, unsigned __int64 after, std::vector<RegistrationRef>& out) const;

private:
    struct Node;
    using Link = std::unique_ptr<Node>;

    static Link Merge(Link left, Link right);
    static void Split(Link tree, const Node& key, Link& before, Link& rest);
    static bool Erase(Link& tree, UINT from, unsigned __int64 handle);
    static void Collect(const Node* tree, UINT message, unsigned __int64 after, std::vector<RegistrationRef>& out);

    Link m_root;
};
