#include "TestSupport.h"

#include <ostream>

namespace cfu::test {

void PrintTo(const MsgEntry& entry, std::ostream* out)
{
    *out << std::hex << "{msg 0x" << entry.message << ", w 0x" << entry.wParam << ", l 0x" << entry.lParam
         << std::dec << ", who " << entry.who << "}";
}

void ExpectSequence(const MsgLog& actual, const MsgEntry* expected, const char* context)
{
    const MsgEntry* end = expected;
    while (!(*end == MsgEntry{}))
        ++end;
    EXPECT_EQ(MsgLog(expected, end), actual) << context << ": sequence differs";
}

} // namespace cfu::test
