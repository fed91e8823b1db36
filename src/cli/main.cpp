// quillon-cli: the wizard without a display.
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return quillon::cli::RunCli(args, quillon::cli::LocateProgram(), std::cin, std::cout, std::cerr);
}
