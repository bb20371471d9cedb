#!/usr/bin/python3
"""Writes the example data set under examples/estuary: a synthetic estuary in the text format
of the Nerasco modelling system.

- grid_x.dat, grid_y.dat: a curvilinear grid of 60 x 40 nodes following a meandering estuary
  that widens towards its mouth, in UTM zone 29N metres;
- temperature.dat, salinity.dat: one value per grid cell (59 x 39 cells);
- run_temperature_1.dat to run_temperature_4.dat: the temperature of a model run, hour by hour
  through a flood tide that pushes the cold sea water up the estuary;
- particles_x.dat, particles_y.dat, particles_depth.dat: 200 particles drifting in the middle
  reach, with their depth;
- grid_x.prj, particles_x.prj: the coordinate system beside each X coordinate file, which
  tesselar-convert and the window write as the shapefile's .prj.

The output is the same on every run: no clock, and a seeded generator for the particles.

    examples/make_examples.py [--output DIR]
"""

import argparse
import math
import pathlib
import random

NODES_I = 60  # along the estuary, from the river (i = 1) to the sea
NODES_J = 40  # across it, from the left bank to the right bank
PARTICLES = 200

LENGTH_M = 14000.0
ORIGIN_EASTING = 512350.0
ORIGIN_NORTHING = 4681200.0
ROTATION_DEG = 32.0

CRS_NAME = "ETRS89 / UTM zone 29N (EPSG:25829)"
# EPSG:25829 in the ESRI WKT of a .prj, on one line, as ArcGIS writes it and as
# `projinfo -o WKT1_ESRI EPSG:25829 --single-line` prints it.
CRS_ESRI_WKT = (
    'PROJCS["ETRS_1989_UTM_Zone_29N",GEOGCS["GCS_ETRS_1989",DATUM["D_ETRS_1989",'
    'SPHEROID["GRS_1980",6378137.0,298.257222101]],PRIMEM["Greenwich",0.0],'
    'UNIT["Degree",0.0174532925199433]],PROJECTION["Transverse_Mercator"],'
    'PARAMETER["False_Easting",500000.0],PARAMETER["False_Northing",0.0],'
    'PARAMETER["Central_Meridian",-9.0],PARAMETER["Scale_Factor",0.9996],'
    'PARAMETER["Latitude_Of_Origin",0.0],UNIT["Meter",1.0]]')


def channel_point(s, t):
    """Easting and northing of the point at s (0 river .. 1 sea) along the estuary and t
    (0 left bank .. 1 right bank) across it."""
    # Meandering centre line and its normal.
    cx = LENGTH_M * s
    cy = 900.0 * math.sin(1.4 * math.pi * s) + 250.0 * math.sin(3.1 * math.pi * s)
    dx = LENGTH_M
    dy = 900.0 * 1.4 * math.pi * math.cos(1.4 * math.pi * s) + 250.0 * 3.1 * math.pi * math.cos(
        3.1 * math.pi * s)
    norm = math.hypot(dx, dy)
    nx, ny = -dy / norm, dx / norm
    tx, ty = dx / norm, dy / norm
    # The estuary widens from 350 m at the river to 3.2 km at the mouth.
    width = 350.0 + 2850.0 * s ** 1.6
    across = (t - 0.5) * width
    # The grid lines bend a little along the banks, as a fitted grid does.
    along = 60.0 * math.sin(2.0 * math.pi * s) * math.sin(math.pi * t)
    x = cx + nx * across + tx * along
    y = cy + ny * across + ty * along
    angle = math.radians(ROTATION_DEG)
    return (ORIGIN_EASTING + x * math.cos(angle) - y * math.sin(angle),
            ORIGIN_NORTHING + x * math.sin(angle) + y * math.cos(angle))


def temperature(s, t):
    """Summer: warm river water meets upwelled ocean water; the shallow banks are warmer."""
    bank = (2.0 * t - 1.0) ** 2
    return 13.1 + 5.2 * (1.0 - s) ** 1.3 + 0.9 * bank + 0.15 * math.sin(9.0 * s + 4.0 * t)


RUN_STEPS = 4


def run_temperature(s, t, step):
    """The temperature `step` hours (from 0) into a flood tide: the sea water's front moves
    upstream by a tenth of the estuary every hour, and the water warms a little by day."""
    return temperature(min(s + 0.1 * step, 1.0), t) + 0.1 * step


def salinity(s, t):
    """Fresh at the river, oceanic at the mouth; the right bank is a little saltier."""
    mixing = 1.0 / (1.0 + math.exp(-9.0 * (s - 0.45)))
    return 0.4 + 35.3 * mixing + 0.8 * (t - 0.5) * mixing * (1.0 - mixing) * 4.0


def depth(s, t):
    """Channel depth in metres: deepest along the thalweg, deeper towards the sea."""
    return 1.5 + (4.0 + 14.0 * s) * math.sin(math.pi * t) ** 1.5


def write_data_file(path, header, values, decimals):
    lines = list(header) + ["<BeginData>"]
    lines += [f"{value:.{decimals}f}" for value in values]
    lines.append("<EndData>")
    path.write_text("\n".join(lines) + "\n", encoding="ascii")


def grid_header(what):
    return [
        "Nerasco grid file - estuary example (synthetic data)",
        f"Contents: {what}",
        f"Coordinate system: {CRS_NAME}, metres",
        f"SIZE_I : {NODES_I}",
        f"SIZE_J : {NODES_J}",
    ]


def cell_header(what, unit):
    return [
        "Nerasco results file - estuary example (synthetic data)",
        f"Property: {what} ({unit}), one value per grid cell",
        f"Cells: {NODES_I - 1} x {NODES_J - 1}, j varying fastest",
    ]


def particle_header(what):
    return [
        "Nerasco lagrangian tracer file - estuary example (synthetic data)",
        f"Contents: {what}, one value per particle",
        f"SIZE_I : {PARTICLES + 1}",
    ]


def coordinate_header(what):
    return particle_header(what) + [f"Coordinate system: {CRS_NAME}, metres"]


def write_sidecar(data_file):
    """The coordinate system beside an X coordinate file, with the same base name."""
    data_file.with_suffix(".prj").write_text(CRS_ESRI_WKT, encoding="ascii")


def write_grid(folder):
    nodes = [channel_point((i - 1) / (NODES_I - 1), (j - 1) / (NODES_J - 1))
             for i in range(1, NODES_I + 1) for j in range(1, NODES_J + 1)]
    write_data_file(folder / "grid_x.dat", grid_header("X coordinate (easting) of the grid nodes"),
                    [x for x, _ in nodes], 3)
    write_sidecar(folder / "grid_x.dat")
    write_data_file(folder / "grid_y.dat", grid_header("Y coordinate (northing) of the grid nodes"),
                    [y for _, y in nodes], 3)

    centres = [((i - 0.5) / (NODES_I - 1), (j - 0.5) / (NODES_J - 1))
               for i in range(1, NODES_I) for j in range(1, NODES_J)]
    write_data_file(folder / "temperature.dat", cell_header("Water temperature", "degrees C"),
                    [temperature(s, t) for s, t in centres], 2)
    write_data_file(folder / "salinity.dat", cell_header("Salinity", "PSU"),
                    [salinity(s, t) for s, t in centres], 2)
    for step in range(RUN_STEPS):
        write_data_file(folder / f"run_temperature_{step + 1}.dat",
                        cell_header(f"Water temperature, hour {step} of the flood", "degrees C"),
                        [run_temperature(s, t, step) for s, t in centres], 2)


def write_particles(folder):
    generator = random.Random(20240501)
    positions = []
    for _ in range(PARTICLES):
        # A patch released mid-estuary, spread along the channel more than across it.
        s = min(max(0.45 + 0.12 * (generator.random() + generator.random() - 1.0), 0.0), 1.0)
        t = 0.15 + 0.7 * generator.random()
        positions.append((s, t))
    points = [channel_point(s, t) for s, t in positions]
    write_data_file(folder / "particles_x.dat", coordinate_header("X coordinate (easting)"),
                    [x for x, _ in points], 3)
    write_sidecar(folder / "particles_x.dat")
    write_data_file(folder / "particles_y.dat", coordinate_header("Y coordinate (northing)"),
                    [y for _, y in points], 3)
    write_data_file(folder / "particles_depth.dat", particle_header("Depth below surface (m)"),
                    [depth(s, t) * generator.random() for s, t in positions], 2)


def main():
    default = pathlib.Path(__file__).resolve().parent / "estuary"
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", type=pathlib.Path, default=default,
                        help=f"folder to write to (default {default})")
    folder = parser.parse_args().output
    folder.mkdir(parents=True, exist_ok=True)
    write_grid(folder)
    write_particles(folder)


if __name__ == "__main__":
    main()
