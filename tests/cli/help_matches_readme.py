"""tesselar-convert --help and the README say the same: the synopsis, and every option with its
description, compared as text with the layout taken out (line breaks, column padding, the
README's backticks and escaped bars), so neither changes without the other:
help_matches_readme.py TESSELAR_CONVERT README"""

import re
import subprocess
import sys
import unittest

PROGRAM = README = ""  # set from the arguments


def words(text):
    return " ".join(text.replace("`", "").replace("\\|", "|").split())


def help_options(text):
    """{names and value: description} from the help's option lines: a line of names indented
    by 2 to 6 spaces, its description beside it or below, continued on further indented lines."""
    options, names = {}, None
    for line in text.split("\nOptions:\n", 1)[1].splitlines():
        option = re.match(r"^ {2,6}(-\S.*?)(?: {2,}(\S.*))?$", line)
        if option:
            names = words(option.group(1))
            options[names] = option.group(2) or ""
        elif names and line.startswith(" " * 8):
            options[names] += " " + line
        elif line.strip():
            raise AssertionError(f"help line in no option: {line!r}")
    return {names: words(description) for names, description in options.items()}


def readme_section(text):
    start = text.index("\n## Converting from the command line\n")
    return text[start:text.index("\n## ", start + 1)]


def readme_options(section):
    """{names and value: description} from the rows of the section's table of options."""
    table = section[section.index("\n| Option |"):].split("\n\n", 1)[0].splitlines()[3:]
    rows = [re.split(r"(?<!\\)\|", row)[1:-1] for row in table]
    return {words(names): words(description) for names, description in rows}


class HelpMatchesReadme(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        result = subprocess.run([PROGRAM, "--help"], capture_output=True, text=True, check=True)
        cls.help = result.stdout
        with open(README, encoding="utf-8") as readme:
            cls.section = readme_section(readme.read())

    def test_every_option_has_the_same_description(self):
        in_help, in_readme = help_options(self.help), readme_options(self.section)
        self.assertGreater(len(in_help), 10)
        self.assertEqual(sorted(in_help), sorted(in_readme))
        for names, description in in_help.items():
            with self.subTest(option=names):
                self.assertEqual(description, in_readme[names])

    def test_the_synopsis_is_the_usage_line(self):
        usage = words(self.help.splitlines()[0].removeprefix("Usage: "))
        synopsis = self.section.split("\n\n    ", 1)[1].split("\n\n", 1)[0]
        self.assertEqual(words(synopsis), usage)


if __name__ == "__main__":
    PROGRAM, README = sys.argv[1:3]
    unittest.main(argv=sys.argv[:1], verbosity=2)
