// CString against the framework's documented behaviour (binary-safe data,
// clamping of Left/Mid/Right, comparisons as the C runtime's, buffers,
// formatting and conversion), and the arrays and lists the library leans on.
#include <afxcoll.h>
#include <afxtempl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Bytes(const CString& s)
{
    return std::string(static_cast<LPCSTR>(s), size_t(s.GetLength()));
}

// Like a registration: no copy constructor, assignment from a non-const source.
struct Record
{
    int id = 0;
    Record() = default;
    Record(const Record&) = delete;
    Record& operator=(Record& other) = default;
};

} // namespace

// Every view and edit keeps zero bytes, and exactly one zero follows the data.
TEST(CStringTest, ViewsKeepZeroBytesAndClampAsTheFrameworkDoes)
{
    const CString s("abcdef"), joined = CString("a\0b", 3) + CString("\0c", 2);
    CString upper = joined, padded(" \t\0x \r\n\v\f", 9), emptied;
    upper.MakeUpper();
    padded.TrimLeft();
    padded.TrimRight();
    emptied = padded;
    emptied.TrimLeft('\0');
    emptied.TrimRight('x');
    const struct { CString actual; std::string expected; } cases[] = {
        {joined, {"a\0b\0c", 5}},   {joined.Mid(2), {"b\0c", 3}}, {upper, {"A\0B\0C", 5}},
        {padded, {"\0x", 2}},        {emptied, ""},               {s.Left(-1), ""},
        {s.Left(1), "a"},            {s.Left(99), "abcdef"},       {s.Right(-4), ""},
        {s.Right(2), "ef"},          {s.Right(99), "abcdef"},      {s.Mid(-2, 3), "abc"},
        {s.Mid(2, -1), ""},          {s.Mid(4, 99), "ef"},         {s.Mid(6, 1), ""},
        {s.Mid(99), ""},             {s.Mid(-5), "abcdef"},        {s.Mid(1, 2), "bc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected + '\0', std::string(c.actual, size_t(c.actual.GetLength()) + 1));
    EXPECT_EQ(std::string("a\0", 2), std::string(1, joined[0]) + joined[1]);
    EXPECT_EQ((std::vector<int>{3, 4, -1, -1}), (std::vector<int>{joined.Find('\0', 2), joined.ReverseFind('c'),
                                                                 joined.Find('c', 99), joined.Find("b", -1)}));
    EXPECT_TRUE(upper == "A");   // comparison stops at the first zero byte, as lstrcmp does
}

TEST(CStringTest, ComparisonsOrderAsTheRuntimesStrcmpAndStricmp)
{
    const char* texts[] = {"", "abc", "ABD", "abd", "abc "};
    for (const char* a : texts) {
        for (const char* b : texts) {
            const CString s(a), t(b);
            const int c = strcmp(a, b), i = _stricmp(a, b), own = s.Compare(b), noCase = s.CompareNoCase(b);
            EXPECT_EQ((std::vector<bool>{c < 0, c > 0, i < 0, i > 0, c < 0, c < 0, c < 0, c == 0}),
                      (std::vector<bool>{own < 0, own > 0, noCase < 0, noCase > 0, s < b, a < t, s < t, s == t}))
                << a << " vs " << b;
        }
    }
}

TEST(CStringTest, BuffersAndFormatsGrowAppendsReadTheirOwnTextAndWideTextConverts)
{
    CString s("xy"), exact;
    char* p = s.GetBuffer(100);
    EXPECT_STREQ("xy", p);
    strcpy(p, "a longer text written by a platform call");
    s.ReleaseBuffer();
    EXPECT_EQ(40, s.GetLength());
    s.ReleaseBuffer(3);
    EXPECT_EQ(std::string("a l\0", 4), std::string(s.GetBufferSetLength(3), 4));
    memcpy(exact.GetBuffer(5), "12345", 5);
    exact.ReleaseBuffer(5);   // the whole allocation
    EXPECT_EQ("12345", Bytes(exact));

    s += s;
    s += s;
    s = s.Mid(3, 4);
    s = static_cast<LPCSTR>(s) + 1;
    EXPECT_STREQ(" la", s);

    CString big('x', 5000);
    s.Format("%d-%s-%I64u", -42, static_cast<LPCSTR>(big), 1ULL << 40);
    EXPECT_EQ("-42-" + std::string(5000, 'x') + "-1099511627776", Bytes(s));
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());

    const wchar_t wide[] = L"Gr\u00fc\u00dfe \u20ac";
    char expected[32];
    WideCharToMultiByte(CP_ACP, 0, wide, -1, expected, sizeof expected, NULL, NULL);
    EXPECT_EQ(expected, Bytes(CString(wide)));
    EXPECT_TRUE(CString(static_cast<LPCWSTR>(NULL)).IsEmpty());
}

TEST(CollectionTest, PositionsSurviveRemovalsIndexesPadAndExhaustedMemoryThrows)
{
    CList<Record, Record&> list;
    for (Record r; r.id < 6; list.AddTail(r))
        ++r.id;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        POSITION current = pos;
        if (list.GetNext(pos).id != 3)
            list.RemoveAt(current);
    }
    EXPECT_EQ(1, list.GetCount());
    EXPECT_EQ(std::make_pair(3, 3), std::make_pair(list.GetHead().id, list.GetTail().id));
    list.RemoveAt(list.GetTailPosition());
    EXPECT_TRUE(list.IsEmpty() && !list.GetHeadPosition() && !list.GetTailPosition());

    CUIntArray a, b;
    EXPECT_EQ(0, a.Add(7));
    EXPECT_EQ(1, a.Add(7));
    a.InsertAt(4, 9);
    a.RemoveAt(0, 1);
    b.Add(1);
    b.Copy(a);
    EXPECT_EQ((std::vector<UINT>{7, 0, 0, 9}), std::vector<UINT>(b.GetData(), b.GetData() + b.GetSize()));

    try {
        a.SetSize(INT_PTR(1) << 58);
        ADD_FAILURE() << "no CMemoryException";
    } catch (CMemoryException* e) {
        EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CException)));
        e->Delete();
    }
    EXPECT_EQ(4, a.GetSize());
}
