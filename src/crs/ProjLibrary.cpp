#include "crs/ProjLibrary.h"

#include "conversion/LoadedLibrary.h"
#include "crs/CoordinateSystemError.h"

namespace tesselar {

namespace {

ProjLibrary Load() {
    // Never closed: PROJ's database connections and caches live as long as the process.
    const LoadedLibrary<CoordinateSystemError> library(
        TESSELAR_PROJ_SONAME,
        "PROJ cannot start: its library " TESSELAR_PROJ_SONAME " cannot be loaded: ");
    ProjLibrary proj{};
    library.Find("proj_context_create", proj.context_create);
    library.Find("proj_context_destroy", proj.context_destroy);
    library.Find("proj_context_set_enable_network", proj.context_set_enable_network);
    library.Find("proj_context_get_database_path", proj.context_get_database_path);
    library.Find("proj_context_errno", proj.context_errno);
    library.Find("proj_context_errno_string", proj.context_errno_string);
    library.Find("proj_log_level", proj.log_level);
    library.Find("proj_log_func", proj.log_func);
    library.Find("proj_create", proj.create);
    library.Find("proj_destroy", proj.destroy);
    library.Find("proj_is_crs", proj.is_crs);
    library.Find("proj_get_type", proj.get_type);
    library.Find("proj_get_name", proj.get_name);
    library.Find("proj_get_source_crs", proj.get_source_crs);
    library.Find("proj_as_wkt", proj.as_wkt);
    library.Find("proj_identify", proj.identify);
    library.Find("proj_list_get_count", proj.list_get_count);
    library.Find("proj_list_get", proj.list_get);
    library.Find("proj_list_destroy", proj.list_destroy);
    library.Find("proj_int_list_destroy", proj.int_list_destroy);
    library.Find("proj_get_id_auth_name", proj.get_id_auth_name);
    library.Find("proj_get_id_code", proj.get_id_code);
    return proj;
}

}  // namespace

const ProjLibrary& Proj() {
    // Loaded once, by whichever thread asks first; a failed load is tried again next time.
    static const ProjLibrary proj = Load();
    return proj;
}

}  // namespace tesselar
