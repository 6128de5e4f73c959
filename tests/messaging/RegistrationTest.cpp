// Reference counts, notification targets, registrations and notifications:
// matching, the packed record byte by byte, and the binary layout that
// programs built against CFUtils.dll rely on.
#include "RouterTestSupport.h"

#include <cstring>
#include <vector>

using namespace cfu::test;

namespace {

// The table slot of a virtual member function (Itanium C++ ABI: a pointer to
// a virtual member holds 1 + the slot's byte offset).
template <class F>
ptrdiff_t Slot(F f)
{
    struct
    {
        ptrdiff_t ptr;
        ptrdiff_t adj;
    } rep;
    static_assert(sizeof f == sizeof rep, "pointer to member layout");
    memcpy(&rep, &f, sizeof rep);
    return (rep.ptr - 1) / ptrdiff_t(sizeof(void*));
}

class CountedTarget : public CNotifyTarget
{
public:
    explicit CountedTarget(bool& destroyed) : m_destroyed(destroyed) {}
    ~CountedTarget() override { m_destroyed = true; }
    int Notify(CMessageNotification*) override { return 0; }
    int Register(CMessagePipe*) override { return 0; }
    int UnRegister() override { return 0; }

private:
    bool& m_destroyed;
};

std::vector<BYTE> Bytes(void* p, size_t n)
{
    return std::vector<BYTE>(static_cast<BYTE*>(p), static_cast<BYTE*>(p) + n);
}

} // namespace

TEST(NotifyTargetTest, ReferenceCountDeletesAtOne)
{
    bool destroyed = false;
    CountedTarget* pTarget = new CountedTarget(destroyed);
    EXPECT_EQ(1u, pTarget->CurrentCount());
    pTarget->AddRef();
    EXPECT_EQ(2u, pTarget->CurrentCount());
    EXPECT_EQ(static_cast<CReferenceCount*>(pTarget), pTarget->CopyInstancePointer());
    EXPECT_EQ(3u, pTarget->CurrentCount());
    EXPECT_EQ(2u, pTarget->Release());
    EXPECT_EQ(1u, pTarget->Release());
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(0u, pTarget->Release());
    EXPECT_TRUE(destroyed);
}

TEST(NotifyTargetTest, RuntimeClassAndUnnamedDefaults)
{
    const CRuntimeClass* pClass = RUNTIME_CLASS(CNotifyTarget);
    EXPECT_STREQ("CNotifyTarget", pClass->m_lpszClassName);
    EXPECT_EQ(RUNTIME_CLASS(CObject), pClass->m_pBaseClass);
    EXPECT_EQ(0xFFFFu, pClass->m_wSchema);
    EXPECT_EQ(nullptr, pClass->m_pfnCreateObject);

    bool destroyed = false;
    CountedTarget target(destroyed);
    EXPECT_EQ(pClass, target.GetRuntimeClass());
    EXPECT_TRUE(target.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_EQ(0, target.ReservedAfterNotify());
    EXPECT_EQ(0, target.ReservedAfterUnRegister());
}

TEST(NotifyTargetTest, VirtualSlotOrder)
{
    // CReferenceCount: destructor (two entries in this ABI), then its four.
    EXPECT_EQ(2, Slot(&CReferenceCount::CopyInstancePointer));
    EXPECT_EQ(3, Slot(&CReferenceCount::AddRef));
    EXPECT_EQ(4, Slot(&CReferenceCount::Release));
    EXPECT_EQ(5, Slot(&CReferenceCount::CurrentCount));
    // CNotifyTarget appends its five to CObject's table.
    EXPECT_EQ(0, Slot(&CObject::GetRuntimeClass));
    const ptrdiff_t dump = Slot(&CObject::Dump);
    EXPECT_EQ(dump + 1, Slot(&CNotifyTarget::Notify));
    EXPECT_EQ(dump + 2, Slot(&CNotifyTarget::ReservedAfterNotify));
    EXPECT_EQ(dump + 3, Slot(&CNotifyTarget::Register));
    EXPECT_EQ(dump + 4, Slot(&CNotifyTarget::UnRegister));
    EXPECT_EQ(dump + 5, Slot(&CNotifyTarget::ReservedAfterUnRegister));
}

TEST(MessageRegistrationTest, MessageMatching)
{
    CMessageRegistration range;
    range.SetMessageFrom(0x0400);
    range.SetMessageTo(0x04FF);
    range.AddMessageToList(0x0500);
    CMessageRegistration reversed;
    reversed.SetMessageFrom(0x04FF);
    reversed.SetMessageTo(0x0400);
    reversed.AddMessageToList(0x0450);
    CMessageRegistration equal;
    equal.SetMessageFrom(0x0400);
    equal.SetMessageTo(0x0400);
    CMessageRegistration empty;
    empty.AddCommandToList(0x0400);

    struct Case
    {
        CMessageRegistration* pReg;
        UINT message;
        int expected;
    } cases[] = {
        {&range, 0x03FF, 0},    {&range, 0x0400, 1},    {&range, 0x04FF, 1},
        {&range, 0x0500, 1},    {&range, 0x0501, 0},    {&reversed, 0x0400, 0},
        {&reversed, 0x0450, 1}, {&reversed, 0x04FF, 0}, {&equal, 0x0400, 0},
        {&empty, 0x0400, 0},    {&empty, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.pReg->MessageForThisTarget(c.message)) << std::hex << c.message;

    // A top bound of 0xFFFFFFFF is compared unsigned.
    CMessageRegistration all;
    all.SetMessageFrom(0);
    all.SetMessageTo(0xFFFFFFFF);
    EXPECT_EQ(1, all.MessageForThisTarget(0xFFFFFFFF));
    equal.AddMessageToList(0x0400);
    EXPECT_EQ(1, equal.MessageForThisTarget(0x0400));
}

TEST(MessageRegistrationTest, CommandsAndListIndexes)
{
    CMessageRegistration reg;
    reg.SetMessageFrom(100);
    reg.SetMessageTo(200);
    EXPECT_EQ(0, reg.AddMessageToList(300));
    EXPECT_EQ(1, reg.AddMessageToList(300));    // duplicates kept
    EXPECT_EQ(0, reg.AddCommandToList(400));
    EXPECT_EQ(2, reg.GetMessageListCount());
    EXPECT_EQ(1, reg.GetCommandCount());
    EXPECT_EQ(0, reg.CommandForThisTarget(150));
    EXPECT_EQ(0, reg.CommandForThisTarget(300));
    EXPECT_EQ(1, reg.CommandForThisTarget(400));
    EXPECT_EQ(0, reg.MessageForThisTarget(400));
}

TEST(MessageRegistrationTest, PacksByteByByte)
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
    reg.SetNotifyTarget(reinterpret_cast<CNotifyTarget*>(0xdeadbeef));
    reg.AssignHandle(0xdeadbeef);

    void* p = reg;
    ASSERT_NE(nullptr, p);
    std::vector<BYTE> expected = {
        60, 0, 0, 0,                    // size
        0x44, 0x33, 0x22, 0x11,         // from
        0x88, 0x77, 0x66, 0x55,         // to
        0, 0, 0, 0,                     // padding
        8, 7, 6, 5, 4, 3, 2, 1,         // window
        0x23, 0xC1, 0, 0,               // callback message
        1, 0, 0, 0,                     // style
        2, 0, 0, 0,                     // messages
        1, 0, 0, 0,                     // commands
        0xA4, 0xA3, 0xA2, 0xA1,         // messages at 40
        0xB4, 0xB3, 0xB2, 0xB1,
        0xC4, 0xC3, 0xC2, 0xC1,         // command at 48
        0, 0, 0, 0, 0, 0, 0, 0,         // tail
    };
    EXPECT_EQ(expected, Bytes(p, expected.size()));

    CMessageRegistration empty;
    std::vector<BYTE> emptyRecord(48, 0);
    emptyRecord[0] = 48;
    EXPECT_EQ(emptyRecord, Bytes(static_cast<void*>(empty), 48));
}

TEST(MessageRegistrationTest, RebuildsFromItsOwnRecord)
{
    CMessageRegistration reg;
    reg.SetMessageFrom(0x400);
    reg.SetMessageTo(0x4FF);
    reg.SetWindowHandle(reinterpret_cast<HWND>(0x1234));
    reg.SetCallbackMessage(0x8001);
    reg.SetNotifyStyle(NOTIFY_STYLE(5));
    reg.AddMessageToList(0x100);
    reg.AddMessageToList(0x101);
    reg.AddCommandToList(0x200);
    reg.SetNotifyTarget(reinterpret_cast<CNotifyTarget*>(0xdeadbeef));
    reg.AssignHandle(42);

    CMessageRegistration copy(static_cast<TAGRawRegistration*>(static_cast<void*>(reg)));
    EXPECT_EQ(nullptr, copy.MessageTarget());
    EXPECT_EQ(nullptr, copy.GetMessagePipe());
    EXPECT_EQ(0u, copy.GetHandle());
    EXPECT_EQ(1, copy.MessageForThisTarget(0x4FF));
    // Range, window, callback message, style and both lists in record
    // order: repacking gives the same bytes.
    EXPECT_EQ(Bytes(static_cast<void*>(reg), 60), Bytes(static_cast<void*>(copy), 60));
}

TEST(MessageRegistrationTest, AssignmentAndReset)
{
    CMessageRegistration src;
    src.SetNotifyTarget(reinterpret_cast<CNotifyTarget*>(0x10));
    src.SetMessagePipe(reinterpret_cast<CMessagePipe*>(0x20));
    src.AssignHandle(7);
    src.SetMessageFrom(1);
    src.SetMessageTo(9);
    src.SetWindowHandle(reinterpret_cast<HWND>(0x30));
    src.SetCallbackMessage(0x40);
    src.SetNotifyStyle(NOTIFY_STYLE_POST);
    src.AddMessageToList(0x50);
    src.AddCommandToList(0x60);
    src.AddRef();

    CMessageRegistration dst;
    dst.AddMessageToList(0x99);
    dst.AddMessageToList(0x98);
    dst.AddCommandToList(0x97);
    (void)static_cast<void*>(dst);
    dst = src;
    EXPECT_EQ(1u, dst.CurrentCount());
    EXPECT_EQ(reinterpret_cast<CNotifyTarget*>(0x10), dst.MessageTarget());
    EXPECT_EQ(reinterpret_cast<CMessagePipe*>(0x20), dst.GetMessagePipe());
    EXPECT_EQ(7u, dst.GetHandle());
    // Freed, not copied.
    EXPECT_EQ(nullptr, FieldAt<void*>(&dst, 112));
    EXPECT_EQ(Bytes(static_cast<void*>(src), 56), Bytes(static_cast<void*>(dst), 56));

    src.Reset();
    EXPECT_EQ(2u, src.CurrentCount());
    EXPECT_EQ(0u, src.GetHandle());
    EXPECT_EQ(nullptr, src.MessageTarget());
    EXPECT_EQ(nullptr, src.GetMessagePipe());
    CMessageRegistration fresh;
    EXPECT_EQ(Bytes(static_cast<void*>(fresh), 48), Bytes(static_cast<void*>(src), 48));
}

TEST(MessageRegistrationTest, FieldLayout)
{
    CMessageRegistration reg;
    reg.SetNotifyTarget(reinterpret_cast<CNotifyTarget*>(0x1111));
    reg.SetMessagePipe(reinterpret_cast<CMessagePipe*>(0x2222));
    reg.AssignHandle(0x3333444455556666ull);
    reg.SetMessageFrom(0x400);
    reg.SetMessageTo(0x4FF);
    reg.AddCommandToList(1);
    reg.AddCommandToList(2);
    reg.AddCommandToList(3);
    reg.AddMessageToList(7);
    reg.SetWindowHandle(reinterpret_cast<HWND>(0x7777));
    reg.SetCallbackMessage(0x8888);
    reg.SetNotifyStyle(NOTIFY_STYLE_POST);
    void* pRecord = reg;

    EXPECT_EQ(136u, sizeof(CMessageRegistration));
    EXPECT_EQ(1u, FieldAt<UINT32>(&reg, 8));    // the reference count
    EXPECT_EQ(0x1111u, FieldAt<UINT_PTR>(&reg, 16));
    EXPECT_EQ(0x2222u, FieldAt<UINT_PTR>(&reg, 24));
    EXPECT_EQ(0x3333444455556666ull, FieldAt<UINT64>(&reg, 32));
    EXPECT_EQ(0x400u, FieldAt<UINT32>(&reg, 40));
    EXPECT_EQ(0x4FFu, FieldAt<UINT32>(&reg, 44));
    // Each list: the array object's table, data, size, capacity.
    EXPECT_EQ(3, FieldAt<INT_PTR>(&reg, 48 + 16));
    EXPECT_EQ(1, FieldAt<INT_PTR>(&reg, 80 + 16));
    EXPECT_EQ(pRecord, FieldAt<void*>(&reg, 112));
    EXPECT_EQ(0x7777u, FieldAt<UINT_PTR>(&reg, 120));
    EXPECT_EQ(0x8888u, FieldAt<UINT32>(&reg, 128));
    EXPECT_EQ(2u, FieldAt<UINT32>(&reg, 132));
}

TEST(MessageNotificationTest, InitializeKeepsResultAndType)
{
    CMessageNotification n;
    EXPECT_EQ(0, n.GetReturnResult());
    EXPECT_EQ(0u, n.GetNotifyType());
    EXPECT_EQ(0u, n.GetMessageDisposition());
    EXPECT_EQ(nullptr, n.GetMessageRegistration());

    CMessageRegistration reg;
    n.SetReturnResult(-5);
    n.SetNotifyType(NOTIFY_TYPE_COMMAND);
    n.InitializeMessage(reinterpret_cast<HWND>(0x10), 0x20, 0x30, -0x40, &reg);
    EXPECT_EQ(-5, n.GetReturnResult());
    EXPECT_EQ(UINT(NOTIFY_TYPE_COMMAND), n.GetNotifyType());
    EXPECT_EQ(10u, n.GetMessageDisposition());
    EXPECT_EQ(reinterpret_cast<HWND>(0x10), n.GetWindowHandle());
    EXPECT_EQ(0x20u, n.GetMessageA());
    EXPECT_EQ(0x30u, n.GetWparam());
    EXPECT_EQ(-0x40, n.GetLparam());
    EXPECT_EQ(&reg, n.GetMessageRegistration());

    n.SetMessageDisposition(3);
    EXPECT_EQ(64u, sizeof(CMessageNotification));
    EXPECT_EQ(-5, FieldAt<INT64>(&n, 0));
    EXPECT_EQ(2u, FieldAt<UINT32>(&n, 8));
    EXPECT_EQ(0x10u, FieldAt<UINT_PTR>(&n, 16));
    EXPECT_EQ(0x20u, FieldAt<UINT32>(&n, 24));
    EXPECT_EQ(0x30u, FieldAt<UINT64>(&n, 32));
    EXPECT_EQ(-0x40, FieldAt<INT64>(&n, 40));
    EXPECT_EQ(3u, FieldAt<UINT32>(&n, 48));
    EXPECT_EQ(&reg, FieldAt<void*>(&n, 56));
}
