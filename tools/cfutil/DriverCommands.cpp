// cfutil driver write: a driver-side client sending one record to the
// running router's driver pipe.
#include "Commands.h"

#include "CFUtils.h"

#include <cstdio>

namespace cfu::cli {

namespace {

std::string g_code;
std::string g_text;

void Write()
{
    const UINT code = UINT(ParseNumber(g_code, "code"));
    FindRouter();
    CDriverPipe client;
    if (!client.InitialClientSide())
        throw Failure("the router's process handed out no driver pipe", GetLastError() ? GetLastError()
                                                                                        : ERROR_PIPE_NOT_CONNECTED);
    if (!client.WriteDataToClientPipe(UINT(g_text.size()), code, g_text.data()))
        throw Failure("cannot write the record", GetLastError());
    std::printf("record written: code %u, %zu byte(s)\n", code, g_text.size());
}

} // namespace

void AddDriverCommands(CLI::App& app)
{
    CLI::App* driver = app.add_subcommand("driver", "The driver pipe of the running router");
    driver->require_subcommand(1);
    CLI::App* write = driver->add_subcommand("write", "Send one record (code and text) as a driver-side process");
    write->add_option("CODE", g_code, "The record's 32-bit code")->required();
    write->add_option("TEXT", g_text, "The record's payload")->required();
    write->callback(&Write);
}

} // namespace cfu::cli
