#pragma once

#include <proj.h>

namespace tesselar {

// The functions of PROJ that this program calls. libproj, with the libraries it needs (SQLite,
// libtiff, libcurl), is loaded on the first call of Proj() rather than at program start: a
// conversion without a coordinate system does not pay for loading and linking them.
struct ProjLibrary {
    decltype(&proj_context_create) context_create;
    decltype(&proj_context_destroy) context_destroy;
    decltype(&proj_context_set_enable_network) context_set_enable_network;
    decltype(&proj_context_get_database_path) context_get_database_path;
    decltype(&proj_context_errno) context_errno;
    decltype(&proj_context_errno_string) context_errno_string;
    decltype(&proj_log_level) log_level;
    decltype(&proj_log_func) log_func;
    decltype(&proj_create) create;
    decltype(&proj_destroy) destroy;
    decltype(&proj_is_crs) is_crs;
    decltype(&proj_get_type) get_type;
    decltype(&proj_get_name) get_name;
    decltype(&proj_get_source_crs) get_source_crs;
    decltype(&proj_as_wkt) as_wkt;
    decltype(&proj_identify) identify;
    decltype(&proj_list_get_count) list_get_count;
    decltype(&proj_list_get) list_get;
    decltype(&proj_list_destroy) list_destroy;
    decltype(&proj_int_list_destroy) int_list_destroy;
    decltype(&proj_get_id_auth_name) get_id_auth_name;
    decltype(&proj_get_id_code) get_id_code;
};

// PROJ's functions, libproj loaded on the first call; it stays loaded for the rest of the
// process. Throws CoordinateSystemError saying what the loader said when it cannot be loaded.
const ProjLibrary& Proj();

}  // namespace tesselar
