#include "messaging/RangeTree.h"

#include <algorithm>

namespace {

// Handles come in increasing order and bounds often do too: a mixed value,
// not the key, decides the shape, which keeps the tree shallow either way.
unsigned Priority(unsigned __int64 handle)
{
    handle = (handle ^ (handle >> 33)) * 0xFF51AFD7ED558CCDull;
    handle = (handle ^ (handle >> 33)) * 0xC4CEB9FE1A85EC53ull;
    return unsigned(handle ^ (handle >> 33));
}

bool Before(UINT from, unsigned __int64 handle, UINT otherFrom, unsigned __int64 otherHandle)
{
    return from < otherFrom || (from == otherFrom && handle < otherHandle);
}

} // namespace

CRangeTree::CRangeTree() : m_root(kNone), m_dead(0) {}

UINT CRangeTree::Insert(UINT from, UINT to, const RegistrationRef& ref)
{
    const UINT id = UINT(m_nodes.size());
    m_nodes.push_back(Node{from, to, to, Priority(ref.handle), kNone, kNone, ref});
    // Down to where the new node's priority puts it, then the subtree there
    // is split around it; the bounds above only grow.
    UINT* link = &m_root;
    while (*link != kNone && m_nodes[*link].priority > m_nodes[id].priority) {
        Node& node = m_nodes[*link];
        node.maxTo = std::max(node.maxTo, to);
        link = Before(node.from, node.ref.handle, from, ref.handle) ? &node.right : &node.left;
    }
    Node& added = m_nodes[id];
    Split(*link, from, ref.handle, added.left, added.right);
    Update(id);
    *link = id;
    return id;
}

bool CRangeTree::Erase(UINT node)
{
    m_nodes[node].ref.pos = NULL;
    ++m_dead;
    return 2 * m_dead > m_nodes.size();
}

void CRangeTree::Collect(UINT message, unsigned __int64 after, std::vector<RegistrationRef>& out) const
{
    Collect(m_root, message, after, out);
}

void CRangeTree::Split(UINT tree, UINT from, unsigned __int64 handle, UINT& before, UINT& rest)
{
    if (tree == kNone) {
        before = rest = kNone;
        return;
    }
    Node& node = m_nodes[tree];
    if (Before(node.from, node.ref.handle, from, handle)) {
        before = tree;
        Split(node.right, from, handle, node.right, rest);
    } else {
        rest = tree;
        Split(node.left, from, handle, before, node.left);
    }
    Update(tree);
}

void CRangeTree::Update(UINT id)
{
    Node& node = m_nodes[id];
    node.maxTo = node.to;
    for (UINT child : {node.left, node.right})
        if (child != kNone)
            node.maxTo = std::max(node.maxTo, m_nodes[child].maxTo);
}

void CRangeTree::Rebuild(std::vector<UINT>& renumbered)
{
    std::vector<UINT> order;
    order.reserve(m_nodes.size() - m_dead);
    LivingInOrder(m_root, order);
    renumbered.assign(m_nodes.size(), kNone);
    std::vector<Node> living;
    living.reserve(order.size());
    for (UINT old : order) {
        renumbered[old] = UINT(living.size());
        living.push_back(m_nodes[old]);
    }
    m_nodes.swap(living);
    m_dead = 0;
    Link();
}

void CRangeTree::LivingInOrder(UINT tree, std::vector<UINT>& out) const
{
    for (; tree != kNone; tree = m_nodes[tree].right) {
        LivingInOrder(m_nodes[tree].left, out);
        if (m_nodes[tree].ref.pos)
            out.push_back(tree);
    }
}

void CRangeTree::Link()
{
    // The nodes are in key order: the treap is the one tree over them that
    // keeps priorities in heap order, built with a stack of its right spine.
    std::vector<UINT> spine;
    for (UINT i = 0; i < m_nodes.size(); ++i) {
        UINT below = kNone;
        while (!spine.empty() && m_nodes[spine.back()].priority < m_nodes[i].priority) {
            below = spine.back();
            spine.pop_back();
        }
        m_nodes[i].left = below;
        m_nodes[i].right = kNone;
        if (!spine.empty())
            m_nodes[spine.back()].right = i;
        spine.push_back(i);
    }
    m_root = spine.empty() ? kNone : spine.front();
    FixBounds(m_root);
}

UINT CRangeTree::FixBounds(UINT tree)
{
    if (tree == kNone)
        return 0;
    Node& node = m_nodes[tree];
    node.maxTo = std::max({node.to, FixBounds(node.left), FixBounds(node.right)});
    return node.maxTo;
}

void CRangeTree::Collect(UINT tree, UINT message, unsigned __int64 after, std::vector<RegistrationRef>& out) const
{
    // Left of a node whose lower bound is past the message nothing can hold
    // it but what lies further left; so the nodes that hold nothing lie on
    // one path, and the rest leads to a range that holds the message.
    for (; tree != kNone && m_nodes[tree].maxTo >= message; tree = m_nodes[tree].right) {
        const Node& node = m_nodes[tree];
        Collect(node.left, message, after, out);
        if (node.from > message)
            return;
        if (node.to >= message && node.ref.handle > after && node.ref.pos)
            out.push_back(node.ref);
    }
}
