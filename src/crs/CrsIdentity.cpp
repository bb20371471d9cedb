#include "crs/CrsIdentity.h"

#include <proj.h>

#include <cstdlib>
#include <memory>

#include "crs/CoordinateSystemError.h"
#include "crs/ProjLibrary.h"

namespace tesselar {

namespace {

struct DestroyContext {
    void operator()(PJ_CONTEXT* context) const { Proj().context_destroy(context); }
};
struct DestroyObject {
    void operator()(PJ* object) const { Proj().destroy(object); }
};
struct DestroyIntegers {
    void operator()(int* list) const { Proj().int_list_destroy(list); }
};
struct DestroyList {
    void operator()(PJ_OBJ_LIST* list) const { Proj().list_destroy(list); }
};
using Object = std::unique_ptr<PJ, DestroyObject>;

// PROJ's confidence in a match that is the same coordinate system.
constexpr int kExactMatch = 100;

// The first exact match among the authority's coordinate systems (any authority when null).
Object ExactMatch(PJ_CONTEXT* context, const PJ* crs, const char* authority) {
    const ProjLibrary& proj = Proj();
    int* confidences = nullptr;
    const std::unique_ptr<PJ_OBJ_LIST, DestroyList> matches(
        proj.identify(context, crs, authority, nullptr, &confidences));
    const std::unique_ptr<int, DestroyIntegers> owned(confidences);
    if (!matches || confidences == nullptr || proj.list_get_count(matches.get()) == 0 ||
        confidences[0] < kExactMatch) {
        return nullptr;
    }
    return Object(proj.list_get(context, matches.get(), 0));
}

std::string Text(const char* text) {
    return text != nullptr ? text : "";
}

}  // namespace

CrsIdentity IdentifyCrs(std::string_view wkt) {
    const ProjLibrary& proj = Proj();
    const std::unique_ptr<PJ_CONTEXT, DestroyContext> owner(proj.context_create());
    PJ_CONTEXT* context = owner.get();
    proj.context_set_enable_network(context, 0);
    proj.log_level(context, PJ_LOG_NONE);
    const std::string definition(wkt);
    const Object crs(proj.create(context, definition.c_str()));
    if (!crs || !proj.is_crs(crs.get())) {
        throw CoordinateSystemError("PROJ cannot read the coordinate system '" + definition + "'");
    }
    Object match = ExactMatch(context, crs.get(), "EPSG");
    if (!match) {
        match = ExactMatch(context, crs.get(), nullptr);
    }
    const PJ* described = match ? match.get() : crs.get();
    CrsIdentity identity;
    identity.name = Text(proj.get_name(described));
    if (match) {
        identity.organization = Text(proj.get_id_auth_name(match.get(), 0));
        identity.code = std::atoi(Text(proj.get_id_code(match.get(), 0)).c_str());
        if (identity.code <= 0) {
            identity.organization.clear();
            identity.code = 0;
        }
    }
    const char* const options[] = {"MULTILINE=NO", nullptr};
    identity.wkt = Text(proj.as_wkt(context, described, PJ_WKT1_GDAL, options));
    if (identity.wkt.empty()) {
        identity.wkt = Text(proj.as_wkt(context, crs.get(), PJ_WKT2_2019, options));
    }
    return identity;
}

std::optional<CrsIdentity> IdentifyCrsIfAny(std::string_view wkt) {
    return wkt.empty() ? std::nullopt : std::optional<CrsIdentity>(IdentifyCrs(wkt));
}

}  // namespace tesselar
