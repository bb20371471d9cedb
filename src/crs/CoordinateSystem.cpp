#include "crs/CoordinateSystem.h"

#include <proj.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "conversion/AsciiCase.h"
#include "crs/CoordinateSystemError.h"
#include "readers/PrintableText.h"

namespace tesselar {

namespace {

// A coordinate system file is a short text; anything larger is not one.
constexpr std::size_t kMaxFileBytes = 1 << 20;
// Longer texts given in place of a file are cut in messages, which quote them only to say which
// one was refused; file paths are always quoted whole.
constexpr std::size_t kMaxQuotedChars = 80;
constexpr std::string_view kEpsgPrefix = "EPSG:";

std::string QuotedText(std::string_view text) {
    if (text.size() > kMaxQuotedChars) {
        return "'" + PrintableText(text.substr(0, kMaxQuotedChars - 3)) + "...'";
    }
    return "'" + PrintableText(text) + "'";
}

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n\f\v";
    constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    if (text.starts_with(kUtf8Bom)) {
        text.remove_prefix(kUtf8Bom.size());
    }
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool HasEpsgPrefix(std::string_view text) {
    return EqualIgnoringAsciiCase(text.substr(0, kEpsgPrefix.size()), kEpsgPrefix);
}

// WKT has brackets; PROJJSON is an object.
bool LooksLikeCrsText(std::string_view text) {
    return text.starts_with('{') || text.find('[') != std::string_view::npos;
}

// One PROJ context with the errors PROJ logged in it; PROJ finds its database in the installed
// data files and is kept off the network.
class ProjContext {
public:
    ProjContext() : context_(proj_context_create()) {
        if (!context_) {
            throw CoordinateSystemError("PROJ cannot start: it has no memory for its context");
        }
        proj_context_set_enable_network(context_.get(), 0);
        proj_log_level(context_.get(), PJ_LOG_ERROR);
        proj_log_func(context_.get(), &errors_, &CollectError);
    }
    ProjContext(const ProjContext&) = delete;
    ProjContext& operator=(const ProjContext&) = delete;

    PJ_CONTEXT* get() const { return context_.get(); }

    // What PROJ said about the last failure: its logged errors, else its error code's text.
    std::string Reason() const {
        if (!errors_.empty()) {
            return errors_;
        }
        const int error = proj_context_errno(context_.get());
        const char* text = error != 0 ? proj_context_errno_string(context_.get(), error) : nullptr;
        return text != nullptr ? text : "no reason given";
    }

private:
    static void CollectError(void* errors, int /*level*/, const char* message) {
        auto& collected = *static_cast<std::string*>(errors);
        collected += collected.empty() ? "" : "; ";
        collected += message;
    }

    struct Destroy {
        void operator()(PJ_CONTEXT* context) const { proj_context_destroy(context); }
    };
    std::unique_ptr<PJ_CONTEXT, Destroy> context_;
    std::string errors_;
};

struct DestroyObject {
    void operator()(PJ* object) const { proj_destroy(object); }
};

// `text` ("EPSG:<code>", WKT or PROJJSON) in ESRI WKT1; `subject` names it in errors.
std::string EsriWktOfText(std::string_view text, const std::string& subject) {
    std::string definition(text);
    if (HasEpsgPrefix(text)) {
        definition.replace(0, kEpsgPrefix.size(), kEpsgPrefix);
    }
    const ProjContext context;
    const std::unique_ptr<PJ, DestroyObject> object(proj_create(context.get(), definition.c_str()));
    if (!object) {
        throw CoordinateSystemError(
            subject + ": PROJ cannot read it as a coordinate system: " + context.Reason());
    }
    if (!proj_is_crs(object.get())) {
        const char* name = proj_get_name(object.get());
        throw CoordinateSystemError(subject + ": PROJ reads it as '" + (name ? name : "") +
                                    "', which is not a coordinate system");
    }
    const char* const options[] = {"MULTILINE=NO", nullptr};
    const char* wkt = proj_as_wkt(context.get(), object.get(), PJ_WKT1_ESRI, options);
    if (wkt == nullptr) {
        throw CoordinateSystemError(
            subject + ": PROJ cannot write it in the ESRI WKT of a .prj: " + context.Reason());
    }
    return wkt;
}

std::string FileText(const std::filesystem::path& path, const std::string& subject) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) {
        throw CoordinateSystemError(subject + ": cannot open the file: " + std::strerror(errno));
    }
    std::string text(kMaxFileBytes + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file.get()));
    if (std::ferror(file.get())) {
        throw CoordinateSystemError(subject + ": cannot read the file: " + std::strerror(errno));
    }
    if (text.size() > kMaxFileBytes) {
        throw CoordinateSystemError(subject +
                                    ": is larger than 1 MiB, too large for a coordinate system");
    }
    return text;
}

}  // namespace

std::string EsriWktOfFile(const std::filesystem::path& path) {
    const std::string subject = "Coordinate system file '" + PrintableText(path.string()) + "'";
    const std::string text = FileText(path, subject);
    const std::string_view definition = Trimmed(text);
    if (definition.empty()) {
        throw CoordinateSystemError(subject + ": the file is empty");
    }
    return EsriWktOfText(definition, subject);
}

std::string EsriWkt(std::string_view crsText) {
    const std::string_view text = Trimmed(crsText);
    std::error_code notAFile;
    if (HasEpsgPrefix(text) ||
        (LooksLikeCrsText(text) && !std::filesystem::exists(crsText, notAFile))) {
        return EsriWktOfText(text, "Coordinate system " + QuotedText(text));
    }
    return EsriWktOfFile(crsText);
}

}  // namespace tesselar
