#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace tesselar {

// Lays out --help as GNU tools do: the synopsis, the program's description, then one line per
// option with its names and value in a column of their own; a line break in an option's
// description continues it under the first line.
class HelpLayout : public CLI::Formatter {
public:
    HelpLayout();

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override;
    // "Usage: NAME" and every option but help and version: required ones bare ("-o OUTPUT"),
    // repeatable ones followed by "[-a NAME=FILE ...]", the others in brackets ("[-q]").
    std::string make_usage(const CLI::App* app, std::string name) const override;
    // "-a, --attribute", or "    --crs" with the long names lined up.
    std::string make_option_name(const CLI::Option* option, bool positional) const override;
    // " NAME=FILE", or nothing for a flag.
    std::string make_option_opts(const CLI::Option* option) const override;
};

}  // namespace tesselar
