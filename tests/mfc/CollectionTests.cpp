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
    Record& operator=(Record& other) = default;
};

} // namespace

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

    bool thrown = false;
    try {
        a.SetSize(INT_PTR(1) << 58);
    } catch (CMemoryException* e) {
        thrown = e->IsKindOf(RUNTIME_CLASS(CException));
        e->Delete();
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(4, a.GetSize());
}
