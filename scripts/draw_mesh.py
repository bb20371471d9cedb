#!/usr/bin/python3
"""Draws one step of a UGRID mesh written by tesselar-convert for the documentation: every face
coloured by the step's value of a variable, the mesh's edges over it, read back from the .nc
through python3-netcdf4 (the faces from mesh_face_nodes, the nodes from mesh_node_x/y, the
time from the time coordinate and the coordinate system's name from the crs variable).

    scripts/draw_mesh.py [--mesh out/estuary_run.nc] [--variable Temp] [--step 3]
                         [--output docs/estuary_mesh.png]

Make the mesh first with the commands of the README's "Opening a run as a mesh in QGIS".
"""

import argparse
import pathlib

import matplotlib

matplotlib.use("Agg")  # draws into a file, with no display needed
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.collections import PolyCollection  # noqa: E402
import netCDF4  # noqa: E402
from map_axes import metre_axes, wkt_name  # noqa: E402

ROOT = pathlib.Path(__file__).resolve().parent.parent


def step_label(dataset, step):
    """The step's time as the file gives it, or its number in a run without times."""
    time = dataset["time"]
    if not time.units.startswith("seconds since"):
        return f"step {step} of {len(time)}"
    moment = netCDF4.num2date(time[step - 1], time.units, time.calendar)
    return f"step {step} of {len(time)}, {moment.isoformat()}Z"


def crs_name(dataset):
    if "crs" not in dataset.variables:
        return "no coordinate system"
    return wkt_name(dataset["crs"].crs_wkt, "a coordinate system")


def draw(mesh, variable, step, output):
    with netCDF4.Dataset(mesh) as dataset:
        x = dataset["mesh_node_x"][:]
        y = dataset["mesh_node_y"][:]
        faces = dataset["mesh_face_nodes"][:] - dataset["mesh_face_nodes"].start_index
        values = dataset[variable][step - 1, :]
        long_name = dataset[variable].long_name
        title = (f"{mesh.name}: {len(x)} nodes, {len(faces)} faces; {long_name} at "
                 f"{step_label(dataset, step)}\n{crs_name(dataset)}")

    outlines = [[(x[n], y[n]) for n in face] for face in faces]
    figure, axes = plt.subplots(figsize=(7.5, 4.6), dpi=100, layout="constrained")
    cells = PolyCollection(outlines, array=values, cmap="RdYlBu_r", edgecolors="#404040",
                           linewidths=0.1)
    axes.add_collection(cells)
    metre_axes(axes)
    axes.set_title(title, fontsize=10)
    figure.colorbar(cells, ax=axes, shrink=0.75, label=long_name)
    # No software version in the file, so that the same mesh gives the same picture.
    figure.savefig(output, metadata={"Software": None})


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--mesh", type=pathlib.Path, default=ROOT / "out" / "estuary_run.nc")
    parser.add_argument("--variable", default="Temp")
    parser.add_argument("--step", type=int, default=3, help="from 1")
    parser.add_argument("--output", type=pathlib.Path, default=ROOT / "docs" / "estuary_mesh.png")
    arguments = parser.parse_args()
    draw(arguments.mesh, arguments.variable, arguments.step, arguments.output)


if __name__ == "__main__":
    main()
