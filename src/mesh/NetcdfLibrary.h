#pragma once

#include <netcdf.h>

namespace tesselar {

// The functions of the netCDF library that the mesh writer calls. libnetcdf, with HDF5 and the
// many libraries they need, is loaded on the first call of Netcdf() rather than at program
// start: a conversion to any other format does not pay for loading and linking them.
struct NetcdfLibrary {
    decltype(&nc_create) create;
    decltype(&nc_set_fill) set_fill;
    decltype(&nc_def_dim) def_dim;
    decltype(&nc_def_var) def_var;
    decltype(&nc_def_var_chunking) def_var_chunking;
    decltype(&nc_put_att_text) put_att_text;
    decltype(&nc_put_att_int) put_att_int;
    decltype(&nc_put_att_double) put_att_double;
    decltype(&nc_enddef) enddef;
    decltype(&nc_put_var_double) put_var_double;
    decltype(&nc_put_vara_double) put_vara_double;
    decltype(&nc_put_vara_int) put_vara_int;
    decltype(&nc_close) close;
    decltype(&nc_abort) abort;
    decltype(&nc_strerror) strerror;
};

// The netCDF library's functions, loaded on the first call; it stays loaded for the rest of the
// process. Throws MeshFileError saying what the loader said when it cannot be loaded.
const NetcdfLibrary& Netcdf();

}  // namespace tesselar
