#include "TestSupport.h"

#include <sstream>

namespace cfu::test {

void ExpectSequence(const MsgLog& actual, const MsgEntry* expected, const char* context)
{
    size_t count = 0;
    while (expected[count].message || expected[count].wParam || expected[count].lParam || expected[count].who)
        ++count;
    bool same = count == actual.size();
    for (size_t i = 0; same && i < count; ++i)
        same = actual[i] == expected[i];
    if (same)
        return;
    std::ostringstream diff;
    diff << context << ": sequence differs\n";
    for (size_t i = 0; i < std::max(count, actual.size()); ++i) {
        auto line = [](const MsgEntry* e) {
            std::ostringstream s;
            if (!e)
                return std::string("(none)");
            s << "msg 0x" << std::hex << e->message << " w 0x" << e->wParam << " l 0x" << e->lParam
              << std::dec << " who " << e->who;
            return s.str();
        };
        diff << "  " << i << ": expected " << line(i < count ? &expected[i] : nullptr) << ", got "
             << line(i < actual.size() ? &actual[i] : nullptr)
             << ((i < count && i < actual.size() && actual[i] == expected[i]) ? "" : "   <--") << "\n";
    }
    ADD_FAILURE() << diff.str();
}

} // namespace cfu::test
