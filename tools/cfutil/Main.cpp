// cfutil: see and change the controller suite's state without writing a
// program. One subcommand per job; --help on each.
#include "Commands.h"

#include <cstdio>

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    CLI::App app{"cfutil: the controller suite's command-line tool"};
    app.require_subcommand(1);
    cfu::cli::AddRouterCommands(app);
    cfu::cli::AddSchemeCommands(app);
    cfu::cli::AddDriverCommands(app);
    cfu::cli::AddDoctorCommand(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "cfutil: %s (see --help)\n", error.what());
        return 1;
    } catch (const cfu::cli::Failure& failure) {
        std::fprintf(stderr, "cfutil: %s\n", failure.what());
        return 1;
    }
    return 0;
}
