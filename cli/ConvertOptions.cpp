#include "cli/ConvertOptions.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <charconv>
#include <map>
#include <sstream>

#include "cli/HelpLayout.h"
#include "controls/shapefile/ShapeFileNames.h"
#include "conversion/AsciiCase.h"
#include "conversion/ConversionJob.h"
#include "conversion/PrintableText.h"
#include "crs/CoordinateSystemError.h"
#include "crs/ProjectionFile.h"
#include "readers/LineValue.h"
#include "readers/StepTimes.h"
#include "writer/WriterLayout.h"

namespace tesselar {

namespace {

constexpr const char* kDescription =
    "Converts a Nerasco grid into a polygon shape file (one polygon per cell), or a set of\n"
    "particles into a point shape file, with one numeric column per attribute. An OUTPUT\n"
    "ending in .gpkg writes a GeoPackage layer, in .fgb a FlatGeobuf file, in .nc the grid\n"
    "as a UGRID mesh in a netCDF file instead.";

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

// OUTPUT names a GeoPackage (".gpkg"), a FlatGeobuf file (".fgb") or else the .shp file,
// with or without its extension.
void SetOutput(ConvertOptions& options, const std::string& output) {
    options.conversion.format = OutputFormatOf(output);
    if (options.conversion.format != OutputFormat::Shapefile) {
        options.shpPath = output;
        if (FileNameOf(output).starts_with('.')) {
            throw UsageError("output '" + PrintableText(output) + "' names no file");
        }
        options.shapeFileName = FileStemOf(output);
        options.shapeFolder = FolderOf(output);
        return;
    }
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

// "unknown option '--bogus'" for what looks like an option, else "unexpected argument 'a.dat'".
std::string Unexpected(const std::string& argument) {
    if (argument.size() > 1 && argument.front() == '-') {
        const auto end = argument.starts_with("--") ? argument.find('=') : std::string::npos;
        return "unknown option '" + PrintableText(argument.substr(0, end)) + "'";
    }
    return "unexpected argument '" + PrintableText(argument) + "'";
}

// CLI11 takes "" as a value; a file name or number cannot be empty.
const CLI::Validator kNonEmpty(
    [](const std::string& value) { return value.empty() ? "needs a non-empty value" : ""; }, "");

// The option a CLI11 error is about: CLI11 begins its messages with the option's long name
// ("--type: 1 required polygon|point missing", "quiet was given a disallowed flag override").
const CLI::Option* OptionNamedIn(const CLI::App& app, const std::string& message) {
    std::string name = message.substr(0, message.find_first_of(": "));
    name.erase(0, name.find_first_not_of('-'));
    return app.get_option_no_throw("--" + name);
}

// The options of tesselar-convert, declared once: the parser, the synopsis and the help all
// come from these declarations. CLI11 refuses what is missing, repeated, unknown or lacks its
// value; each option's own function checks its value and turns it into ConvertOptions.
class ConvertParser {
public:
    explicit ConvertParser(ConvertOptions& options, StopRequest stop = {})
        : options_(options), app_(kDescription, kProgramName) {
        app_.formatter(std::make_shared<HelpLayout>());
        app_.failure_message(
            [this](const CLI::App* app, const CLI::Error& error) { return Refusal(*app, error); });
        // An option of one value given twice, and a flag given a value, are refused.
        app_.option_defaults()
            ->multi_option_policy(CLI::MultiOptionPolicy::Throw)
            ->disable_flag_override();

        Required(app_.add_option("-x,--x-file", options.xFile,
                                 "X axys file: the X coordinate of every node or particle")
                     ->type_name("X_FILE")
                     ->check(kNonEmpty),
                 "the X axys file is missing: give it with -x X_FILE");
        Required(app_.add_option("-y,--y-file", options.yFile,
                                 "Y axys file: the Y coordinates, in the same order")
                     ->type_name("Y_FILE")
                     ->check(kNonEmpty),
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
                         "the file to write: a GeoPackage when it ends in \".gpkg\",\n"
                         "a FlatGeobuf file when in \".fgb\", a netCDF mesh when in\n"
                         "\".nc\" (any case), else a shape file (\".shp\" is added\n"
                         "when missing)")
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
                      "its values need (at most " +
                          std::to_string(kMaxFittedWidth) + " characters)");
        app_.add_option("--nodata", noDataText_,
                        "attribute values equal to VALUE (after rounding, as the\n"
                        "values) are written as null")
            ->type_name("VALUE")
            ->check(kNonEmpty);
        app_.add_flag("--cell-index", options.conversion.columns.cellIndex,
                      "integer columns I and J (the cell's i and j, from 1; I the\n"
                      "particle's number for points) before the attributes");

        app_.add_option("--layer", options.conversion.layer,
                        "the GeoPackage layer to write, replaced when the file has\n"
                        "it (default: OUTPUT's name without its extension)")
            ->type_name("NAME");

        app_.add_option_function<std::string>(
                "--time",
                [&options](const std::string& value) { options.timeStart = TimeStart(value); },
                "the first step's time, ISO 8601 (2024-01-01T00:00:00Z; a\n"
                "zone offset is taken out, none is UTC), in a TIME or time column")
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
        } catch (const CLI::ParseError& error) {
            std::ostringstream refusal;
            app_.exit(error, refusal, refusal);
            throw UsageError(refusal.str());
        }
        CheckFormatOptions();
        CheckTimes();
        if (!noDataText_.empty()) {
            options_.conversion.columns.noData =
                NoDataValue(noDataText_, options_.conversion.keepDigits);
        }
        return ConvertOptions::Action::Convert;
    }

    std::string Help() const { return app_.help(); }
    std::string Synopsis() const { return HelpLayout().make_usage(&app_, app_.get_name()); }

private:
    void Required(CLI::Option* option, std::string whenMissing) {
        whenMissing_.emplace(option->required(), std::move(whenMissing));
    }

    // Options that concern one output format only.
    void CheckFormatOptions() const {
        const OutputFormat format = options_.conversion.format;
        if (format != OutputFormat::Shapefile && options_.conversion.columns.fitColumns) {
            throw UsageError(
                std::string("option --fit-columns fits the columns of a shape file; a ") +
                OutputFormatName(format) +
                " stores every value as a double, whole: leave the option out");
        }
        if (format == OutputFormat::Mesh && options_.shapeType == ShapeType::Point) {
            throw UsageError(
                "a netCDF mesh (\".nc\") holds the cells of a grid; particles (-t point) make "
                "no mesh: write them to a .shp, .gpkg or .fgb OUTPUT");
        }
        if (format == OutputFormat::Mesh && options_.conversion.columns.cellIndex) {
            throw UsageError(
                "option --cell-index adds columns I and J; a netCDF mesh has no columns: its "
                "faces are the cells in grid order, j fastest: leave the option out");
        }
        if (format != OutputFormat::GeoPackage && !options_.conversion.layer.empty()) {
            throw UsageError(
                "option --layer names a GeoPackage layer: OUTPUT must end in \".gpkg\"");
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

    // CLI11's refusals in the words of this command. An argument it does not know comes first:
    // it may be a misspelt option that CLI11 then finds missing.
    std::string Refusal(const CLI::App& app, const CLI::Error& error) const {
        if (const auto extras = app.remaining(); !extras.empty()) {
            return Unexpected(extras.front());
        }
        const CLI::Option* option = OptionNamedIn(app, error.what());
        if (option == nullptr) {
            return error.what();
        }
        if (error.get_name() == "RequiredError") {
            return whenMissing_.at(option);
        }
        const std::string named = "option " + Spelled(*option);
        if (const std::string what = error.what(); error.get_name() == "ValidationError") {
            return named + ' ' + what.substr(what.find(": ") + 2);
        }
        if (option->get_items_expected_max() == 0) {
            return named + " takes no value";
        }
        if (option->count() > static_cast<std::size_t>(option->get_items_expected_max())) {
            return named + " is given more than once";
        }
        return named + " needs a value";
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
