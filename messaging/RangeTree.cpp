#include "messaging/RangeTree.h"

#include <algorithm>

struct CRangeTree::Node
{
    UINT from;
    UINT to;
    UINT maxTo;    // the highest upper bound in this subtree
    unsigned priority;
    RegistrationRef ref;
    Link left;
    Link right;

    bool Before(UINT otherFrom, unsigned __int64 otherHandle) const
    {
        return from < otherFrom || (from == otherFrom && ref.handle < otherHandle);
    }
    void Update()
    {
        maxTo = std::max({to, left ? left->maxTo : 0u, right ? right->maxTo : 0u});
    }
};

namespace {

// Handles come in increasing order and bounds often do too: a mixed value,
// not the key, decides the shape, which keeps the tree shallow either way.
unsigned Priority(unsigned __int64 handle)
{
    handle = (handle ^ (handle >> 33)) * 0xFF51AFD7ED558CCDull;
    handle = (handle ^ (handle >> 33)) * 0xC4CEB9FE1A85EC53ull;
    return unsigned(handle ^ (handle >> 33));
}

} // namespace

CRangeTree::CRangeTree() = default;

CRangeTree::~CRangeTree() = default;

void CRangeTree::Insert(UINT from, UINT to, const RegistrationRef& ref)
{
    Link node(new Node{from, to, to, Priority(ref.handle), ref, nullptr, nullptr});
    Link before, rest;
    Split(std::move(m_root), *node, before, rest);
    m_root = Merge(Merge(std::move(before), std::move(node)), std::move(rest));
}

void CRangeTree::Erase(UINT from, unsigned __int64 handle)
{
    Erase(m_root, from, handle);
}

void CRangeTree::Collect(UINT message, unsigned __int64 after, std::vector<RegistrationRef>& out) const
{
    Collect(m_root.get(), message, after, out);
}

CRangeTree::Link CRangeTree::Merge(Link left, Link right)
{
    if (!left || !right)
        return left ? std::move(left) : std::move(right);
    if (left->priority > right->priority) {
        left->right = Merge(std::move(left->right), std::move(right));
        left->Update();
        return left;
    }
    right->left = Merge(std::move(left), std::move(right->left));
    right->Update();
    return right;
}

void CRangeTree::Split(Link tree, const Node& key, Link& before, Link& rest)
{
    if (!tree) {
        before.reset();
        rest.reset();
        return;
    }
    Node& node = *tree;
    if (node.Before(key.from, key.ref.handle)) {
        Split(std::move(node.right), key, node.right, rest);
        before = std::move(tree);
    } else {
        Split(std::move(node.left), key, before, node.left);
        rest = std::move(tree);
    }
    node.Update();
}

bool CRangeTree::Erase(Link& tree, UINT from, unsigned __int64 handle)
{
    if (!tree)
        return false;
    if (tree->from == from && tree->ref.handle == handle) {
        tree = Merge(std::move(tree->left), std::move(tree->right));
        return true;
    }
    if (!Erase(tree->Before(from, handle) ? tree->right : tree->left, from, handle))
        return false;
    tree->Update();
    return true;
}

void CRangeTree::Collect(const Node* tree, UINT message, unsigned __int64 after,
                         std::vector<RegistrationRef>& out)
{
    // Left of a node whose lower bound is past the message nothing can hold
    // it but what lies further left; so the nodes that hold nothing lie on
    // one path, and the rest leads to a range that holds the message.
    for (; tree && tree->maxTo >= message; tree = tree->right.get()) {
        Collect(tree->left.get(), message, after, out);
        if (tree->from > message)
            return;
        if (tree->to >= message && tree->ref.handle > after)
            out.push_back(tree->ref);
    }
}
