// The router's walk against a plain list walk: the same seeded registrations,
// removals, re-entrant reactions and messages go through both, and the same
// notifications, answers and counts must come out of both.
#include "RouterTestSupport.h"

#include <algorithm>
#include <deque>
#include <random>

using namespace cfu::test;

namespace {

const UINT kBase = WM_APP + 0x40;    // messages kBase..kBase+15; commands 1..6
const int kSpecs = 48;
enum { kRemoves = 1, kAdds = 2, kSends = 4 };    // a target's reactions, in this order
enum Op { kAdd, kRemove, kSend, kCount, kCommand };

// One registration's wishes, and its target's answer, result (its own handle) or none, and reactions:
// remove the handle `victim` away from its own (0: itself), register spec `added`, send `sent`.
struct Spec
{
    UINT from, to;
    std::vector<UINT> messages, commands;
    int answer, setsResult, reactions, victim, added;
    UINT sent;

    bool Wants(UINT m) const { return (to > from && m >= from && m <= to) || Lists(messages, m); }
    static bool Lists(const std::vector<UINT>& ids, UINT id) { return std::count(ids.begin(), ids.end(), id); }
};

// Runs a seed's steps through the router given or, without one, through a list of registrations
// in handle order; logs each notification {number, step, notify type, handle} and each step's
// outcome {0xF000 + op, step, outcome, 0}.
class World
{
public:
    explicit World(CMessagePipe* pipe = nullptr) : m_pipe(pipe) {}

    MsgLog Run(unsigned seed)
    {
        std::mt19937 rng(seed);
        auto pick = [&](unsigned n) { return int(rng() % n); };
        auto message = [&] { return kBase + pick(16); };
        for (Spec& s : m_specs) {
            if (pick(2))    // equal or reversed bounds too: no range
                s.from = message(), s.to = message();
            for (int n = pick(3); n--;) s.messages.push_back(message());
            for (int n = pick(2); n--;) s.commands.push_back(1 + pick(6));
            s.answer = pick(3) ? 1 : 0;
            s.setsResult = pick(2);
            s.reactions = pick(2) ? 0 : 1 + pick(7);
            s.victim = pick(6) - 3;
            s.added = pick(kSpecs);
            s.sent = message();
        }
        for (WPARAM step = 0; step < 300; ++step) {
            const int r = pick(20), spec = pick(kSpecs);
            const unsigned __int64 handle = 2u + pick(8 + step / 2);
            const Op op = r < 6 ? kAdd : r < 9 ? kRemove : r < 17 ? kSend : r < 19 ? kCount : kCommand;
            const UINT number = op == kCommand ? UINT(1 + pick(6)) : message();
            m_budget = 6;    // reactions per step, so that chains of them end
            const LRESULT outcome = op == kAdd ? LRESULT(Add(m_specs[spec])) : op == kRemove ? Remove(handle)
                                    : op == kSend ? Send(number, step) : op == kCount ? Count(number) : Command(number);
            m_log.push_back({0xF000u + op, step, outcome, 0});
        }
        return m_log;
    }

private:
    struct Target : CNotifyTarget
    {
        Target(World& world, const Spec& spec) : world(world), spec(spec) {}
        int Notify(CMessageNotification* n) override
        {
            if (spec.setsResult)
                n->SetReturnResult(LRESULT(handle));
            return world.Notified(*this, n->GetMessageA(), n->GetWparam(), n->GetNotifyType());
        }
        int Register(CMessagePipe*) override { return 0; }    // the router calls neither
        int UnRegister() override { return 0; }

        World& world;
        const Spec& spec;
        unsigned __int64 handle = 0;
        bool live = true;    // the list's own: registered and not removed
    };

    // What a target does when handed a message or command, besides setting the result.
    int Notified(const Target& t, UINT number, WPARAM step, UINT type)
    {
        m_log.push_back({number, step, LPARAM(type), int(t.handle)});
        if (t.spec.reactions && m_budget-- > 0) {
            if (t.spec.reactions & kRemoves)
                Remove(t.handle + t.spec.victim);
            if (t.spec.reactions & kAdds)
                Add(m_specs[t.spec.added]);
            if (t.spec.reactions & kSends)
                Send(t.spec.sent, step);
        }
        return t.spec.answer;
    }

    unsigned __int64 Add(const Spec& spec)
    {
        Target& t = m_targets.emplace_back(*this, spec);
        if (!m_pipe)
            return t.handle = m_targets.size() + 1;    // the router's monitor holds 1
        return t.handle = RegisterTarget(*m_pipe, &t, spec.messages, spec.from, spec.to, spec.commands);
    }
    int Remove(unsigned __int64 handle)
    {
        const unsigned __int64 i = handle - 2;    // the list's handles: 2 on, one for each target made
        if (m_pipe || i >= m_targets.size() || !m_targets[i].live)
            return m_pipe ? m_pipe->UnRegisterNotification(handle) : 0;
        m_targets[i].live = false;
        return ++m_removed, 1;
    }
    // The list walk goes on in handle order over what the list holds now; but with nothing
    // removed, the last registration had no successor to go on with.
    LRESULT Send(UINT message, WPARAM step)
    {
        if (m_pipe)
            return SendMessageA(m_pipe->m_hWnd, message, step, 0);
        LRESULT carried = 0, result = 0;    // 0 too when no target wants it
        auto live = [](const Target& t) { return t.live; };
        for (size_t i = 0; i < m_targets.size(); ++i) {
            Target& t = m_targets[i];
            if (!t.live || !t.spec.Wants(message))
                continue;
            const bool last = std::none_of(m_targets.begin() + i + 1, m_targets.end(), live);
            const int removedBefore = m_removed;
            if (t.spec.setsResult)
                carried = LRESULT(t.handle);
            if (Notified(t, message, step, NOTIFY_TYPE_MESSAGE))
                result = carried;
            if (last && m_removed == removedBefore)
                break;
        }
        return result;
    }
    UINT Count(UINT message)
    {
        auto wants = [&](const Target& t) { return t.live && t.spec.Wants(message); };
        return m_pipe ? m_pipe->CountHandlers(message) : UINT(std::count_if(m_targets.begin(), m_targets.end(), wants));
    }
    LRESULT Command(UINT id)
    {
        if (m_pipe)
            return SendMessageA(m_pipe->m_hWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        for (Target& t : m_targets)    // the first target that lists the command gets it
            if (t.live && Spec::Lists(t.spec.commands, id))
                return Notified(t, id, 0, NOTIFY_TYPE_COMMAND), 1;
        return 0;
    }

    CMessagePipe* m_pipe;
    Spec m_specs[kSpecs] = {};
    std::deque<Target> m_targets;
    int m_budget = 0, m_removed = 0;
    MsgLog m_log;
};

} // namespace

using RouterWalkTest = RouterTest;

TEST_F(RouterWalkTest, SeededRunsMatchAPlainListWalk)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        MsgLog expected = World().Run(seed);
        expected.push_back({});
        pipe = std::make_unique<CMessagePipe>();
        ASSERT_EQ(1, pipe->Initialize());
        ExpectSequence(World(pipe.get()).Run(seed), expected.data(), ("seed " + std::to_string(seed)).c_str());
    }
}
