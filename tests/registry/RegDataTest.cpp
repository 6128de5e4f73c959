// CRegData's forms: the bytes and type each constructor makes, and what the
// number views read from them.
#include "library/CFUtils.h"

#include "TestSupport.h"

#include <string>

namespace {

TEST(RegDataTest, FormsAndNumberViews)
{
    unsigned char raw[] = {'1', 0, 0xff, 0, '2'};
    CString withZero("a\0b", 3);
    const struct
    {
        CRegData data;
        std::string bytes;   // the length counts a number's or flag's terminating zero
        DWORD type;
        int asInt;
        unsigned asUnsigned;
    } cases[] = {
        {CRegData(123u), std::string("123", 4), REG_SZ, 123, 123},
        {CRegData(4294967295u), std::string("-1", 3), REG_SZ, -1, 4294967295u},   // signed on purpose
        {CRegData(-2147483647 - 1, 0), std::string("-2147483648", 12), REG_SZ, -2147483647 - 1, 2147483648u},
        {CRegData(7, 1), std::string("On", 3), REG_SZ, 1, 0},
        {CRegData(0, 1), std::string("Off", 4), REG_SZ, 0, 0},
        {CRegData("oN"), "oN", REG_SZ, 1, 0},
        {CRegData("OFF"), "OFF", REG_SZ, 0, 0},
        {CRegData("Onward"), "Onward", REG_SZ, 0, 0},
        {CRegData("42abc"), "42abc", REG_SZ, 42, 42},
        {CRegData("-5"), "-5", REG_SZ, -5, 4294967291u},
        {CRegData(withZero), std::string("a\0b", 3), REG_SZ, 0, 0},
        {CRegData(raw, sizeof raw, REG_BINARY), std::string("1\0\xff\0" "2", 5), REG_BINARY, 0, 0},   // never parsed
        {CRegData(nullptr, 4, REG_BINARY), "", REG_BINARY, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        for (CRegData data : {c.data, CRegData(c.data), CRegData() = c.data}) {
            data.m_nValue = 0x5a5a5a5a;
            EXPECT_EQ(c.bytes, std::string(static_cast<LPCSTR>(data), size_t(data.GetLength())));
            EXPECT_EQ(c.type, data.GetType());
            EXPECT_EQ(c.asInt, *static_cast<int*>(data));
            EXPECT_EQ(c.asUnsigned, *static_cast<unsigned int*>(data));
        }
    }
}

} // namespace
