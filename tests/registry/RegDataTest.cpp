// CRegData: its byte and type bookkeeping, the number views, and what its
// forms look like once written to and read from a real key.
#include "library/CFUtils.h"

#include "RegTree.h"
#include "TestSupport.h"

#include <string>

namespace {

std::string Bytes(const CRegData& data)
{
    return std::string(static_cast<LPCSTR>(data), size_t(data.GetLength()));
}

TEST(RegData, NumbersAreSignedDecimalTextCountingTheirZero)
{
    CRegData small(123u);
    EXPECT_EQ(Bytes(small), std::string("123", 4));
    EXPECT_EQ(small.GetType(), DWORD(REG_SZ));
    EXPECT_EQ(*static_cast<unsigned int*>(small), 123u);

    CRegData largest(4294967295u);
    EXPECT_EQ(Bytes(largest), std::string("-1", 3));
    EXPECT_EQ(*static_cast<unsigned int*>(largest), 4294967295u);
    EXPECT_EQ(*static_cast<int*>(largest), -1);

    CRegData negative(-2147483647 - 1, 0);
    EXPECT_EQ(Bytes(negative), std::string("-2147483648", 12));
    EXPECT_EQ(*static_cast<int*>(negative), -2147483647 - 1);
}

TEST(RegData, FlagsAreOnAndOffWithOneZero)
{
    CRegData on(7, 1);
    EXPECT_EQ(Bytes(on), std::string("On", 3));
    EXPECT_EQ(*static_cast<int*>(on), 1);
    EXPECT_EQ(*static_cast<unsigned int*>(on), 0u);
    CRegData off(0, 1);
    EXPECT_EQ(Bytes(off), std::string("Off", 4));
    EXPECT_EQ(*static_cast<int*>(off), 0);
    EXPECT_EQ(*static_cast<unsigned int*>(off), 0u);
}

TEST(RegData, TextViewsParseLeadingDigitsOnly)
{
    struct Case { const char* text; int asSigned; unsigned int asUnsigned; };
    const Case cases[] = {
        {"oN", 1, 0}, {"ON", 1, 0}, {"OFF", 0, 0}, {"42abc", 42, 42}, {"", 0, 0}, {"abc", 0, 0},
        {"-5", -5, 4294967291u}, {"Onward", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CRegData data(c.text);
        EXPECT_EQ(data.GetLength(), int(strlen(c.text)));
        int* asSigned = data;
        EXPECT_EQ(asSigned, &data.m_nValue);
        EXPECT_EQ(*asSigned, c.asSigned);
        EXPECT_EQ(*static_cast<unsigned int*>(data), c.asUnsigned);
    }
}

TEST(RegData, RawBytesKeepZerosThroughCopiesAndAssignment)
{
    unsigned char bytes[] = {'1', 0, 0xff, 0, '2'};
    CRegData raw(bytes, sizeof bytes, REG_BINARY);
    EXPECT_EQ(raw.GetLength(), 5);
    EXPECT_EQ(memcmp(static_cast<unsigned char*>(raw), bytes, 5), 0);
    EXPECT_EQ(raw.operator void*(), raw.operator unsigned char*());
    // Binary data is never parsed, not even the "1" it starts with.
    raw.m_nValue = 0x5a5a5a5a;
    EXPECT_EQ(*static_cast<int*>(raw), 0);
    EXPECT_EQ(*static_cast<unsigned int*>(raw), 0u);

    CRegData assigned("text");
    assigned.m_nValue = 77;
    assigned = raw;
    EXPECT_EQ(Bytes(assigned), Bytes(raw));
    EXPECT_EQ(assigned.GetType(), DWORD(REG_BINARY));
    EXPECT_EQ(assigned.m_nValue, 77);

    CRegData copied(raw);
    EXPECT_EQ(Bytes(copied), Bytes(raw));
    EXPECT_EQ(copied.GetType(), DWORD(REG_BINARY));
    EXPECT_EQ(copied.m_nValue, 0);

    CString withZero("a\0b", 3);
    CRegData fromString(withZero);
    EXPECT_EQ(Bytes(fromString), std::string("a\0b", 3));
    EXPECT_EQ(fromString.GetType(), DWORD(REG_SZ));
    EXPECT_EQ(CRegData(nullptr, 4, REG_BINARY).GetLength(), 0);
}

// A write stores the data and the zero byte after it: the forms reach the
// registry exactly as their lengths say, and read back through a key as
// their views expect.
TEST(RegData, FormsAsStoredAndReadBack)
{
    cfu::test::RegSandbox sandbox("RegDataForms");
    CString path(sandbox.Path().c_str());
    cfu::test::EntryPtr entry(CRegEntry::CreateNew(HKEY_CURRENT_USER, path));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->SetValueData("Number", CRegData(123u)), 0);
    EXPECT_EQ(entry->SetValueData("Flag", CRegData(1, 1)), 0);
    cfu::test::RegValueRecord stored{};
    ASSERT_EQ(cfu::test::ReadValue(sandbox.Key(), "Number", stored), 0);
    EXPECT_EQ(stored.data, std::string("123\0", 5));
    ASSERT_EQ(cfu::test::ReadValue(sandbox.Key(), "Flag", stored), 0);
    EXPECT_EQ(stored.data, std::string("On\0", 4));
    EXPECT_EQ(stored.type, DWORD(REG_SZ));

    cfu::test::WriteValue(sandbox.Key(), "Mixed", REG_SZ, std::string("oN", 3));
    entry->ResetCounts();
    CRegData read;
    ASSERT_EQ(entry->LocateValueData("Mixed", read), 0);
    EXPECT_EQ(*static_cast<int*>(read), 1);
    EXPECT_EQ(*static_cast<unsigned int*>(read), 0u);
    ASSERT_EQ(entry->LocateValueData("Number", read), 0);
    EXPECT_EQ(*static_cast<unsigned int*>(read), 123u);
}

} // namespace
