// The router in its own process: registrations, their packed record and binary
// layout, and what the walk test leaves out: the notification a target sees, the
// default handling and WM_CLOSE, delivery by handle, commands from controls.
#include "RouterTestSupport.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

using namespace cfu::test;

namespace {

const UINT M1 = WM_APP + 1;

std::vector<BYTE> Bytes(void* p, size_t n) { return {static_cast<BYTE*>(p), static_cast<BYTE*>(p) + n}; }

// A virtual member's table slot (Itanium C++ ABI: its pointer holds 1 + the slot's byte offset).
template <class F>
ptrdiff_t Slot(F f)
{
    ptrdiff_t rep[2];
    static_assert(sizeof f == sizeof rep, "pointer to member layout");
    memcpy(rep, &f, sizeof rep);
    return (rep[0] - 1) / ptrdiff_t(sizeof(void*));
}

} // namespace

TEST(NotifyTargetTest, VirtualSlots)
{
    // The destructor (two entries), CReferenceCount's four; CNotifyTarget's five after CObject's.
    using R = CReferenceCount;
    using T = CNotifyTarget;
    using Slots = std::vector<ptrdiff_t>;
    EXPECT_EQ((Slots{2, 3, 4, 5}),
              (Slots{Slot(&R::CopyInstancePointer), Slot(&R::AddRef), Slot(&R::Release), Slot(&R::CurrentCount)}));
    const ptrdiff_t dump = Slot(&CObject::Dump);
    EXPECT_EQ((Slots{dump + 1, dump + 2, dump + 3, dump + 4, dump + 5}),
              (Slots{Slot(&T::Notify), Slot(&T::ReservedAfterNotify), Slot(&T::Register), Slot(&T::UnRegister),
                     Slot(&T::ReservedAfterUnRegister)}));
}

TEST(MessageRegistrationTest, RangesListsAndCommands)
{
    // A range is in force only when to > from, and compared unsigned.
    enum { kRange, kReversed, kEqual, kAll };
    const UINT bounds[][2] = {{0x400, 0x4FF}, {0x4FF, 0x400}, {0x400, 0x400}, {0, 0xFFFFFFFF}};
    CMessageRegistration regs[4];
    for (int i = 0; i < 4; ++i) {
        regs[i].SetMessageFrom(bounds[i][0]);
        regs[i].SetMessageTo(bounds[i][1]);
    }
    EXPECT_EQ(0, regs[kRange].AddMessageToList(0x500));
    EXPECT_EQ(1, regs[kRange].AddMessageToList(0x500));    // duplicates kept
    regs[kReversed].AddMessageToList(0x450);
    EXPECT_EQ(0, regs[kEqual].AddCommandToList(0x400));
    const struct { int reg; UINT message; int expected; } cases[] = {
        {kRange, 0x3FF, 0},    {kRange, 0x400, 1},    {kRange, 0x4FF, 1},    {kRange, 0x500, 1},
        {kRange, 0x501, 0},    {kReversed, 0x400, 0}, {kReversed, 0x450, 1}, {kReversed, 0x4FF, 0},
        {kEqual, 0x400, 0},    {kAll, 0, 1},          {kAll, 0xFFFFFFFF, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, regs[c.reg].MessageForThisTarget(c.message)) << std::hex << c.message;
    // Commands and messages never stand for each other.
    EXPECT_EQ(1, regs[kEqual].CommandForThisTarget(0x400));
    EXPECT_EQ(0, regs[kRange].CommandForThisTarget(0x450) + regs[kRange].CommandForThisTarget(0x500));
}

TEST(MessageRegistrationTest, PackedRecordRebuiltAssignedAndReset)
{
    CMessageRegistration reg;
    reg.SetMessageFrom(0x11223344);
    reg.SetMessageTo(0x55667788);
    reg.SetWindowHandle(reinterpret_cast<HWND>(0x0102030405060708ull));
    reg.SetCallbackMessage(0xC123);
    reg.SetNotifyStyle(NOTIFY_STYLE_SEND);
    reg.AddMessageToList(0xA1A2A3A4);
    reg.AddMessageToList(0xB1B2B3B4);
    reg.AddCommandToList(0xC1C2C3C4);
    reg.SetNotifyTarget(reinterpret_cast<CNotifyTarget*>(0x10));
    reg.SetMessagePipe(reinterpret_cast<CMessagePipe*>(0x20));
    reg.AssignHandle(7);
    const std::vector<BYTE> kRecord = {
        60, 0, 0, 0,    0x44, 0x33, 0x22, 0x11,    0x88, 0x77, 0x66, 0x55,    0, 0, 0, 0,    // size, from, to
        8, 7, 6, 5, 4, 3, 2, 1,                                                              // window
        0x23, 0xC1, 0, 0,    1, 0, 0, 0,    2, 0, 0, 0,    1, 0, 0, 0,    // callback, style, counts
        0xA4, 0xA3, 0xA2, 0xA1,    0xB4, 0xB3, 0xB2, 0xB1,    0xC4, 0xC3, 0xC2, 0xC1,    // messages, commands
        0, 0, 0, 0, 0, 0, 0, 0};                                                             // tail
    void* pRecord = reg;
    EXPECT_EQ(kRecord, Bytes(pRecord, kRecord.size()));
    std::vector<BYTE> kEmpty(48, 0);
    kEmpty[0] = 48;
    EXPECT_EQ(kEmpty, Bytes(CMessageRegistration(), 48));

    // Rebuilt from the record: the same record, but no target, pipe or handle.
    CMessageRegistration rebuilt(static_cast<TAGRawRegistration*>(pRecord));
    EXPECT_EQ(kRecord, Bytes(rebuilt, kRecord.size()));
    EXPECT_TRUE(!rebuilt.MessageTarget() && !rebuilt.GetMessagePipe() && !rebuilt.GetHandle());

    // Assigned: all but the count; its own record (at 112) freed, not the source's copied and freed twice.
    CMessageRegistration dst;
    dst.AddMessageToList(0x99);
    (void)static_cast<void*>(dst);
    reg.AddRef();
    dst = reg;
    void* pOwnRecord;
    memcpy(&pOwnRecord, reinterpret_cast<BYTE*>(&dst) + 112, sizeof pOwnRecord);
    EXPECT_EQ(nullptr, pOwnRecord);
    EXPECT_EQ(1u, dst.CurrentCount());
    EXPECT_EQ(kRecord, Bytes(dst, kRecord.size()));

    reg.Reset();
    EXPECT_EQ(2u, reg.CurrentCount());
    EXPECT_TRUE(!reg.MessageTarget() && !reg.GetMessagePipe() && !reg.GetHandle());
    EXPECT_EQ(kEmpty, Bytes(reg, 48));
}

using PipeTest = RouterTest;

TEST_F(PipeTest, TheNotificationAndWhatTheDefaultHandlingGets)
{
    // Nobody wants it: the default handling answers; wanted, it is kept from it even when answered 0.
    char title[64];
    EXPECT_EQ(LRESULT(strlen(cfu::router::kWindowClass)),
              SendMessageA(hRouter, WM_GETTEXT, sizeof title, LPARAM(title)));
    EXPECT_STREQ(cfu::router::kWindowClass, title);
    HWND tools[] = {MakeHiddenWindow("CFUtilsTest Closing", &DefWindowProcA, 0, WS_EX_TOOLWINDOW),
                    MakeHiddenWindow("CFUtilsTest Closing", &DefWindowProcA, 0, WS_EX_TOOLWINDOW)};
    // Made last, so the thread's windows are met with this one first.
    HWND plain = MakeHiddenWindow("CFUtilsTest Closing", &DefWindowProcA, 0);
    RecordingTarget a(log, 1);
    a.answer = 0;
    EXPECT_EQ(2u, RegisterTarget(*pipe, &a, {M1, WM_GETTEXT, WM_CLOSE}));
    SendMessageA(hRouter, M1, 7, 9);
    EXPECT_TRUE(a.last.GetMessageDisposition() == 10 && !a.last.GetWindowHandle());
    memset(title, 0xbd, sizeof title);
    EXPECT_EQ(0, SendMessageA(hRouter, WM_GETTEXT, sizeof title, LPARAM(title)));
    EXPECT_EQ(char(0xbd), title[0]);

    // WM_CLOSE closes the first tool window of the thread, wanted or not.
    EXPECT_EQ(0, SendMessageA(hRouter, WM_CLOSE, 0, 0));
    EXPECT_EQ(3u, log.size());
    EXPECT_TRUE(IsWindow(tools[0]) && IsWindow(tools[1]));    // the close is posted
    PumpPending();
    EXPECT_NE(IsWindow(tools[0]), IsWindow(tools[1]));
    // Unwanted, WM_CLOSE still stays away from the default handling, which would destroy the router.
    pipe->UnRegisterNotification(2);
    EXPECT_EQ(0, SendMessageA(hRouter, WM_CLOSE, 0, 0));
    PumpPending();
    EXPECT_FALSE(IsWindow(tools[0]) || IsWindow(tools[1]));
    EXPECT_TRUE(IsWindow(plain) && IsWindow(hRouter));
    DestroyWindow(plain);
}

TEST_F(PipeTest, DeliveryByHandleSentAndPosted)
{
    RecordingTarget a(log, 1), b(log, 2), c(log, 3), all(log, 9);
    const unsigned __int64 h[] = {RegisterTarget(*pipe, &a, {}), RegisterTarget(*pipe, &b, {}),
                                  RegisterTarget(*pipe, &c, {})};
    // The internal message is never offered to a registration for everything.
    RegisterTarget(*pipe, &all, {}, 0, 0xFFFFFFFF);

    // Sent: the caller's notification as it stands; its result whatever Notify says.
    a.answer = 0;
    CMessageNotification n;
    n.SetMessageDisposition(77);
    n.SetReturnResult(0x1234);
    EXPECT_EQ(0x1234, pipe->SendMessageToHandler(h[0], n));
    EXPECT_EQ(77u, a.last.GetMessageDisposition());
    EXPECT_EQ(0, pipe->SendMessageToHandler(0, n) + pipe->SendMessageToHandler(99, n));

    // Posted: delivered by the loop in posting order; a post to a handle gone by then is dropped.
    CMessageNotification posted[4];
    const int to[] = {1, 2, 1, 0};
    for (int i = 0; i < 4; ++i) {
        posted[i].InitializeMessage(NULL, M1, i + 1, 0, NULL);
        EXPECT_EQ(1, pipe->PostMessageToHandler(h[to[i]], posted[i]));
    }
    log.clear();
    pipe->UnRegisterNotification(h[2]);
    PumpPending();
    // A stray internal message with no post behind it does nothing.
    EXPECT_EQ(0, SendMessageA(hRouter, RegisterWindowMessageA("Corvanta Flydeck Internal Message"), h[0], 0));
    static const MsgEntry kPosts[] = {{M1, 1, 0, 2}, {M1, 3, 0, 2}, {M1, 4, 0, 1}, {0, 0, 0, 0}};
    ExpectSequence(log, kPosts, "posts");

    // Destroyed with a post pending: nothing delivered, no target told; the class stays usable.
    pipe->PostMessageToHandler(h[0], posted[0]);
    pipe.reset();
    PumpPending();
    EXPECT_EQ(3u, log.size());
    EXPECT_EQ(1u, a.CurrentCount());
    EXPECT_EQ(1, CMessagePipe().Initialize());
}

// Handles that share a slot of the handle table, or follow one another in a
// run of slots, and a table that shrinks as they go: every handle must still
// be found by its own number until it goes.
TEST_F(PipeTest, EveryHandleIsFoundUntilItGoes)
{
    RecordingTarget t(log, 1);
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        std::vector<unsigned __int64> h(8 + rng() % 100);
        for (auto& handle : h)
            handle = RegisterTarget(*pipe, &t, {M1});
        std::shuffle(h.begin(), h.end(), rng);
        for (auto handle : h)
            EXPECT_EQ(1, pipe->UnRegisterNotification(handle)) << handle;
    }
}

TEST_F(PipeTest, CommandsFromControlsAndWmCommandAsAMessage)
{
    RecordingTarget a(log, 1), c(log, 3);
    a.answer = 0;
    RegisterTarget(*pipe, &a, {}, 0, 0, {100});
    // An accelerator is a plain command too; a control's notification is not.
    EXPECT_EQ(1, SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(100, 1), 0));
    EXPECT_EQ(0, SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(100, 5), LPARAM(hRouter)));
    // With handler information the framework only asks: nobody is notified.
    AFX_CMDHANDLERINFO info = {};
    EXPECT_TRUE(pipe->OnCmdMsg(100, 0, NULL, &info) && info.pTarget == pipe.get());
    EXPECT_FALSE(pipe->OnCmdMsg(400, 0, NULL, &info));
    // A registration that wants WM_COMMAND itself takes it before the routing.
    RegisterTarget(*pipe, &c, {WM_COMMAND});
    c.result = 9;
    EXPECT_EQ(9, SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(100, 0), 0));
    static const MsgEntry kCommands[] = {{100, 0, 0, 1}, {WM_COMMAND, 100, 0, 3}, {0, 0, 0, 0}};
    ExpectSequence(log, kCommands, "commands");
}
