"""Prints a shape file as pyshp reads it, as JSON: dump_shapefile.py PATH.shp"""
import json
import sys

import shapefile

with shapefile.Reader(sys.argv[1]) as reader:
    json.dump({"shapeType": reader.shapeType,
               "fields": [field[0] for field in reader.fields[1:]],
               "shapes": [[list(point) for point in shape.points] for shape in reader.shapes()],
               "records": [list(record) for record in reader.records()]}, sys.stdout)
