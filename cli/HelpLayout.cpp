#include "cli/HelpLayout.h"

namespace tesselar {

namespace {

bool TakesValue(const CLI::Option& option) {
    return option.get_items_expected_max() > 0;
}

// "-t polygon|point": the short name when there is one, and the value.
std::string SynopsisItem(const CLI::Option& option) {
    const auto& shortNames = option.get_snames();
    std::string item =
        shortNames.empty() ? "--" + option.get_lnames().front() : "-" + shortNames.front();
    return TakesValue(option) ? item + ' ' + option.get_type_name() : item;
}

}  // namespace

// Where the descriptions begin, as in the help of the GNU tools.
HelpLayout::HelpLayout() {
    column_width(29);
}

std::string HelpLayout::make_help(const CLI::App* app, std::string name,
                                  CLI::AppFormatMode mode) const {
    return make_usage(app, name) + '\n' + app->get_description() + '\n' + make_groups(app, mode);
}

std::string HelpLayout::make_usage(const CLI::App* app, std::string name) const {
    std::string synopsis = "Usage: " + name;
    for (const CLI::Option* option : app->get_options()) {
        if (option == app->get_help_ptr() || option == app->get_version_ptr()) {
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

std::string HelpLayout::make_option_name(const CLI::Option* option, bool /*positional*/) const {
    const auto& shortNames = option->get_snames();
    return (shortNames.empty() ? "    --" : "-" + shortNames.front() + ", --") +
           option->get_lnames().front();
}

std::string HelpLayout::make_option_opts(const CLI::Option* option) const {
    return TakesValue(*option) ? ' ' + option->get_type_name() : std::string();
}

}  // namespace tesselar
