#include "RegFile.h"

#include "Commands.h"
#include "RegTree.h"
#include "library/Handles.h"

#include <algorithm>
#include <cstdio>

namespace cfu::cli {

namespace {

const struct
{
    HKEY root;
    const char* name;
} kRoots[] = {
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_USERS, "HKEY_USERS"},
};

const char kVersion4[] = "REGEDIT4";
const char kVersion5[] = "Windows Registry Editor Version 5.00";

/////////////////////////////////////////////////////////////////////////////
// Writing

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

// A string is written as text only when the text gives back the same bytes.
bool IsPlainText(DWORD type, const std::string& data)
{
    return type == REG_SZ && !data.empty() && data.back() == '\0' && data.find('\0') == data.size() - 1 &&
           data.find_first_of("\r\n") == std::string::npos;
}

std::string ValueText(DWORD type, const std::string& data)
{
    if (IsPlainText(type, data))
        return Quoted(data.substr(0, data.size() - 1));
    if (type == REG_DWORD && data.size() == 4) {
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08lx", *reinterpret_cast<const DWORD*>(data.data()));
        return text;
    }
    char kind[24] = "hex:";
    if (type != REG_BINARY)
        std::snprintf(kind, sizeof kind, "hex(%lx):", type);
    std::string out = kind;
    size_t lineStart = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(data[i]));
        out += byte;
        if (i + 1 < data.size()) {
            out += ',';
            if (out.size() - lineStart > 74) {
                out += "\\\r\n  ";
                lineStart = out.size();
            }
        }
    }
    return out;
}

/////////////////////////////////////////////////////////////////////////////
// Reading

[[noreturn]] void Malformed(int line, const std::string& what)
{
    throw Failure("line " + std::to_string(line) + ": " + what, ERROR_BAD_FORMAT);
}

// The file as ANSI text; regedit's own export is UTF-16 with a byte-order mark.
std::string AnsiText(const std::string& bytes)
{
    if (bytes.size() < 2 || bytes[0] != '\xff' || bytes[1] != '\xfe')
        return bytes;
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(bytes.data() + 2);
    const int chars = int((bytes.size() - 2) / 2);
    std::string text(size_t(chars) * 2, '\0');
    text.resize(size_t(WideCharToMultiByte(CP_ACP, 0, wide, chars, &text[0], int(text.size()), NULL, NULL)));
    return text;
}

// Text types of a version 5 file carry UTF-16 bytes; RegSetValueExA takes ANSI.
std::string AnsiBytes(const std::string& utf16)
{
    std::string ansi(utf16.size() + 1, '\0');
    ansi.resize(size_t(WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(utf16.data()),
                                           int(utf16.size() / 2), &ansi[0], int(ansi.size()), NULL, NULL)));
    return ansi;
}

// The logical lines of the text, each with the number of the line it starts
// on: a line that ends with a backslash goes on in the next one (regedit cuts
// long hex lists so).
std::vector<std::pair<int, std::string>> LogicalLines(const std::string& text)
{
    std::vector<std::pair<int, std::string>> lines;
    bool continued = false;
    int number = 0;
    for (size_t pos = 0; pos <= text.size(); ++number) {
        size_t end = std::min(text.find('\n', pos), text.size());
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (continued)
            lines.back().second += line.substr(std::min(line.find_first_not_of(" \t"), line.size()));
        else
            lines.push_back({number + 1, line});
        std::string& last = lines.back().second;
        continued = !last.empty() && last.back() == '\\';
        if (continued)
            last.pop_back();
    }
    return lines;
}

// A quoted string at text[pos] ('"' there); pos moves past the closing quote.
std::string Unquote(const std::string& text, size_t& pos, int line)
{
    std::string out;
    for (++pos; pos < text.size() && text[pos] != '"'; ++pos) {
        if (text[pos] == '\\' && ++pos == text.size())
            break;
        out += text[pos];
    }
    if (pos >= text.size())
        Malformed(line, "a quoted text does not end");
    ++pos;
    return out;
}

std::string HexBytes(const std::string& list, int line)
{
    std::string bytes;
    size_t pos = 0;
    while (pos < list.size()) {
        const size_t comma = list.find(',', pos);
        const std::string item = list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        char* end = nullptr;
        const unsigned long byte = std::strtoul(item.c_str(), &end, 16);
        if (item.empty() || item.size() > 2 || *end || byte > 0xFF)
            Malformed(line, "'" + item + "' is not a byte in hexadecimal");
        bytes += char(byte);
        if (comma == std::string::npos)
            break;
        pos = comma + 1;
    }
    return bytes;
}

RegFileValue ParseValue(const std::string& text, int line, bool version5)
{
    RegFileValue value;
    size_t pos = 0;
    if (text[0] == '@')
        pos = 1;
    else
        value.name = Unquote(text, pos, line);
    if (pos >= text.size() || text[pos] != '=')
        Malformed(line, "a value's name is not followed by '='");
    const std::string data = text.substr(pos + 1);
    if (data == "-")
        Malformed(line, "value deletions are not taken");
    if (!data.empty() && data[0] == '"') {
        size_t at = 0;
        value.type = REG_SZ;
        value.data = Unquote(data, at, line) + '\0';
        if (at != data.size())
            Malformed(line, "text after a quoted value");
        return value;
    }
    if (data.compare(0, 6, "dword:") == 0) {
        char* end = nullptr;
        const std::string digits = data.substr(6);
        const DWORD number = std::strtoul(digits.c_str(), &end, 16);
        if (digits.empty() || digits.size() > 8 || *end)
            Malformed(line, "'" + digits + "' is not a dword in hexadecimal");
        value.type = REG_DWORD;
        value.data.assign(reinterpret_cast<const char*>(&number), sizeof number);
        return value;
    }
    size_t colon = data.find(':');
    if (data.compare(0, 4, "hex:") == 0) {
        value.type = REG_BINARY;
    } else if (data.compare(0, 4, "hex(") == 0 && colon != std::string::npos && data[colon - 1] == ')') {
        char* end = nullptr;
        value.type = std::strtoul(data.c_str() + 4, &end, 16);
        if (end != data.c_str() + colon - 1)
            Malformed(line, "'" + data.substr(0, colon) + "' is not a value type");
    } else {
        Malformed(line, "'" + data.substr(0, 20) + "' is not a value");
    }
    value.data = HexBytes(data.substr(colon + 1), line);
    if (version5 && (value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ))
        value.data = AnsiBytes(value.data);
    return value;
}

RegFileKey ParseKeyHeader(const std::string& text, int line)
{
    if (text.back() != ']')
        Malformed(line, "a key's name does not end with ']'");
    const std::string name = text.substr(1, text.size() - 2);
    if (!name.empty() && name[0] == '-')
        Malformed(line, "key deletions are not taken");
    const size_t slash = name.find('\\');
    for (const auto& root : kRoots)
        if (name.compare(0, slash, root.name) == 0 && slash != std::string::npos && slash + 1 < name.size())
            return {root.root, name.substr(slash + 1), line, {}};
    Malformed(line, "'" + name + "' is not a key below a root key");
}

} // namespace

std::string WriteRegFile(const std::vector<std::pair<HKEY, std::string>>& trees)
{
    std::string out = std::string(kVersion4) + "\r\n";
    for (const auto& [root, path] : trees) {
        const auto known =
            std::find_if(std::begin(kRoots), std::end(kRoots), [&](const auto& r) { return r.root == root; });
        // A key comes before its subkeys: "a" sorts before "a\\b".
        for (const auto& [rel, values] : cfu::tools::ReadTree(root, path)) {
            out += "\r\n[" + std::string(known->name) + "\\" + path + (rel.empty() ? "" : "\\" + rel) + "]\r\n";
            for (const auto& [name, value] : values)
                out += (name.empty() ? "@" : Quoted(name)) + "=" + ValueText(value.first, value.second) + "\r\n";
        }
    }
    return out + "\r\n";
}

std::vector<RegFileKey> ReadRegFile(const std::string& bytes)
{
    const auto lines = LogicalLines(AnsiText(bytes));
    const std::string& header = lines.front().second;
    const bool version5 = header == kVersion5;
    if (!version5 && header != kVersion4)
        Malformed(1, "the file does not start with \"REGEDIT4\" or \"" + std::string(kVersion5) + "\"");
    std::vector<RegFileKey> keys;
    for (size_t i = 1; i < lines.size(); ++i) {
        const auto& [number, text] = lines[i];
        if (text.empty() || text[0] == ';')
            continue;
        if (text[0] == '[')
            keys.push_back(ParseKeyHeader(text, number));
        else if (keys.empty())
            Malformed(number, "a value before any key");
        else if (text[0] == '"' || text[0] == '@')
            keys.back().values.push_back(ParseValue(text, number, version5));
        else
            Malformed(number, "neither a key nor a value");
    }
    return keys;
}

void ApplyRegFile(const std::vector<RegFileKey>& keys)
{
    for (const RegFileKey& k : keys) {
        unique_hkey key;
        LONG status = RegCreateKeyExA(k.root, k.path.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, NULL,
                                      key.put(), NULL);
        for (size_t i = 0; status == ERROR_SUCCESS && i < k.values.size(); ++i)
            status = RegSetValueExA(key.get(), k.values[i].name.c_str(), 0, k.values[i].type,
                                    reinterpret_cast<const BYTE*>(k.values[i].data.data()),
                                    DWORD(k.values[i].data.size()));
        if (status != ERROR_SUCCESS)
            throw Failure("cannot write the key of line " + std::to_string(k.line), DWORD(status));
    }
}

} // namespace cfu::cli
