#include "mesh/NetcdfLibrary.h"

#include "conversion/LoadedLibrary.h"
#include "mesh/MeshFileError.h"

namespace tesselar {

namespace {

NetcdfLibrary Load() {
    const LoadedLibrary<MeshFileError> library(
        TESSELAR_NETCDF_SONAME,
        "cannot write a netCDF mesh: the library " TESSELAR_NETCDF_SONAME " cannot be loaded: ");
    NetcdfLibrary netcdf{};
    library.Find("nc_create", netcdf.create);
    library.Find("nc_set_fill", netcdf.set_fill);
    library.Find("nc_def_dim", netcdf.def_dim);
    library.Find("nc_def_var", netcdf.def_var);
    library.Find("nc_def_var_chunking", netcdf.def_var_chunking);
    library.Find("nc_put_att_text", netcdf.put_att_text);
    library.Find("nc_put_att_int", netcdf.put_att_int);
    library.Find("nc_put_att_double", netcdf.put_att_double);
    library.Find("nc_enddef", netcdf.enddef);
    library.Find("nc_put_var_double", netcdf.put_var_double);
    library.Find("nc_put_vara_double", netcdf.put_vara_double);
    library.Find("nc_put_vara_int", netcdf.put_vara_int);
    library.Find("nc_close", netcdf.close);
    library.Find("nc_abort", netcdf.abort);
    library.Find("nc_strerror", netcdf.strerror);
    return netcdf;
}

}  // namespace

const NetcdfLibrary& Netcdf() {
    // Loaded once, by whichever thread asks first; a failed load is tried again next time.
    static const NetcdfLibrary netcdf = Load();
    return netcdf;
}

}  // namespace tesselar
