"""Prints a shape file as JSON, read with pyshp: dump_shapefile.py PATH.shp

{"shapeType": 5, "fields": [[name, type, size, decimals], ...],
 "shapes": [[[x, y], ...], ...], "records": [[value, ...], ...]}
"""
import json
import sys

import shapefile


def main(path):
    with shapefile.Reader(path) as reader:
        fields = [list(field) for field in reader.fields[1:]]
        shapes = [[list(point) for point in shape.points] for shape in reader.shapes()]
        records = [list(record) for record in reader.records()]
        json.dump({"shapeType": reader.shapeType, "fields": fields, "shapes": shapes,
                   "records": records}, sys.stdout)


if __name__ == "__main__":
    main(sys.argv[1])
