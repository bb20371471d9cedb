#include "crs/CoordinateSystem.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <system_error>

#include "conversion/AsciiCase.h"
#include "conversion/PrintableText.h"
#include "conversion/SystemErrorText.h"
#include "crs/CoordinateSystemError.h"
#include "crs/ProjLibrary.h"

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

// What PROJ's proj_create reads as the coordinate system `text`: an EPSG code with its prefix
// in PROJ's case, and a PROJ string marked as a coordinate system (without the mark PROJ reads
// "+proj=utm ..." as a conversion).
std::string ProjDefinition(std::string_view text) {
    std::string definition(text);
    if (EqualIgnoringAsciiCase(text.substr(0, kEpsgPrefix.size()), kEpsgPrefix)) {
        definition.replace(0, kEpsgPrefix.size(), kEpsgPrefix);
    }
    if (text.starts_with("+proj=") && text.find("+type=crs") == std::string_view::npos) {
        definition += " +type=crs";
    }
    return definition;
}

// A text PROJ refused may have been meant as a file: one with no sign of a definition (the
// brackets of WKT, the braces of PROJJSON, the ":" of a code or URN, the "+" of a PROJ string).
bool MayBeMeantAsFile(std::string_view text) {
    return !text.starts_with('+') && text.find_first_of("[{:") == std::string_view::npos;
}

// A coordinate system places points on the ground when it is geographic, projected or local
// (engineering), or compounds one of them with heights; PROJ writes each as a .prj.
bool HasHorizontalPart(PJ_TYPE type) {
    switch (type) {
        case PJ_TYPE_GEOGRAPHIC_CRS:
        case PJ_TYPE_GEOGRAPHIC_2D_CRS:
        case PJ_TYPE_GEOGRAPHIC_3D_CRS:
        case PJ_TYPE_PROJECTED_CRS:
        case PJ_TYPE_ENGINEERING_CRS:
        case PJ_TYPE_COMPOUND_CRS:
            return true;
        default:
            return false;
    }
}

const char* KindOf(PJ_TYPE type) {
    switch (type) {
        case PJ_TYPE_VERTICAL_CRS:
            return "a vertical coordinate system (heights)";
        case PJ_TYPE_TEMPORAL_CRS:
            return "a temporal coordinate system (times)";
        case PJ_TYPE_GEOCENTRIC_CRS:
            return "a geocentric coordinate system (X, Y, Z from the earth's centre)";
        default:
            return "a coordinate system";
    }
}

struct DestroyObject {
    void operator()(PJ* object) const { Proj().destroy(object); }
};
using ProjObject = std::unique_ptr<PJ, DestroyObject>;

// One PROJ context with the errors PROJ logged in it; PROJ finds its database in the installed
// data files and is kept off the network. `subject` names, in errors, what is to be read.
class ProjContext {
public:
    explicit ProjContext(const std::string& subject) : proj_(Load(subject)) {
        context_.reset(proj_.context_create());
        if (!context_) {
            throw CoordinateSystemError(subject +
                                        ": PROJ cannot start: it has no memory for its context");
        }
        proj_.context_set_enable_network(context_.get(), 0);
        proj_.log_level(context_.get(), PJ_LOG_ERROR);
        proj_.log_func(context_.get(), &errors_, &CollectError);
        // Without its database PROJ still reads WKT, but writes it with names ArcGIS does not
        // know, and knows no codes.
        if (proj_.context_get_database_path(context_.get()) == nullptr) {
            throw CoordinateSystemError(subject +
                                        ": PROJ cannot find its database, so it reads no "
                                        "coordinate system: " +
                                        Reason());
        }
    }
    ProjContext(const ProjContext&) = delete;
    ProjContext& operator=(const ProjContext&) = delete;

    PJ_CONTEXT* get() const { return context_.get(); }
    const ProjLibrary& Library() const { return proj_; }

    // What PROJ said about the last failure: its logged errors, else its error code's text.
    std::string Reason() const {
        if (!errors_.empty()) {
            return errors_;
        }
        const int error = proj_.context_errno(context_.get());
        const char* text = error != 0 ? proj_.context_errno_string(context_.get(), error) : nullptr;
        return text != nullptr ? text : "no reason given";
    }

private:
    static const ProjLibrary& Load(const std::string& subject) {
        try {
            return Proj();
        } catch (const CoordinateSystemError& error) {
            throw CoordinateSystemError(subject + ": " + error.what());
        }
    }

    static void CollectError(void* errors, int /*level*/, const char* message) {
        auto& collected = *static_cast<std::string*>(errors);
        collected += collected.empty() ? "" : "; ";
        collected += message;
    }

    struct Destroy {
        void operator()(PJ_CONTEXT* context) const { Proj().context_destroy(context); }
    };
    const ProjLibrary& proj_;
    std::unique_ptr<PJ_CONTEXT, Destroy> context_;
    std::string errors_;
};

// The type of the coordinate system `crs`; for one bound to WGS 84 by a transformation (a
// PROJ string's "+towgs84"), that of the coordinate system bound.
PJ_TYPE CrsType(const ProjContext& context, PJ* crs) {
    const ProjLibrary& proj = context.Library();
    const PJ_TYPE type = proj.get_type(crs);
    if (type == PJ_TYPE_BOUND_CRS) {
        if (const ProjObject source{proj.get_source_crs(context.get(), crs)}) {
            return proj.get_type(source.get());
        }
    }
    return type;
}

// `text` (anything proj_create reads as a coordinate system) in ESRI WKT1; `subject` names it
// in errors, with `hint` after PROJ's reason when PROJ cannot read it.
std::string EsriWktOfText(std::string_view text, const std::string& subject,
                          const std::string& hint = {}) {
    const ProjContext context(subject);
    const ProjLibrary& proj = context.Library();
    const ProjObject object(proj.create(context.get(), ProjDefinition(text).c_str()));
    if (!object) {
        throw CoordinateSystemError(
            subject + ": PROJ cannot read it as a coordinate system: " + context.Reason() + hint);
    }
    const char* name = proj.get_name(object.get());
    const std::string named = std::string("PROJ reads it as '") + (name ? name : "") + "', ";
    if (!proj.is_crs(object.get())) {
        throw CoordinateSystemError(subject + ": " + named + "which is not a coordinate system");
    }
    if (const PJ_TYPE type = CrsType(context, object.get()); !HasHorizontalPart(type)) {
        throw CoordinateSystemError(subject + ": " + named + KindOf(type) +
                                    ", which places nothing on a map: a .prj needs a geographic "
                                    "or projected coordinate system (with heights or without)");
    }
    const char* const options[] = {"MULTILINE=NO", nullptr};
    const char* wkt = proj.as_wkt(context.get(), object.get(), PJ_WKT1_ESRI, options);
    if (wkt == nullptr) {
        throw CoordinateSystemError(
            subject + ": PROJ cannot write it in the ESRI WKT of a .prj: " + context.Reason());
    }
    return wkt;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { ::close(fd_); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The file's text, read once from start to end, so that a pipe works as well as a file. Opening
// a FIFO waits for a writer, and reading a pipe for its data: a stop request ends either wait.
std::string FileText(const std::filesystem::path& path, const std::string& subject,
                     StopRequest stop) {
    const auto stopWhenRequested = [&] {
        if (stop.Requested()) {
            throw Interrupted(stop.Signal(), "reading the coordinate system file '" +
                                                 PrintableText(path.string()) + "'");
        }
    };
    stopWhenRequested();
    int fd = -1;
    while ((fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC)) < 0 && errno == EINTR) {
        stopWhenRequested();
    }
    if (fd < 0) {
        const int error = errno;
        std::error_code notALink;
        const auto target = std::filesystem::read_symlink(path, notALink);
        throw CoordinateSystemError(
            subject + ": cannot open the file: " + SystemErrorText(error) +
            (notALink ? ""
                      : " (it is a symbolic link to '" + PrintableText(target.string()) + "')"));
    }
    const Descriptor file(fd);
    std::string text(kMaxFileBytes + 1, '\0');
    std::size_t size = 0;
    while (size < text.size()) {
        const ssize_t count = ::read(file.get(), text.data() + size, text.size() - size);
        if (count == 0) {
            break;
        }
        if (count > 0) {
            size += static_cast<std::size_t>(count);
        } else if (errno == EINTR) {
            stopWhenRequested();
        } else {
            throw CoordinateSystemError(subject +
                                        ": cannot read the file: " + SystemErrorText(errno));
        }
    }
    if (size > kMaxFileBytes) {
        throw CoordinateSystemError(subject +
                                    ": is larger than 1 MiB, too large for a coordinate system");
    }
    text.resize(size);
    return text;
}

}  // namespace

std::string EsriWktOfFile(const std::filesystem::path& path, StopRequest stop) {
    const std::string subject = "Coordinate system file '" + PrintableText(path.string()) + "'";
    const std::string text = FileText(path, subject, stop);
    const std::string_view definition = Trimmed(text);
    if (definition.empty()) {
        throw CoordinateSystemError(subject + ": the file is empty");
    }
    return EsriWktOfText(definition, subject);
}

std::string EsriWkt(std::string_view crsText, StopRequest stop) {
    // A symbolic link counts even when it leads nowhere: reading it says so.
    std::error_code notAFile;
    if (std::filesystem::exists(std::filesystem::symlink_status(crsText, notAFile))) {
        return EsriWktOfFile(crsText, stop);
    }
    const std::string_view text = Trimmed(crsText);
    return EsriWktOfText(text, "Coordinate system " + QuotedText(text),
                         MayBeMeantAsFile(text) ? "; nor is it the name of a file" : "");
}

}  // namespace tesselar
