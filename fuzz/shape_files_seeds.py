"""Writes the seeds in fuzz/corpus/shape_files/ that drive ShapeFilesFuzzer.cpp through whole
shapefiles: written and put in place, in place of an earlier one's files, and a replacement
refused halfway.
python3 fuzz/shape_files_seeds.py fuzz/corpus/shape_files

Each seed is encoded for libFuzzer's FuzzedDataProvider, which the fuzz target decodes it with:
strings are taken from the front (a backslash and another byte end one), numbers from the back,
the last byte first, each in as many bytes as its range needs, most significant first.
"""

import sys
from pathlib import Path

OPEN, ADD_FIELD, COMMIT, ADD_VERTEX, ADD_RING, SET_VALUE, APPEND, RELEASE, PROJECTION = range(9)
SHP, UPPER_SHP = 0, 1  # the fuzz target's extensions of a path
EARLIER_SET = 0b11_1111_1111_1111  # every earlier file the fuzz target can put beside the path


class Seed:
    def __init__(self):
        self.front = bytearray()
        self.back = bytearray()  # in the order the numbers are taken

    def string(self, text):
        self.front += text.encode().replace(b"\\", b"\\\\") + b"\\\n"

    def number(self, value, low, high):
        width = 0
        while width < 8 and (high - low) >> (8 * width) > 0:
            width += 1
        self.back += (value - low).to_bytes(width, "big") if width else b""

    def boolean(self, value):
        self.number(int(value), 0, 255)

    def call(self, call):
        self.number(call, 0, PROJECTION)

    def hundredths(self, value):
        """A number of the fuzz target's third kind: whole hundredths."""
        self.number(2, 0, 3)
        self.number(round(value * 100), -100_000_000_000, 100_000_000_000)

    def field(self, name):
        self.call(ADD_FIELD)
        self.boolean(True)  # a new name
        self.string(name)
        self.boolean(True)  # numeric, 10 wide, 5 decimals

    def shape(self, points, values, polygon, columns):
        self.call(ADD_RING)
        self.number(0, 0, 2)  # part 0
        if polygon:
            self.number(len(points), 3, 5)
        for x, y in points:
            self.hundredths(x)
            self.hundredths(y)
        for column, value in values:
            self.call(SET_VALUE)
            self.number(column, 0, columns - 1)
            self.hundredths(value)
        self.call(APPEND)

    def start(self, name, extension, earlier, polygon, refusal=None):
        """The destination, its earlier files, and the file system's change (rename or
        placement) that is refused, counting from 0; None for none."""
        self.boolean(False)  # no disk limit
        self.boolean(refusal is not None)
        if refusal is not None:
            self.number(refusal, 0, 12)
        self.string(name)
        self.number(extension, 0, 5)
        self.number(earlier, 0, 0xFFFF)
        self.boolean(not polygon)

    def write(self, fields, shapes, polygon, projection=None):
        for name in fields:
            self.field(name)
        self.call(COMMIT)
        for points, values in shapes:
            self.shape(points, values, polygon, len(fields))
        if projection is not None:
            self.call(PROJECTION)
            self.string(projection)
        self.call(RELEASE)

    def bytes(self):
        return bytes(self.front + self.back[::-1])


def square(x, y):
    return [(x, y), (x, y + 1), (x + 1, y + 1), (x + 1, y)]


def seeds():
    # Polygons into an empty folder, with a .prj.
    new = Seed()
    new.start("lagoon", SHP, 0, polygon=True)
    new.write(["Depth", "Temp"], [(square(0, 0), [(0, 12.5), (1, -1.25)]),
                                  (square(1, 0), [(0, 7.75)])],
              polygon=True, projection='LOCAL_CS["grid"]')
    # Points in upper case over every file of an earlier shapefile, in both cases.
    upper = Seed()
    upper.start("PORTS", UPPER_SHP, EARLIER_SET, polygon=False)
    upper.write(["Mass"], [([(n * 0.5, -n)], [(0, n)]) for n in range(3)], polygon=False)
    # Polygons over the six files of an earlier shapefile: six set aside, two of the four new
    # files placed, and the third placement refused; everything must go back as it was.
    refused = Seed()
    refused.start("grid", SHP, 0b11_1111, polygon=True, refusal=8)
    refused.write(["Level"], [(square(2, 3), [(0, 1.5)])], polygon=True)
    return {"new_polygons_with_projection": new, "points_replace_both_cases": upper,
            "polygons_replacement_refused": refused}


if __name__ == "__main__":
    folder = Path(sys.argv[1])
    for name, seed in seeds().items():
        (folder / name).write_bytes(seed.bytes())
