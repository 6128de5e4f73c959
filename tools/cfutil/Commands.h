// The subcommands of cfutil, each group adding itself to the application,
// and what they share: failures that carry the platform's status.
#pragma once

#include <windows.h>

#include <CLI/CLI.hpp>

#include <stdexcept>
#include <string>

namespace cfu::cli {

// A command that could not do its job. main prints "cfutil: <what>" on
// standard error and ends with status 1.
class Failure : public std::runtime_error
{
public:
    explicit Failure(const std::string& what) : std::runtime_error(what) {}
    // what, followed by the status and the platform's text for it.
    Failure(const std::string& what, DWORD status);
};

// A message by number (decimal or 0x...) or by its registered name.
UINT MessageByName(const std::string& text);
// A number in decimal or 0x... hexadecimal; Failure otherwise.
unsigned long long ParseNumber(const std::string& text, const char* what);
// The router window, or Failure when no router runs.
HWND FindRouter();

void AddRouterCommands(CLI::App& app);
void AddSchemeCommands(CLI::App& app);
void AddDriverCommands(CLI::App& app);
void AddDoctorCommand(CLI::App& app);

} // namespace cfu::cli
