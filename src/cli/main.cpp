// quillon-cli: the wizard without a display.
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/FdStream.h"

int main(int argc, char** argv) {
    // Our own streams over the descriptors: every write is checked, and a failed one keeps its
    // reason for the message (std::cout would lose it, and flushing std::cerr flushes it early).
    quillon::cli::FdOutputBuffer out_buffer(1, true);
    quillon::cli::FdOutputBuffer err_buffer(2, false);
    std::ostream out(&out_buffer);
    std::ostream err(&err_buffer);
    std::vector<std::string> args(argv + 1, argv + argc);
    return quillon::cli::RunCli(args, quillon::cli::LocateProgram(), std::cin, out, err);
}
