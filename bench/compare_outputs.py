#!/usr/bin/python3
"""Checks that two shape files of the same job agree, read back with pyshp.

    compare_outputs.py EXPECTED_COUNT FIRST.shp SECOND.shp

Compares the shape type, the record count (also against EXPECTED_COUNT), the column
definitions, the file's bounding box and a sample of records spread over the whole file (the
first, the last and a fixed pseudo-random set): each ring closed and clockwise with the same
corners (a ring may start at another corner), or the same point, and the same values in every
column. Prints one line per problem and a summary; exits 1 when they differ.
"""

import random
import sys

import shapefile

SAMPLE_SIZE = 400
MAX_REPORTED = 10


def twice_signed_area(points):
    return sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(points, points[1:]))


def ring_problem(points):
    if len(points) < 4 or points[0] != points[-1]:
        return "ring not closed"
    if twice_signed_area(points) >= 0:
        return "ring not clockwise"
    return None


def canonical_ring(points):
    """The open ring rotated to start at its smallest corner."""
    corners = [tuple(p) for p in points[:-1]]
    start = corners.index(min(corners))
    return corners[start:] + corners[:start]


def field_definitions(reader):
    return [tuple(field) for field in reader.fields if field[0] != "DeletionFlag"]


def compare(expected_count, first_path, second_path):
    first = shapefile.Reader(first_path)
    second = shapefile.Reader(second_path)
    problems = []

    def check(condition, message):
        if not condition:
            problems.append(message)
        return condition

    check(first.shapeType == second.shapeType,
          f"shape type {first.shapeType} against {second.shapeType}")
    count = len(first)
    check(count == expected_count, f"{first_path}: {count} records, expected {expected_count}")
    check(len(second) == expected_count,
          f"{second_path}: {len(second)} records, expected {expected_count}")
    check(field_definitions(first) == field_definitions(second),
          f"columns {field_definitions(first)} against {field_definitions(second)}")
    check(list(first.bbox) == list(second.bbox), f"bounding box {first.bbox} against {second.bbox}")
    if problems or count == 0:
        return problems, 0

    generator = random.Random(20240601)
    sample = sorted({0, count - 1} | {generator.randrange(count) for _ in range(SAMPLE_SIZE)})
    for index in sample:
        shape_a, shape_b = first.shape(index), second.shape(index)
        if first.shapeType == shapefile.POLYGON:
            for path, shape in ((first_path, shape_a), (second_path, shape_b)):
                problem = ring_problem(shape.points)
                check(problem is None, f"{path}: record {index}: {problem}")
            check(canonical_ring(shape_a.points) == canonical_ring(shape_b.points),
                  f"record {index}: corners {shape_a.points} against {shape_b.points}")
        else:
            check(shape_a.points == shape_b.points,
                  f"record {index}: point {shape_a.points} against {shape_b.points}")
        values_a, values_b = list(first.record(index)), list(second.record(index))
        check(values_a == values_b, f"record {index}: values {values_a} against {values_b}")
    return problems, len(sample)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    expected_count = int(sys.argv[1])
    problems, sampled = compare(expected_count, sys.argv[2], sys.argv[3])
    for problem in problems[:MAX_REPORTED]:
        print(problem)
    if problems:
        print(f"DIFFER: {len(problems)} problems")
        return 1
    print(f"agree: {expected_count} records, {sampled} sampled records identical")
    return 0


if __name__ == "__main__":
    sys.exit(main())
