#!/usr/bin/python3
"""Draws four steps of a model run side by side for the documentation: the cells of one
GeoPackage layer written by tesselar-convert, coloured by an attribute on one scale, each
panel titled with its `step` and `time` as GDAL/OGR reads them back.

    scripts/draw_steps.py [--run out/estuary_run.gpkg] [--attribute Temp]
                          [--output docs/estuary_run.png]

Without --run it converts the example run first (examples/estuary/run_temperature_*.dat, hour
by hour from 2024-07-01T06:00:00Z) with the tesselar-convert of build/release into a
temporary folder.
"""

import argparse
import pathlib
import subprocess
import tempfile

import matplotlib

matplotlib.use("Agg")  # draws into a file, with no display needed
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.collections import PolyCollection  # noqa: E402
from osgeo import ogr  # noqa: E402

ROOT = pathlib.Path(__file__).resolve().parent.parent
EXAMPLES = ROOT / "examples" / "estuary"
PANELS = 4


def convert_example(folder):
    """The example run as one GeoPackage layer: its path."""
    run = folder / "estuary_run.gpkg"
    subprocess.run([ROOT / "build" / "release" / "cli" / "tesselar-convert", "-q",
                    "-x", EXAMPLES / "grid_x.dat", "-y", EXAMPLES / "grid_y.dat",
                    "-a", f"Temp={EXAMPLES}/run_temperature_*.dat",
                    "--time", "2024-07-01T06:00:00Z", "--time-step", "PT1H", "-o", run],
                   check=True)
    return run


def time_text(feature):
    """The feature's `time` as OGR reads it: "2024-07-01 06:00 UTC" (zone flag 100 is UTC)."""
    year, month, day, hour, minute, _, zone = feature.GetFieldAsDateTime("time")
    return f"{year}-{month:02d}-{day:02d} {hour:02d}:{minute:02d}" + (
        " UTC" if zone == 100 else "")


def read_steps(path, attribute):
    """{step: (time, outlines, values)} of the layer's first PANELS steps."""
    source = ogr.Open(str(path))
    try:
        layer = source.GetLayer(0)
        steps = {}
        for feature in layer:
            step = feature.GetField("step")
            if step > PANELS:
                continue
            ring = feature.GetGeometryRef().GetGeometryRef(0)
            outline = [ring.GetPoint_2D(p) for p in range(ring.GetPointCount())]
            time, outlines, values = steps.setdefault(step, (time_text(feature), [], []))
            outlines.append(outline)
            values.append(feature.GetField(attribute))
        return steps
    finally:
        source.Release()


def draw(run, attribute, output):
    steps = read_steps(run, attribute)
    low = min(min(values) for _, _, values in steps.values())
    high = max(max(values) for _, _, values in steps.values())
    figure, axes = plt.subplots(1, len(steps), figsize=(3.4 * len(steps), 3.0), dpi=100,
                                layout="constrained", sharex=True, sharey=True)
    for panel, (step, (time, outlines, values)) in zip(axes, sorted(steps.items())):
        cells = PolyCollection(outlines, array=values, cmap="RdYlBu_r", edgecolors="face",
                               linewidths=0.2)
        cells.set_clim(low, high)
        panel.add_collection(cells)
        panel.autoscale_view()
        panel.set_aspect("equal")
        panel.set_title(f"step {step}: {time}", fontsize=10)
        panel.set_xticks([])
        panel.set_yticks([])
    colour_bar = figure.colorbar(cells, ax=axes, shrink=0.8)
    colour_bar.set_label(f"{attribute} (°C)")
    figure.suptitle(f"One GeoPackage layer, four steps: '{run.name}', as GDAL reads it",
                    fontsize=11)
    figure.savefig(output)
    print(f"draw_steps: wrote {output}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--run", type=pathlib.Path,
                        help="a GeoPackage written by a model run (default: the example run)")
    parser.add_argument("--attribute", default="Temp")
    parser.add_argument("--output", type=pathlib.Path, default=ROOT / "docs" / "estuary_run.png")
    arguments = parser.parse_args()
    if arguments.run:
        draw(arguments.run, arguments.attribute, arguments.output)
        return
    with tempfile.TemporaryDirectory() as folder:
        draw(convert_example(pathlib.Path(folder)), arguments.attribute, arguments.output)


if __name__ == "__main__":
    main()
