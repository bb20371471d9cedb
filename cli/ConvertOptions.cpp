#include "cli/ConvertOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <string_view>

#include "cli/HelpLayout.h"
#include "controls/shapefile/ShapeFileNames.h"
#include "conversion/AsciiCase.h"
#include "conversion/ConversionJob.h"
#include "crs/CoordinateSystemError.h"
#include "crs/ProjectionFile.h"
#include "readers/LineValue.h"
#include "readers/PrintableText.h"
#include "readers/StepTimes.h"

namespace tesselar {

namespace {

constexpr const char* kProgramName = "tesselar-convert";
constexpr const char* kDescription =
    "Converts a Nerasco grid into a polygon shape file (one polygon per cell), or a set of\n"
    "particles into a point shape file, with one numeric column per attribute.";

// NAME=FILE, split at the first "=".
void AddAttribute(ConvertOptions& options, const std::string& value) {
    const auto equals = value.find('=');
    if (equals == std::string::npos) {
        throw UsageError("attribute '" + PrintableText(value) +
                         "' has no '=': give it as NAME=FILE");
    }
    std::string name = value.substr(0, equals);
    std::string file = value.substr(equals + 1);
    if (name.empty()) {
        throw UsageError("attribute '" + PrintableText(value) + "' has no name before the '='");
    }
    if (file.empty()) {
        throw UsageError("attribute '" + PrintableText(value) + "' has no file after the '='");
    }
    if (options.attributes.size() == static_cast<std::size_t>(kMaxAttributes)) {
        throw UsageError("too many attributes: a shape file takes at most " +
                         std::to_string(kMaxAttributes));
    }
    options.attributes.emplace_back(std::move(name), std::move(file));
}

ShapeType ShapeTypeOf(const std::string& value) {
    const std::string lower = AsciiLowercase(value);
    if (lower == "polygon") {
        return ShapeType::Polygon;
    }
    if (lower == "point") {
        return ShapeType::Point;
    }
    throw UsageError("unknown shape type '" + PrintableText(value) + "': use polygon or point");
}

// OUTPUT names the .shp file, with or without its extension.
void SetOutput(ConvertOptions& options, const std::string& output) {
    const bool hasExtension =
        output.size() >= 4 && EqualIgnoringAsciiCase(output.substr(output.size() - 4), ".shp");
    options.shpPath = hasExtension ? output : output + ".shp";
    const std::string name = FileNameOf(options.shpPath);
    options.shapeFileName = name.substr(0, name.size() - 4);
    if (options.shapeFileName.empty()) {
        throw UsageError("output '" + PrintableText(output) + "' names no file");
    }
    options.shapeFolder = FolderOf(options.shpPath);
}

// --crs: the coordinate system is read at once, so that a wrong one is a usage error, and only
// once, so that a pipe serves.
void SetCrs(ConvertOptions& options, const std::string& value, StopRequest stop) {
    try {
        options.conversion.crs = ReadCoordinateSystemOption(value, stop);
    } catch (const CoordinateSystemError& error) {
        throw UsageError(std::string("option --crs: ") + error.what());
    }
}

// --nodata: a decimal number, rounded to hundredths as the reader rounds the values, unless
// they keep their digits.
double NoDataValue(const std::string& text, bool keepDigits) {
    const char* end = text.data() + text.size();
    const char* digits = text.starts_with('-') ? text.data() + 1 : text.data();
    double value = 0.0;
    const auto [numberEnd, error] = std::from_chars(text.data(), end, value);
    // from_chars also reads "inf" and "nan", which are no values of a value line.
    const bool plain =
        digits != end && (std::isdigit(static_cast<unsigned char>(*digits)) || *digits == '.');
    if (!plain || numberEnd != end || error == std::errc::invalid_argument) {
        throw UsageError("option --nodata: '" + PrintableText(text) + "' is not a number");
    }
    if (error == std::errc::result_out_of_range || (!keepDigits && !ReadLineValue(text, value))) {
        throw UsageError("option --nodata: '" + PrintableText(text) +
                         "' lies beyond the range of a double");
    }
    return value;
}

// --time: an ISO 8601 date-time.
StepTime TimeStart(const std::string& text) {
    const auto time = ParseDateTime(text);
    if (!time) {
        throw UsageError("option --time: '" + PrintableText(text) +
                         "' is not an ISO 8601 date-time such as 2024-01-01T00:00:00Z");
    }
    return *time;
}

// --time-step: an ISO 8601 duration or seconds.
std::chrono::seconds TimeStep(const std::string& text) {
    const auto step = ParseDuration(text);
    if (!step) {
        throw UsageError("option --time-step: '" + PrintableText(text) +
                         "' is not a duration such as PT1H, PT30M, P1D or 3600 (seconds)");
    }
    return *step;
}

// "-x (--x-file)", or "--version" for an option with a long name only.
std::string Spelled(const CLI::Option& option) {
    const std::string longName = "--" + option.get_lnames().front();
    return option.get_snames().empty() ? longName
                                       : "-" + option.get_snames().front() + " (" + longName + ")";
}

// The options of tesselar-convert, declared once: the parser, the synopsis and the help all
// come from these declarations. Values that need more than storing are turned into
// ConvertOptions by the option's own function; a required option names what is missing.
class ConvertParser {
public:
    explicit ConvertParser(ConvertOptions& options, StopRequest stop = {})
        : options_(options), app_(kDescription, kProgramName) {
        app_.formatter(std::make_shared<HelpLayout>());
        app_.allow_extras();  // reported below in today's words
        // A repeated option is refused below, naming it; CLI11 only keeps its last value.
        app_.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

        Required(app_.add_option("-x,--x-file", options.xFile,
                                 "X axys file: the X coordinate of every node or particle")
                     ->type_name("X_FILE"),
                 "the X axys file is missing: give it with -x X_FILE");
        Required(app_.add_option("-y,--y-file", options.yFile,
                                 "Y axys file: the Y coordinates, in the same order")
                     ->type_name("Y_FILE"),
                 "the Y axys file is missing: give it with -y Y_FILE");
        Required(app_.add_option_function<std::vector<std::string>>(
                         "-a,--attribute",
                         [&options](const std::vector<std::string>& values) {
                             for (const std::string& value : values) {
                                 AddAttribute(options, value);
                             }
                         },
                         "a column NAME with the values of FILE, one per cell or\nparticle; 1 to " +
                             std::to_string(kMaxAttributes) + " of them, in column order")
                     ->type_name("NAME=FILE")
                     ->allow_extra_args(false),
                 "no attribute: give at least one with -a NAME=FILE");
        Required(app_.add_option_function<std::string>(
                         "-o,--output",
                         [&options](const std::string& value) { SetOutput(options, value); },
                         "the shape file to write; \".shp\" is added when missing")
                     ->type_name("OUTPUT"),
                 "the output shape file is missing: give it with -o OUTPUT");
        app_.add_option_function<std::string>(
                "-t,--type",
                [&options](const std::string& value) { options.shapeType = ShapeTypeOf(value); },
                "polygon (the default): one polygon per grid cell;\npoint: one point per particle")
            ->type_name("polygon|point");
        app_.add_flag("-q,--quiet", options.quiet, "print nothing but errors and warnings");
        app_.add_option_function<std::string>(
                "--crs",
                [&options, stop](const std::string& value) { SetCrs(options, value, stop); },
                "the coordinate system written as the .prj: a .prj or WKT\n"
                "file, or what PROJ reads (EPSG:<code>, ESRI:<code>, WKT,\n"
                "+proj=...), or none for no .prj; without it, the .prj\n"
                "beside X_FILE (grid_x.prj for grid_x.dat), if any")
            ->type_name("CRS");
        app_.add_flag("--keep-digits", options.conversion.keepDigits,
                      "every value keeps the digits read instead of being rounded\n"
                      "to 2 decimals");
        app_.add_flag("--fit-columns", options.conversion.columns.fitColumns,
                      "each attribute column as wide, with as many decimals, as\n"
                      "its values need (at most 19 characters)");
        app_.add_option("--nodata", noDataText_,
                        "attribute values equal to VALUE (after rounding, as the\n"
                        "values) are written as null")
            ->type_name("VALUE");
        app_.add_flag("--cell-index", options.conversion.columns.cellIndex,
                      "integer columns I and J (the cell's i and j, from 1; I the\n"
                      "particle's number for points) before the attributes");

        app_.add_option_function<std::string>(
                "--time",
                [&options](const std::string& value) { options.timeStart = TimeStart(value); },
                "the first step's time, ISO 8601 (2024-01-01T00:00:00Z; a\n"
                "zone offset is taken out, none is UTC), as a TIME column")
            ->type_name("START");
        app_.add_option_function<std::string>(
                "--time-step",
                [&options](const std::string& value) { options.timeStep = TimeStep(value); },
                "the time between steps: PT1H, PT30M, P1D ... or seconds")
            ->type_name("DURATION");
        app_.add_option("--times", options.timesFile,
                        "each step's time, one ISO 8601 date-time per line")
            ->type_name("FILE");

        app_.set_help_flag("-h,--help", "show this help and exit");
        app_.set_version_flag("--version", "", "show the version and exit");
    }

    ConvertOptions::Action Parse(const std::vector<std::string>& arguments) {
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
        try {
            app_.parse(reversed);
        } catch (const CLI::CallForHelp&) {
            return ConvertOptions::Action::ShowHelp;
        } catch (const CLI::CallForVersion&) {
            return ConvertOptions::Action::ShowVersion;
        } catch (const CLI::RequiredError& error) {
            CheckArgumentsGiven();
            ThrowFirstMissing(error);
        } catch (const CLI::ArgumentMismatch& error) {
            // CLI11 ran out of arguments: the last one is an option without its value.
            const std::string& last = arguments.back();
            const CLI::Option* option = app_.get_option_no_throw(last.substr(0, last.find('=')));
            throw UsageError(option == nullptr ? error.what()
                                               : "option " + Spelled(*option) + " needs a value");
        } catch (const CLI::ParseError& error) {
            throw UsageError(error.what());
        }
        CheckArgumentsGiven();
        CheckTimes();
        if (!noDataText_.empty()) {
            options_.conversion.columns.noData =
                NoDataValue(noDataText_, options_.conversion.keepDigits);
        }
        return ConvertOptions::Action::Convert;
    }

    std::string Help() const { return app_.help(); }
    std::string Synopsis() const { return UsageSynopsis(app_); }

private:
    void Required(CLI::Option* option, std::string whenMissing) {
        whenMissing_.emplace(option->required(), std::move(whenMissing));
    }

    // What CLI11 accepts but this command refuses: unknown options and stray arguments,
    // repeated and empty values, and a value given to a flag.
    void CheckArgumentsGiven() const {
        if (const auto remaining = app_.remaining(); !remaining.empty()) {
            const std::string& first = remaining.front();
            if (first.size() > 1 && first.front() == '-') {
                const auto end = first.starts_with("--") ? first.find('=') : std::string::npos;
                throw UsageError("unknown option '" + PrintableText(first.substr(0, end)) + "'");
            }
            throw UsageError("unexpected argument '" + PrintableText(first) + "'");
        }
        for (const CLI::Option* option : app_.get_options()) {
            const auto& results = option->results();
            if (option->get_items_expected_max() == 0) {
                if (std::any_of(results.begin(), results.end(),
                                [](const std::string& value) { return value != "true"; })) {
                    throw UsageError("option " + Spelled(*option) + " takes no value");
                }
            } else if (option->get_items_expected_max() == 1 && option->count() > 1) {
                throw UsageError("option " + Spelled(*option) + " is given more than once");
            } else if (std::find(results.begin(), results.end(), "") != results.end()) {
                throw UsageError("option " + Spelled(*option) + " needs a non-empty value");
            }
        }
    }

    // The times come from --time (with --time-step for more than one step) or --times.
    void CheckTimes() const {
        if (options_.timeStep && !options_.timeStart) {
            throw UsageError("option --time-step needs --time START, the first step's time");
        }
        if (options_.timeStart && !options_.timesFile.empty()) {
            throw UsageError(
                "options --time and --times exclude each other: give the times "
                "as a start and a step, or one per line in a file");
        }
    }

    [[noreturn]] void ThrowFirstMissing(const CLI::RequiredError& error) const {
        for (const CLI::Option* option : app_.get_options()) {
            if (option->count() == 0 && whenMissing_.contains(option)) {
                throw UsageError(whenMissing_.at(option));
            }
        }
        throw UsageError(error.what());
    }

    ConvertOptions& options_;
    CLI::App app_;
    std::string noDataText_;
    std::map<const CLI::Option*, std::string> whenMissing_;
};

}  // namespace

ConvertOptions ParseConvertOptions(const std::vector<std::string>& arguments, StopRequest stop) {
    ConvertOptions options;
    ConvertParser parser(options, stop);
    options.action = parser.Parse(arguments);
    return options;
}

std::string ConvertSynopsis() {
    ConvertOptions unused;
    return ConvertParser(unused).Synopsis();
}

std::string ConvertHelp() {
    ConvertOptions unused;
    return ConvertParser(unused).Help();
}

}  // namespace tesselar
