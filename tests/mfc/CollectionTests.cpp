// Arrays and lists the library leans on: indexes, positions that survive the
// removal of other nodes, and the framework's memory exception.
#include <afxcoll.h>
#include <afxtempl.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

// Like a registration: no copy constructor, assignment from a non-const source.
struct Record
{
    int id = 0;
    Record() = default;
    Record(const Record&) = delete;
    Record& operator=(Record& other)
    {
        id = other.id;
        return *this;
    }
};

std::vector<int> Ids(CList<Record, Record&>& list)
{
    std::vector<int> ids;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        ids.push_back(list.GetNext(pos).id);
    return ids;
}

} // namespace

TEST(CListTest, RemovingWhileIteratingKeepsTheNotedPosition)
{
    CList<Record, Record&> list;
    for (int i = 1; i <= 6; ++i) {
        Record r;
        r.id = i;
        list.AddTail(r);
    }
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        POSITION current = pos;
        if (list.GetNext(pos).id % 2 == 0)
            list.RemoveAt(current);
    }
    EXPECT_EQ((std::vector<int>{1, 3, 5}), Ids(list));

    list.RemoveAt(list.GetHeadPosition());
    list.RemoveAt(list.GetTailPosition());
    EXPECT_EQ((std::vector<int>{3}), Ids(list));
    EXPECT_EQ(3, list.GetHead().id);
    EXPECT_EQ(3, list.GetTail().id);
    list.RemoveAt(list.GetHeadPosition());
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(NULL, list.GetHeadPosition());
    EXPECT_EQ(NULL, list.GetTailPosition());
}

TEST(CUIntArrayTest, AddReturnsTheIndexAndInsertPastTheEndPadsWithZeros)
{
    CUIntArray a;
    EXPECT_EQ(0, a.Add(7));
    EXPECT_EQ(1, a.Add(7));
    a.InsertAt(4, 9);
    ASSERT_EQ(5, a.GetSize());
    EXPECT_EQ(0u, a[2]);
    EXPECT_EQ(9u, a[4]);
    a.RemoveAt(0, 2);
    EXPECT_EQ(3, a.GetSize());

    CUIntArray b;
    b.Add(1);
    b.Copy(a);
    EXPECT_EQ(3, b.GetSize());
    EXPECT_EQ(9u, b[2]);
}

TEST(CUIntArrayTest, ExhaustedMemoryThrowsTheFrameworkException)
{
    CPtrArray a;
    a.Add(&a);
    bool thrown = false;
    try {
        a.SetSize(INT_PTR(1) << 58);
    } catch (CMemoryException* e) {
        thrown = e->IsKindOf(RUNTIME_CLASS(CException));
        e->Delete();
    }
    EXPECT_TRUE(thrown);
    ASSERT_EQ(1, a.GetSize());
    EXPECT_EQ(&a, a[0]);
}
