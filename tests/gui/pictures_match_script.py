"""Checks that the committed pictures are exactly what make_pictures.py draws:
pictures_match_script.py ASSETS_DIR"""
import filecmp
import subprocess
import sys
import tempfile
from pathlib import Path

assets = Path(sys.argv[1])
with tempfile.TemporaryDirectory() as drawn:
    subprocess.run([sys.executable, str(assets / "make_pictures.py"), drawn], check=True)
    differing = [name for name in ["logo.gif", "tesselar-16.png", "tesselar-32.png"]
                 if not filecmp.cmp(assets / name, Path(drawn) / name, shallow=False)]
if differing:
    sys.exit("differ from what make_pictures.py draws: " + ", ".join(differing))
