#include "crs/ProjLibrary.h"

#include <dlfcn.h>

#include <string>

#include "crs/CoordinateSystemError.h"

namespace tesselar {

namespace {

[[noreturn]] void ThrowCannotLoad() {
    const char* reason = dlerror();
    throw CoordinateSystemError(
        std::string("PROJ cannot start: its library " TESSELAR_PROJ_SONAME " cannot be loaded: ") +
        (reason != nullptr ? reason : "no reason given"));
}

template <typename Function>
void Find(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    if (function == nullptr) {
        ThrowCannotLoad();
    }
}

ProjLibrary Load() {
    // Never closed: PROJ's database connections and caches live as long as the process.
    void* library = dlopen(TESSELAR_PROJ_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        ThrowCannotLoad();
    }
    ProjLibrary proj{};
    Find(library, "proj_context_create", proj.context_create);
    Find(library, "proj_context_destroy", proj.context_destroy);
    Find(library, "proj_context_set_enable_network", proj.context_set_enable_network);
    Find(library, "proj_context_get_database_path", proj.context_get_database_path);
    Find(library, "proj_context_errno", proj.context_errno);
    Find(library, "proj_context_errno_string", proj.context_errno_string);
    Find(library, "proj_log_level", proj.log_level);
    Find(library, "proj_log_func", proj.log_func);
    Find(library, "proj_create", proj.create);
    Find(library, "proj_destroy", proj.destroy);
    Find(library, "proj_is_crs", proj.is_crs);
    Find(library, "proj_get_type", proj.get_type);
    Find(library, "proj_get_name", proj.get_name);
    Find(library, "proj_get_source_crs", proj.get_source_crs);
    Find(library, "proj_as_wkt", proj.as_wkt);
    Find(library, "proj_identify", proj.identify);
    Find(library, "proj_list_get_count", proj.list_get_count);
    Find(library, "proj_list_get", proj.list_get);
    Find(library, "proj_list_destroy", proj.list_destroy);
    Find(library, "proj_int_list_destroy", proj.int_list_destroy);
    Find(library, "proj_get_id_auth_name", proj.get_id_auth_name);
    Find(library, "proj_get_id_code", proj.get_id_code);
    return proj;
}

}  // namespace

const ProjLibrary& Proj() {
    // Loaded once, by whichever thread asks first; a failed load is tried again next time.
    static const ProjLibrary proj = Load();
    return proj;
}

}  // namespace tesselar
