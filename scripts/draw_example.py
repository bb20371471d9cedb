#!/usr/bin/python3
"""Draws the converted estuary example for the documentation: the grid's polygons coloured by
their temperature, with the particles on top, read back from the shapefiles through pyshp, and
the name of the coordinate system from the grid's .prj.

    scripts/draw_example.py [--grid out/estuary.shp] [--particles out/particles.shp]
                            [--output docs/estuary.png]

Make the shapefiles first with scripts/run.sh (or the two tesselar-convert commands of the
README).
"""

import argparse
import pathlib

import matplotlib

matplotlib.use("Agg")  # draws into a file, with no display needed
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.collections import PolyCollection  # noqa: E402
import shapefile  # noqa: E402
from map_axes import metre_axes, wkt_name  # noqa: E402

ROOT = pathlib.Path(__file__).resolve().parent.parent
TEMPERATURE = "Temp"  # the grid's column, as the README's command names it


def read_cells(path, field):
    """The outline of every polygon and its value of `field`."""
    with shapefile.Reader(str(path)) as reader:
        names = [name for name, *_ in reader.fields[1:]]
        column = names.index(field)
        outlines, values = [], []
        for shape_record in reader.iterShapeRecords():
            outlines.append(shape_record.shape.points)
            values.append(shape_record.record[column])
    return outlines, values


def read_points(path):
    with shapefile.Reader(str(path)) as reader:
        return [shape.points[0] for shape in reader.iterShapes()]


def coordinate_system(shp):
    """The name the .prj beside `shp` gives its coordinate system, or a note that it has none."""
    prj = shp.with_suffix(".prj")
    if not prj.exists():
        return "no .prj"
    return wkt_name(prj.read_text(encoding="utf-8"), "a .prj")


def draw(grid, particles, output):
    outlines, values = read_cells(grid, TEMPERATURE)
    points = read_points(particles)

    figure, axes = plt.subplots(figsize=(7.5, 4.6), dpi=100, layout="constrained")
    cells = PolyCollection(outlines, array=values, cmap="RdYlBu_r", edgecolors="face",
                           linewidths=0.2)
    axes.add_collection(cells)
    axes.scatter([x for x, _ in points], [y for _, y in points], s=10, c="black",
                 edgecolors="white", linewidths=0.4,
                 label=f"Particles ({len(points)})", zorder=3)
    metre_axes(axes)
    axes.set_title(f"{grid.name}: {len(outlines)} cells by temperature; {particles.name} on top"
                   f"\n{coordinate_system(grid)}", fontsize=10)
    axes.legend(loc="upper left", fontsize=9)
    figure.colorbar(cells, ax=axes, shrink=0.75, label="Temperature")
    # No software version in the file, so that the same shapefiles give the same picture.
    figure.savefig(output, metadata={"Software": None})


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--grid", type=pathlib.Path, default=ROOT / "out" / "estuary.shp")
    parser.add_argument("--particles", type=pathlib.Path, default=ROOT / "out" / "particles.shp")
    parser.add_argument("--output", type=pathlib.Path, default=ROOT / "docs" / "estuary.png")
    arguments = parser.parse_args()
    draw(arguments.grid, arguments.particles, arguments.output)


if __name__ == "__main__":
    main()
