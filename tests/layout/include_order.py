"""Every #include of the project's own headers runs downwards: a folder of src/ includes only
itself and the folders below it, so the base needs none of the others and the conversion that
calls readers, coordinate systems and writer stands above all three. Prints each include that
runs the other way and fails when there is one."""
import pathlib
import re
import sys

# Each folder with the folders it may include besides itself.
BELOW = {
    "conversion": set(),
    "controls/shapefile": {"conversion"},
    "controls/statusbar": {"conversion"},
    "spatial": set(),
    "crs": {"conversion"},
    "readers": {"conversion"},
    "flatgeobuf": {"conversion", "controls/shapefile", "crs", "spatial"},
    "geopackage": {"conversion", "controls/shapefile", "crs", "spatial"},
    "writer": {"conversion", "controls/shapefile", "crs", "spatial", "flatgeobuf", "geopackage"},
    "mesh": {"conversion", "controls/shapefile", "crs"},
    "run": {"conversion", "controls/shapefile", "crs", "spatial", "flatgeobuf", "geopackage",
            "readers", "writer", "mesh"},
}
BELOW["forms"] = BELOW["run"] | {"run", "controls/statusbar"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path, folders):
    """The longest listed folder that holds `path` (a path below src/), or None."""
    text = path.as_posix()
    return max((f for f in folders if text.startswith(f + "/")), key=len, default=None)


def main(src):
    src = pathlib.Path(src)
    folders = set(BELOW)
    wrong = []
    sources = [p for p in src.rglob("*") if p.suffix in (".h", ".cpp", ".in")]
    unlisted = {folder_of(p.relative_to(src), folders) for p in sources} - folders
    for path in sources:
        here = folder_of(path.relative_to(src), folders)
        if here is None:
            wrong.append(f"{path}: in no folder of the list")
            continue
        for included in INCLUDE.findall(path.read_text(encoding="utf-8")):
            there = folder_of(pathlib.PurePosixPath(included), folders)
            if there is not None and there != here and there not in BELOW[here]:
                wrong.append(f"{path}: includes {included} ({there} stands above {here})")
    for line in sorted(wrong):
        print(line)
    if unlisted - {None}:
        print(f"folders missing from the list: {sorted(unlisted - {None})}")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
