#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace tesselar {

// "Usage: PROGRAM" and every option but help and version, from the options' declarations:
// required ones bare ("-o OUTPUT"), repeatable ones followed by "[-a NAME=FILE ...]", the others
// in brackets ("[-q]").
std::string UsageSynopsis(const CLI::App& app);

// Lays out --help as GNU tools do: the synopsis, the program's description, then one line per
// option with its names and value in a column of their own; a line break in an option's
// description continues it under the first line.
class HelpLayout : public CLI::FormatterBase {
public:
    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override;
};

}  // namespace tesselar
