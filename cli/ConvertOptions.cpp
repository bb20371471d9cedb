#include "cli/ConvertOptions.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>

#include "conversion/ConversionJob.h"

namespace tesselar {

const char* const kConvertSynopsis =
    "Usage: tesselar-convert -x X_FILE -y Y_FILE -a NAME=FILE [-a NAME=FILE ...] -o OUTPUT "
    "[-t polygon|point] [-q]\n";

const char* const kConvertOptionsHelp =
    "Converts a Nerasco grid into a polygon shape file (one polygon per cell), or a set of\n"
    "particles into a point shape file, with one numeric column per attribute.\n"
    "\n"
    "Options:\n"
    "  -x, --x-file X_FILE        X axys file: the X coordinate of every node or particle\n"
    "  -y, --y-file Y_FILE        Y axys file: the Y coordinates, in the same order\n"
    "  -a, --attribute NAME=FILE  a column NAME with the values of FILE, one per cell or\n"
    "                             particle; 1 to 50 of them, in column order\n"
    "  -o, --output OUTPUT        the shape file to write; \".shp\" is added when missing\n"
    "  -t, --type polygon|point   polygon (the default): one polygon per grid cell;\n"
    "                             point: one point per particle\n"
    "  -q, --quiet                print nothing but errors\n"
    "  -h, --help                 show this help and exit\n"
    "      --version              show the version and exit\n";

namespace {

enum class Option { XFile, YFile, Attribute, Output, Type, Quiet, Help, Version };

struct OptionName {
    Option option;
    std::string_view shortName;  // empty when there is none
    std::string_view longName;
    bool takesValue;
};

constexpr OptionName kOptions[] = {
    {Option::XFile, "-x", "--x-file", true},        {Option::YFile, "-y", "--y-file", true},
    {Option::Attribute, "-a", "--attribute", true}, {Option::Output, "-o", "--output", true},
    {Option::Type, "-t", "--type", true},           {Option::Quiet, "-q", "--quiet", false},
    {Option::Help, "-h", "--help", false},          {Option::Version, "", "--version", false},
};

const OptionName* FindOption(std::string_view name) {
    for (const OptionName& candidate : kOptions) {
        if (name == candidate.longName ||
            (!candidate.shortName.empty() && name == candidate.shortName)) {
            return &candidate;
        }
    }
    return nullptr;
}

std::string Lowercase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string Spelled(const OptionName& name) {
    return name.shortName.empty()
               ? std::string(name.longName)
               : std::string(name.shortName) + " (" + std::string(name.longName) + ")";
}

void SetOnce(std::string& target, const std::string& value, const OptionName& name) {
    if (!target.empty()) {
        throw UsageError("option " + Spelled(name) + " is given more than once");
    }
    if (value.empty()) {
        throw UsageError("option " + Spelled(name) + " needs a non-empty value");
    }
    target = value;
}

// NAME=FILE, split at the first "=".
void AddAttribute(ConvertOptions& options, const std::string& value) {
    const auto equals = value.find('=');
    if (equals == std::string::npos) {
        throw UsageError("attribute '" + value + "' has no '=': give it as NAME=FILE");
    }
    std::string name = value.substr(0, equals);
    std::string file = value.substr(equals + 1);
    if (name.empty()) {
        throw UsageError("attribute '" + value + "' has no name before the '='");
    }
    if (file.empty()) {
        throw UsageError("attribute '" + value + "' has no file after the '='");
    }
    if (options.attributes.size() == static_cast<std::size_t>(kMaxAttributes)) {
        throw UsageError("too many attributes: a shape file takes at most " +
                         std::to_string(kMaxAttributes));
    }
    options.attributes.emplace_back(std::move(name), std::move(file));
}

ShapeType ShapeTypeOf(const std::string& value) {
    const std::string lower = Lowercase(value);
    if (lower == "polygon") {
        return ShapeType::Polygon;
    }
    if (lower == "point") {
        return ShapeType::Point;
    }
    throw UsageError("unknown shape type '" + value + "': use polygon or point");
}

// OUTPUT names the .shp file, with or without its extension.
void SetOutput(ConvertOptions& options, const std::string& output) {
    const bool hasExtension =
        output.size() >= 4 && Lowercase(output.substr(output.size() - 4)) == ".shp";
    options.shpPath = hasExtension ? output : output + ".shp";
    const auto slash = options.shpPath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    options.shapeFileName =
        options.shpPath.substr(nameStart, options.shpPath.size() - 4 - nameStart);
    if (options.shapeFileName.empty()) {
        throw UsageError("output '" + output + "' names no file");
    }
    if (slash == std::string::npos) {
        options.shapeFolder = ".";
    } else {
        options.shapeFolder = slash == 0 ? "/" : options.shpPath.substr(0, slash);
    }
}

}  // namespace

ConvertOptions ParseConvertOptions(const std::vector<std::string>& arguments) {
    ConvertOptions options;
    std::string output;
    std::string type;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        // "--name=value" carries its value; every other option takes the next argument.
        std::string_view name = argument;
        std::optional<std::string> value;
        const auto equals = argument.find('=');
        if (argument.starts_with("--") && equals != std::string::npos) {
            name = std::string_view(argument).substr(0, equals);
            value = argument.substr(equals + 1);
        }
        const OptionName* option = FindOption(name);
        if (option == nullptr) {
            if (argument.size() > 1 && argument.front() == '-') {
                throw UsageError("unknown option '" + std::string(name) + "'");
            }
            throw UsageError("unexpected argument '" + argument + "'");
        }
        if (!option->takesValue && value) {
            throw UsageError("option " + Spelled(*option) + " takes no value");
        }
        if (option->takesValue && !value) {
            if (index + 1 == arguments.size()) {
                throw UsageError("option " + Spelled(*option) + " needs a value");
            }
            value = arguments[++index];
        }
        switch (option->option) {
            case Option::XFile:
                SetOnce(options.xFile, *value, *option);
                break;
            case Option::YFile:
                SetOnce(options.yFile, *value, *option);
                break;
            case Option::Attribute:
                AddAttribute(options, *value);
                break;
            case Option::Output:
                SetOnce(output, *value, *option);
                break;
            case Option::Type:
                SetOnce(type, *value, *option);
                options.shapeType = ShapeTypeOf(type);
                break;
            case Option::Quiet:
                options.quiet = true;
                break;
            case Option::Help:
                options.action = ConvertOptions::Action::ShowHelp;
                return options;
            case Option::Version:
                options.action = ConvertOptions::Action::ShowVersion;
                return options;
        }
    }

    if (options.xFile.empty()) {
        throw UsageError("the X axys file is missing: give it with -x X_FILE");
    }
    if (options.yFile.empty()) {
        throw UsageError("the Y axys file is missing: give it with -y Y_FILE");
    }
    if (options.attributes.empty()) {
        throw UsageError("no attribute: give at least one with -a NAME=FILE");
    }
    if (output.empty()) {
        throw UsageError("the output shape file is missing: give it with -o OUTPUT");
    }
    SetOutput(options, output);
    return options;
}

}  // namespace tesselar
