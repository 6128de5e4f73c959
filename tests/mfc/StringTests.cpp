// CString against the framework's documented behaviour: binary-safe data,
// clamping of Left/Mid/Right, buffers, formatting and conversion.
#include <afx.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string Bytes(const CString& s)
{
    return std::string(static_cast<LPCSTR>(s), size_t(s.GetLength()));
}

} // namespace

TEST(CStringTest, ZeroBytesCountAndOneZeroFollows)
{
    CString s("a\0b", 3);
    ASSERT_EQ(3, s.GetLength());
    EXPECT_EQ('\0', s[1]);
    EXPECT_EQ('\0', static_cast<LPCSTR>(s)[3]);

    CString joined = s + CString("\0c", 2);
    EXPECT_EQ(std::string("a\0b\0c", 5), Bytes(joined));
    EXPECT_EQ(std::string("b\0c", 3), Bytes(joined.Mid(2)));
    EXPECT_EQ(3, joined.Find('\0', 2));
    EXPECT_EQ(4, joined.ReverseFind('c'));
    EXPECT_EQ(-1, joined.Find('c', 99));
    EXPECT_EQ(-1, joined.Find("b", -1));

    joined.MakeUpper();
    EXPECT_EQ(std::string("A\0B\0C", 5), Bytes(joined));
    // Comparison stops at the first zero byte, as lstrcmp does.
    EXPECT_TRUE(joined == "A");

    CString padded(" \t\0x \r\n", 7);
    padded.TrimLeft();
    padded.TrimRight();
    EXPECT_EQ(std::string("\0x", 2), Bytes(padded));
    padded.TrimLeft('\0');
    padded.TrimRight('x');
    EXPECT_TRUE(padded.IsEmpty());
}

TEST(CStringTest, LeftMidRightClampAsTheFrameworkDoes)
{
    const CString s("abcdef");
    struct { CString actual; const char* expected; } cases[] = {
        { s.Left(-1), "" },       { s.Left(0), "" },         { s.Left(3), "abc" },
        { s.Left(99), "abcdef" }, { s.Right(-4), "" },       { s.Right(2), "ef" },
        { s.Right(99), "abcdef" },{ s.Mid(-2, 3), "abc" },   { s.Mid(2, -1), "" },
        { s.Mid(4, 99), "ef" },   { s.Mid(6, 1), "" },       { s.Mid(99), "" },
        { s.Mid(-5), "abcdef" },  { s.Mid(1, 2), "bc" },
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
        EXPECT_STREQ(cases[i].expected, cases[i].actual) << "case " << i;
}

TEST(CStringTest, BuffersGrowAndTakeTheWrittenLength)
{
    CString s("xy");
    char* p = s.GetBuffer(100);
    EXPECT_STREQ("xy", p);
    strcpy(p, "a longer text written by a platform call");
    s.ReleaseBuffer();
    EXPECT_EQ(40, s.GetLength());

    s.GetBuffer(10);
    s.ReleaseBuffer(3);
    EXPECT_STREQ("a l", s);

    char* q = s.GetBufferSetLength(6);
    EXPECT_EQ(6, s.GetLength());
    EXPECT_EQ('\0', q[6]);
}

TEST(CStringTest, AppendsToItselfAndAssignsFromItsOwnParts)
{
    CString s("abc");
    s += s;
    s += s;
    EXPECT_STREQ("abcabcabcabc", s);
    s = s.Mid(3, 4);
    EXPECT_STREQ("abca", s);
    s = static_cast<LPCSTR>(s) + 1;
    EXPECT_STREQ("bca", s);
}

TEST(CStringTest, FormatsPastAnyFixedBuffer)
{
    CString big('x', 5000);
    CString s;
    s.Format("%d-%s-%I64u", -42, static_cast<LPCSTR>(big), 1ULL << 40);
    EXPECT_EQ(4 + 5000 + 14, s.GetLength());
    EXPECT_EQ(0, strncmp(s, "-42-xxx", 7));
    EXPECT_STREQ("-1099511627776", static_cast<LPCSTR>(s) + 5004);

    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CStringTest, WideTextConvertsWithTheAnsiCodePage)
{
    const wchar_t wide[] = L"Gr\u00fc\u00dfe \u20ac";
    char expected[32];
    int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, expected, sizeof expected, NULL, NULL);
    CString s(wide);
    EXPECT_EQ(n - 1, s.GetLength());
    EXPECT_STREQ(expected, s);
    EXPECT_TRUE(CString(static_cast<LPCWSTR>(NULL)).IsEmpty());
}
