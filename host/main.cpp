// obrenta: the command-line host of the engine.

#include "host/history_command.h"
#include "host/reg_command.h"
#include "host/register_command.h"
#include "host/run_command.h"
#include "host/setup_command.h"
#include "host/vbs_command.h"
#include "platform/process/descriptor_limit.h"

#include <cstring>
#include <iostream>

namespace {

void Usage(std::ostream& err) {
    err << "usage: obrenta run [--level HEX] [--seconds N] [--exit-when-idle] [--jobs [DIR]]\n"
           "                  [--web ADDRESS:PORT] [FILE...]\n"
           "       obrenta check [--next N [--from \"YYYY-MM-DD HH:MM:SS\"]] FILE...\n"
           "       obrenta history [--job PATTERN] [--since TIME] [--failed] [--limit N] "
           "[--json]\n"
           "       obrenta reg query KEY [NAME]\n"
           "       obrenta reg add KEY NAME DATA\n"
           "       obrenta reg delete KEY [NAME]\n"
           "       obrenta vbs FILE [ARGS...]\n"
           "       obrenta register [--unregister] [LIBRARY]\n"
           "       obrenta setup install|upgrade|remove|init|shutdown [--prefix DIR] ...\n"
           "       obrenta setup patch VERSION [--prefix DIR] [--jobs DIR]\n";
}

} // namespace

int main(int argc, char** argv) {
    // Many running children, console connections and open files must not exhaust
    // the usual soft limit of 1024 while the hard limit allows more.
    static_cast<void>(ob::process::RaiseDescriptorLimit());
    if (argc < 2) {
        Usage(std::cerr);
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "run") == 0) {
        return ob::host::RunCommand(argc - 1, argv + 1, std::cout, std::cerr);
    }
    if (std::strcmp(command, "check") == 0) {
        return ob::host::CheckCommand(argc - 1, argv + 1, std::cout, std::cerr);
    }
    if (std::strcmp(command, "history") == 0) {
        return ob::host::HistoryCommand(argc - 1, argv + 1, std::cout, std::cerr);
    }
    if (std::strcmp(command, "reg") == 0) {
        return ob::host::RunRegCommand(argc - 1, argv + 1, std::cout, std::cerr);
    }
    if (std::strcmp(command, "register") == 0) {
        return ob::host::RunRegisterCommand(argc - 1, argv + 1, std::cout, std::cerr);
    }
    if (std::strcmp(command, "setup") == 0) {
        return ob::host::RunSetupCommand(argc - 1, argv + 1, std::cout, std::cerr);
    }
    if (std::strcmp(command, "vbs") == 0) {
        return ob::host::RunVbsCommand(argc - 1, argv + 1, std::cout, std::cerr);
    }
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "help") == 0) {
        Usage(std::cout);
        return 0;
    }
    std::cerr << "obrenta: unknown command " << command << "\n";
    Usage(std::cerr);
    return 2;
}
