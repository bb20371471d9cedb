"""Checks that the committed pictures are exactly what make_pictures.py draws.

    pictures_match_script.py ASSETS_DIR
"""

import filecmp
import subprocess
import sys
import tempfile
from pathlib import Path

PICTURES = ["logo.gif", "tesselar-16.png", "tesselar-32.png"]


def main():
    assets = Path(sys.argv[1])
    with tempfile.TemporaryDirectory() as drawn:
        subprocess.run([sys.executable, str(assets / "make_pictures.py"), drawn], check=True)
        differing = [name for name in PICTURES
                     if not filecmp.cmp(assets / name, Path(drawn) / name, shallow=False)]
    if differing:
        print("differ from what make_pictures.py draws: " + ", ".join(differing))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
