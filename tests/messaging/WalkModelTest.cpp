// The router's walk against a plain list walk: the same seeded registrations,
// removals, re-entrant reactions and messages go through both, and the same
// notifications, answers and counts must come out of both.
#include "RouterTestSupport.h"

#include <algorithm>
#include <deque>
#include <list>
#include <random>

using namespace cfu::test;

namespace {

const UINT kBase = WM_APP + 0x40;    // messages kBase..kBase+15; commands 1..6
const int kSpecs = 48;
enum { kRemoves = 1, kAdds = 2, kSends = 4 };    // a target's reactions, in this order

// One registration's wishes, and what its target answers and does when notified.
struct Spec
{
    UINT from, to;
    std::vector<UINT> messages, commands;
    int answer;
    bool setsResult;    // to its own handle
    int reactions;
    int victim;    // the handle it removes, this far from its own (0: itself)
    int added;     // the spec it registers
    UINT sent;     // the message it sends the router
};

enum Op { kAdd, kRemove, kSend, kCount, kCommand };
struct Step
{
    Op op;
    int spec;
    unsigned __int64 handle;
    UINT number;
};

struct Scenario
{
    explicit Scenario(unsigned seed)
    {
        std::mt19937 rng(seed);
        auto pick = [&](unsigned n) { return int(rng() % n); };
        auto message = [&] { return kBase + pick(16); };
        for (int i = 0; i < kSpecs; ++i) {
            Spec s{};
            if (pick(2))    // equal or reversed bounds too: no range
                s.from = message(), s.to = message();
            for (int n = pick(3); n--;)
                s.messages.push_back(message());
            for (int n = pick(2); n--;)
                s.commands.push_back(1 + pick(6));
            s.answer = pick(3) ? 1 : 0;
            s.setsResult = pick(2);
            s.reactions = pick(2) ? 0 : 1 + pick(7);
            s.victim = pick(6) - 3;
            s.added = pick(kSpecs);
            s.sent = message();
            specs.push_back(s);
        }
        for (int i = 0; i < 300; ++i) {
            const int r = pick(20);
            const Op op = r < 6 ? kAdd : r < 9 ? kRemove : r < 17 ? kSend : r < 19 ? kCount : kCommand;
            steps.push_back({op, pick(kSpecs), 2u + pick(8 + i / 2),
                             op == kCommand ? UINT(1 + pick(6)) : message()});
        }
    }
    std::vector<Spec> specs;
    std::vector<Step> steps;
};

// Runs a scenario and logs each notification {number, step, notify type,
// handle} and each step's outcome {0xF000 + op, step, outcome, 0}.
class World
{
public:
    virtual ~World() = default;
    MsgLog Run(const Scenario& scenario)
    {
        m_scenario = &scenario;
        for (size_t i = 0; i < scenario.steps.size(); ++i) {
            const Step& s = scenario.steps[i];
            m_budget = 6;    // reactions per step, so that chains of them end
            const LRESULT outcome = s.op == kAdd      ? LRESULT(Add(scenario.specs[s.spec]))
                                    : s.op == kRemove ? Remove(s.handle)
                                    : s.op == kSend   ? Send(s.number, i)
                                    : s.op == kCount  ? Count(s.number)
                                                      : Command(s.number);
            m_log.push_back({0xF000u + s.op, i, outcome, 0});
        }
        return m_log;
    }

protected:
    virtual unsigned __int64 Add(const Spec& spec) = 0;
    virtual int Remove(unsigned __int64 handle) = 0;
    virtual LRESULT Send(UINT message, WPARAM step) = 0;
    virtual UINT Count(UINT message) = 0;
    virtual LRESULT Command(UINT id) = 0;

    // What the target of a registration does when handed a message or command.
    int Notified(const Spec& spec, unsigned __int64 handle, UINT number, WPARAM step, UINT type, LRESULT& result)
    {
        m_log.push_back({number, step, LPARAM(type), int(handle)});
        if (spec.setsResult)
            result = LRESULT(handle);
        if (spec.reactions && m_budget > 0) {
            --m_budget;
            if (spec.reactions & kRemoves)
                Remove(handle + spec.victim);
            if (spec.reactions & kAdds)
                Add(m_scenario->specs[spec.added]);
            if (spec.reactions & kSends)
                Send(spec.sent, step);
        }
        return spec.answer;
    }

private:
    const Scenario* m_scenario = nullptr;
    int m_budget = 0;
    MsgLog m_log;
};

// The walk as a list of registrations in handle order, noting the successor
// and finding its place again from the head when something was removed.
class ModelWorld : public World
{
    struct Reg
    {
        unsigned __int64 handle;
        const Spec* spec;
    };

    static bool Wants(const Spec& s, UINT message)
    {
        return (s.to > s.from && message >= s.from && message <= s.to) ||
               std::count(s.messages.begin(), s.messages.end(), message);
    }
    unsigned __int64 Add(const Spec& spec) override
    {
        m_regs.push_back({m_next, &spec});
        return m_next++;
    }
    int Remove(unsigned __int64 handle) override
    {
        auto found = std::find_if(m_regs.begin(), m_regs.end(), [&](const Reg& r) { return r.handle == handle; });
        if (found == m_regs.end())
            return 0;
        m_regs.erase(found);
        return 1;
    }
    LRESULT Send(UINT message, WPARAM step) override
    {
        LRESULT carried = 0, result = 0;
        bool handled = false;
        for (auto it = m_regs.begin(); it != m_regs.end();) {
            auto next = std::next(it);
            if (!Wants(*it->spec, message)) {
                it = next;
                continue;
            }
            handled = true;
            const unsigned __int64 handle = it->handle, nextBefore = m_next;
            const size_t countBefore = m_regs.size();
            if (Notified(*it->spec, handle, message, step, NOTIFY_TYPE_MESSAGE, carried))
                result = carried;
            if (m_regs.size() < countBefore + (m_next - nextBefore))
                it = std::find_if(m_regs.begin(), m_regs.end(), [&](const Reg& r) { return r.handle > handle; });
            else
                it = next;
        }
        return handled ? result : 0;
    }
    UINT Count(UINT message) override
    {
        return UINT(std::count_if(m_regs.begin(), m_regs.end(), [&](const Reg& r) { return Wants(*r.spec, message); }));
    }
    LRESULT Command(UINT id) override
    {
        for (const Reg& r : m_regs) {
            if (std::count(r.spec->commands.begin(), r.spec->commands.end(), id)) {
                LRESULT ignored = 0;
                Notified(*r.spec, r.handle, id, 0, NOTIFY_TYPE_COMMAND, ignored);
                return 1;
            }
        }
        return 0;
    }

    std::list<Reg> m_regs;
    unsigned __int64 m_next = 2;    // the router's monitor holds 1
};

class RouterWorld : public World
{
public:
    explicit RouterWorld(CMessagePipe& pipe) : m_pipe(pipe) {}

private:
    struct Target : CNotifyTarget
    {
        Target(RouterWorld& world, const Spec& spec) : world(world), spec(spec) {}
        int Notify(CMessageNotification* n) override
        {
            LRESULT result = n->GetReturnResult();
            const int answer = world.Notified(spec, handle, n->GetMessageA(), n->GetWparam(), n->GetNotifyType(), result);
            n->SetReturnResult(result);
            return answer;
        }
        int Register(CMessagePipe*) override { return 0; }
        int UnRegister() override { return 0; }

        RouterWorld& world;
        const Spec& spec;
        unsigned __int64 handle = 0;
    };

    unsigned __int64 Add(const Spec& spec) override
    {
        m_targets.emplace_back(*this, spec);
        CMessageRegistration reg;
        reg.SetNotifyTarget(&m_targets.back());
        reg.SetMessageFrom(spec.from);
        reg.SetMessageTo(spec.to);
        for (UINT m : spec.messages)
            reg.AddMessageToList(m);
        for (UINT c : spec.commands)
            reg.AddCommandToList(c);
        return m_targets.back().handle = m_pipe.RegisterForNotifications(reg);
    }
    int Remove(unsigned __int64 handle) override { return m_pipe.UnRegisterNotification(handle); }
    LRESULT Send(UINT message, WPARAM step) override { return SendMessageA(m_pipe.m_hWnd, message, step, 0); }
    UINT Count(UINT message) override { return m_pipe.CountHandlers(message); }
    LRESULT Command(UINT id) override { return SendMessageA(m_pipe.m_hWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    CMessagePipe& m_pipe;
    std::deque<Target> m_targets;
};

} // namespace

using RouterWalkTest = RouterTest;

TEST_F(RouterWalkTest, SeededRunsMatchAPlainListWalk)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const Scenario scenario(seed);
        MsgLog expected = ModelWorld().Run(scenario);
        expected.push_back({});
        pipe = std::make_unique<CMessagePipe>();
        ASSERT_EQ(1, pipe->Initialize());
        RouterWorld router(*pipe);
        ExpectSequence(router.Run(scenario), expected.data(), ("seed " + std::to_string(seed)).c_str());
    }
}
