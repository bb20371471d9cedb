"""The bytes of the sample shapefiles, read with struct against the published layouts (the ESRI
Shapefile Technical Description for .shp and .shx, the dBASE III table format for .dbf), not
through a shapefile reader, which forgives what other programs may not:
check_sample_bytes.py WRITE_SAMPLE_SHAPEFILES

The samples are those check_samples.py describes; every file must hold exactly its description.
"""

import datetime
import os
import re
import struct
import sys
import tempfile
import unittest

import check_samples
from check_samples import SAMPLES, extent

SHAPE_TYPES = {"Point": 1, "Polygon": 5}
MAIN_HEADER_BYTES = 100
RECORD_HEADER_BYTES = 8
# Every sample's table is dated by the clock the sample program hands the writer.
TABLE_DATE = datetime.date(2024, 5, 17)
# The column no value was ever given: its fields stay as dBASE starts a record, blank; every
# other null is a null number, all asterisks.
NEVER_SET = {"Unset"}
# The sample written with a coordinate system, and that system (EPSG:32633, WGS 84 / UTM zone
# 33N) in the ESRI form of WKT 1: ESRI's names, no AUTHORITY, AXIS or TOWGS84 nodes.
PROJECTED = "cells"
ESRI_UTM_33N = ("PROJCS", "WGS_1984_UTM_Zone_33N", [
    ("GEOGCS", "GCS_WGS_1984", [
        ("DATUM", "D_WGS_1984", [("SPHEROID", "WGS_1984", [6378137.0, 298.257223563])]),
        ("PRIMEM", "Greenwich", [0.0]),
        ("UNIT", "Degree", [0.0174532925199433])]),
    ("PROJECTION", "Transverse_Mercator", []),
    ("PARAMETER", "False_Easting", [500000.0]),
    ("PARAMETER", "False_Northing", [0.0]),
    ("PARAMETER", "Central_Meridian", [15.0]),
    ("PARAMETER", "Scale_Factor", [0.9996]),
    ("PARAMETER", "Latitude_Of_Origin", [0.0]),
    ("UNIT", "Meter", [1.0])])


def wkt_tree(text):
    """WKT 1 as (KEYWORD, name, [children, numbers or words]); numbers as floats, rounded to
    15 significant digits so that writers may differ in the last digit of a double."""
    tokens = re.findall(r'"[^"]*"|[A-Za-z_][A-Za-z0-9_]*|[-+0-9.eE]+|[\[\],]', text)
    position = 0

    def node():
        nonlocal position
        keyword, opening, name = tokens[position:position + 3]
        assert opening == "[" and name.startswith('"'), f"not a WKT node at {keyword}"
        position += 3
        items = []
        while tokens[position] == ",":
            token = tokens[position + 1]
            if tokens[position + 2] == "[":
                position += 1
                items.append(node())
            else:
                quoted = token.startswith('"') or token[0].isalpha()
                items.append(token.strip('"') if quoted else float(f"{float(token):.15g}"))
                position += 2
        assert tokens[position] == "]", f"{keyword} is not closed"
        position += 1
        return (keyword, name.strip('"'), items)

    tree = node()
    assert position == len(tokens), "text after the WKT"
    return tree


def rounded(tree):
    keyword, name, items = tree
    return (keyword, name, [rounded(item) if isinstance(item, tuple)
                            else float(f"{item:.15g}") for item in items])


class SampleBytes(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        check_samples.write_samples(PROGRAM, cls.folder.name)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def read(self, stem, extension):
        with open(os.path.join(self.folder.name, stem + extension), "rb") as file:
            return file.read()

    def check_main_header(self, data, kind, shapes):
        """The 100-byte header of a .shp or .shx: big-endian file code and length in 16-bit
        words, then little-endian version, shape type and box (Z and M unused: 0)."""
        self.assertEqual(struct.unpack(">7i", data[:28]), (9994, 0, 0, 0, 0, 0, len(data) // 2))
        self.assertEqual(len(data) % 2, 0)
        self.assertEqual(struct.unpack("<2i", data[28:36]), (1000, SHAPE_TYPES[kind]))
        box = struct.unpack("<8d", data[36:100])
        if shapes:  # an empty file's box is unspecified
            self.assertEqual(box[:4], extent(shapes))
        self.assertEqual(box[4:], (0.0,) * 4)

    def shp_records(self, shp, kind):
        """Each record's header offset and content length in 16-bit words as its header says,
        and the parts it holds; the content length is checked against the bytes the record's
        own structure takes."""
        records, offset = [], MAIN_HEADER_BYTES
        while offset < len(shp):
            number, words = struct.unpack(">2i", shp[offset:offset + 8])
            self.assertEqual(number, len(records) + 1, f"record at byte {offset}")
            content = shp[offset + 8:offset + 8 + 2 * words]
            self.assertEqual(struct.unpack("<i", content[:4])[0], SHAPE_TYPES[kind])
            if kind == "Point":
                size, parts = 20, [[struct.unpack("<2d", content[4:20])]]
            else:
                part_count, point_count = struct.unpack("<2i", content[36:44])
                starts = list(struct.unpack(f"<{part_count}i", content[44:44 + 4 * part_count]))
                at = 44 + 4 * part_count
                points = [struct.unpack("<2d", content[at + 16 * n:at + 16 * n + 16])
                          for n in range(point_count)]
                size = at + 16 * point_count
                parts = [points[a:b] for a, b in zip(starts, starts[1:] + [point_count])]
                self.assertEqual(struct.unpack("<4d", content[4:36]), extent([parts]))
            self.assertEqual(2 * words, size, f"content length of record {number}")
            records.append((offset // 2, words, parts))
            offset += RECORD_HEADER_BYTES + 2 * words
        self.assertEqual(offset, len(shp), "the last record runs past the file's end")
        return records

    def test_main_and_index_files(self):
        for name, (kind, _, shapes, _) in SAMPLES.items():
            with self.subTest(sample=name):
                stem = name[:-4]
                shp, shx = self.read(stem, ".shp"), self.read(stem, ".shx")
                self.check_main_header(shp, kind, shapes)
                self.check_main_header(shx, kind, shapes)
                self.assertEqual(shx[28:100], shp[28:100])
                records = self.shp_records(shp, kind)
                self.assertEqual([parts for _, _, parts in records], shapes)
                # One 8-byte entry per record: its header's offset in the .shp and its content
                # length, both in 16-bit words; the content length leaves out the record header.
                self.assertEqual(len(shx), MAIN_HEADER_BYTES + 8 * len(records))
                entries = [struct.unpack(">2i", shx[at:at + 8])
                           for at in range(MAIN_HEADER_BYTES, len(shx), 8)]
                self.assertEqual(entries, [(offset, words) for offset, words, _ in records])

    def test_attribute_table(self):
        date = bytes([TABLE_DATE.year - 1900, TABLE_DATE.month, TABLE_DATE.day])
        for name, (_, fields, _, rows) in SAMPLES.items():
            with self.subTest(sample=name):
                dbf = self.read(name[:-4], ".dbf")
                header_length = 32 + 32 * len(fields) + 1
                record_length = 1 + sum(width for _, _, width, _ in fields)
                # dBASE III without memo, last update YY (years since 1900) MM DD.
                self.assertEqual(dbf[0], 0x03)
                self.assertEqual(dbf[1:4], date)
                self.assertEqual(struct.unpack("<IHH", dbf[4:12]),
                                 (len(rows), header_length, record_length))
                self.assertEqual(dbf[12:32], bytes(20), "reserved header bytes")
                for n, (title, kind, width, decimals) in enumerate(fields):
                    descriptor = dbf[32 + 32 * n:64 + 32 * n]
                    encoded = title.encode("utf-8")
                    self.assertEqual(descriptor[:11], encoded.ljust(11, b"\0"), title)
                    self.assertEqual(chr(descriptor[11]), kind, title)
                    self.assertEqual((descriptor[16], descriptor[17]), (width, decimals), title)
                    self.assertEqual(descriptor[12:16] + descriptor[18:], bytes(18), title)
                self.assertEqual(dbf[header_length - 1], 0x0D, "field terminator")
                self.assertEqual(len(dbf), header_length + record_length * len(rows) + 1)
                self.assertEqual(dbf[-1], 0x1A, "end-of-file byte")
                for r, row in enumerate(rows):
                    record = dbf[header_length + r * record_length:][:record_length]
                    self.assertEqual(record[:1], b" ", f"record {r + 1} is marked deleted")
                    self.check_fields(record[1:], fields, row, r + 1)

    def check_fields(self, record, fields, row, number):
        """Numbers right-aligned in their width with the column's decimals, fewer when a value
        is too wide for them, in exponent form when too wide for any; a null is asterisks from
        end to end."""
        at = 0
        for (title, _, width, decimals), value in zip(fields, row):
            text = record[at:at + width].decode("ascii")
            at += width
            where = f"record {number}, column {title}: {text!r}"
            if value is None:
                self.assertEqual(text, (" " if title in NEVER_SET else "*") * width, where)
                continue
            fixed = f"{value:{width}.{decimals}f}"
            if len(fixed) == width:
                self.assertEqual(text, fixed, where)
                continue
            if len(f"{value:.0f}") <= width:  # too wide with every decimal: fewer of them
                self.assertRegex(text, rf"^ *-?\d+(\.\d{{1,{decimals - 1}}})?$", where)
            else:  # too wide even without decimals: in exponent form
                self.assertRegex(text, r"^ *-?\d(\.\d+)?e[-+]\d+$", where)
            self.assertEqual(float(text), float(value), where)

    def test_code_page_and_coordinate_system(self):
        for name in SAMPLES:
            stem = name[:-4]
            with self.subTest(sample=name):
                self.assertEqual(self.read(stem, ".cpg"), b"UTF-8")
                prj = os.path.join(self.folder.name, stem + ".prj")
                if stem != PROJECTED:
                    self.assertFalse(os.path.exists(prj))
                    continue
                text = self.read(stem, ".prj").decode("ascii")
                self.assertNotIn("\n", text.rstrip("\r\n"))
                self.assertEqual(wkt_tree(text), rounded(ESRI_UTM_33N))


if __name__ == "__main__":
    PROGRAM = sys.argv[1]
    unittest.main(argv=sys.argv[:1], verbosity=2)
