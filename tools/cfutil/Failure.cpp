#include "Commands.h"

#include "CFRouter.h"
#include "library/Handles.h"

namespace cfu::cli {

namespace {

std::string StatusText(DWORD status)
{
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                   status, 0, reinterpret_cast<char*>(&text), 0, NULL);
    unique_hlocal owner(text);
    std::string result = text ? text : "unknown status";
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    return result;
}

} // namespace

Failure::Failure(const std::string& what, DWORD status)
    : std::runtime_error(what + ": status " + std::to_string(status) + " (" + StatusText(status) + ")")
{
}

unsigned long long ParseNumber(const std::string& text, const char* what)
{
    size_t used = 0;
    unsigned long long value = 0;
    try {
        value = std::stoull(text, &used, 0);
    } catch (const std::logic_error&) {
        used = 0;
    }
    if (text.empty() || used != text.size() || text[0] == '-')
        throw Failure(std::string(what) + " '" + text + "' is not a number", ERROR_INVALID_PARAMETER);
    return value;
}

UINT MessageByName(const std::string& text)
{
    if (!text.empty() && isdigit(static_cast<unsigned char>(text[0])))
        return UINT(ParseNumber(text, "message"));
    const UINT message = RegisterWindowMessageA(text.c_str());
    if (!message)
        throw Failure("cannot register the message name '" + text + "'", GetLastError());
    return message;
}

HWND FindRouter()
{
    HWND router = FindWindowA(cfu::router::kWindowClass, NULL);
    if (!router)
        throw Failure("no router is running (no window of the class \"" + std::string(cfu::router::kWindowClass) +
                          "\")",
                      ERROR_NOT_FOUND);
    return router;
}

} // namespace cfu::cli
