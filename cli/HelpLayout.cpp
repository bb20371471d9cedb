#include "cli/HelpLayout.h"

#include <cstddef>

namespace tesselar {

namespace {

// Where the descriptions begin, as in the help of the GNU tools.
constexpr std::size_t kDescriptionColumn = 29;
constexpr std::size_t kNamesIndent = 2;

bool TakesValue(const CLI::Option& option) {
    return option.get_items_expected_max() > 0;
}

bool InSynopsis(const CLI::App& app, const CLI::Option* option) {
    return option != app.get_help_ptr() && option != app.get_version_ptr();
}

// "-t polygon|point": the short name when there is one, and the value.
std::string SynopsisItem(const CLI::Option& option) {
    const auto& shortNames = option.get_snames();
    std::string item =
        shortNames.empty() ? "--" + option.get_lnames().front() : "-" + shortNames.front();
    if (TakesValue(option)) {
        item += ' ' + option.get_type_name();
    }
    return item;
}

// "-a, --attribute NAME=FILE", or "    --version" with the long names lined up.
std::string HelpNames(const CLI::Option& option) {
    const auto& shortNames = option.get_snames();
    const auto& longNames = option.get_lnames();
    std::string names = shortNames.empty() ? "    " : "-" + shortNames.front();
    if (!longNames.empty()) {
        names += (shortNames.empty() ? "--" : ", --") + longNames.front();
    }
    if (TakesValue(option)) {
        names += ' ' + option.get_type_name();
    }
    return names;
}

std::string HelpLine(const CLI::Option& option) {
    std::string line = std::string(kNamesIndent, ' ') + HelpNames(option);
    const std::string indent(kDescriptionColumn, ' ');
    // Names too long for their column leave the description to the next line.
    line += line.size() < kDescriptionColumn - 1
                ? std::string(kDescriptionColumn - line.size(), ' ')
                : '\n' + indent;
    for (const char c : option.get_description()) {
        line += c == '\n' ? '\n' + indent : std::string(1, c);
    }
    return line + '\n';
}

}  // namespace

std::string UsageSynopsis(const CLI::App& app) {
    std::string synopsis = "Usage: " + app.get_name();
    for (const CLI::Option* option : app.get_options()) {
        if (!InSynopsis(app, option)) {
            continue;
        }
        const std::string item = SynopsisItem(*option);
        if (!option->get_required()) {
            synopsis += " [" + item + "]";
        } else if (option->get_items_expected_max() > 1) {
            synopsis += ' ' + item + " [" + item + " ...]";
        } else {
            synopsis += ' ' + item;
        }
    }
    return synopsis + '\n';
}

std::string HelpLayout::make_help(const CLI::App* app, std::string /*name*/,
                                  CLI::AppFormatMode /*mode*/) const {
    std::string help = UsageSynopsis(*app) + '\n' + app->get_description() + "\n\nOptions:\n";
    for (const CLI::Option* option : app->get_options()) {
        help += HelpLine(*option);
    }
    return help;
}

}  // namespace tesselar
