#include <unistd.h>

#include <clocale>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/ConvertCommand.h"

int main(int argc, char* argv[]) {
    // The user's locale, as the desktop program runs under.
    std::setlocale(LC_ALL, "");
    // A reader of stdout that has gone must not kill a conversion whose files are complete.
    std::signal(SIGPIPE, SIG_IGN);
    // Ctrl-C, SIGTERM and SIGHUP stop the conversion, which then removes its files.
    const tesselar::StopSignals stopSignals;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    tesselar::SystemClock clock;
    tesselar::PosixFileSystem files(stopSignals.Request());
    const int status =
        tesselar::RunConvertCommand(arguments, {std::cout, std::cerr, isatty(STDERR_FILENO) == 1},
                                    clock, files, stopSignals.Request());
    // The status tells what became of the files; a signal arriving now must not say otherwise.
    stopSignals.HoldUntilExit();
    return status;
}
