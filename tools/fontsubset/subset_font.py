#!/usr/bin/env python3
"""Cuts a font down to the characters that the program's own texts use.

    subset_font.py SOURCE[#INDEX] OUTPUT FAMILY TEXT_FILE...

Keeps every character outside ASCII found in the text files (read as UTF-8;
files that are not text are skipped), printable ASCII, and the layout
features, and names the result FAMILY so that it never stands in for the
complete font of the system: characters it lacks (a name the user typed, say)
come from the fonts after it in the program's font list.
"""
import logging
import sys

from fontTools import subset
from fontTools.ttLib import TTFont


def characters(paths):
    found = {chr(c) for c in range(0x20, 0x7F)}
    for path in paths:
        try:
            with open(path, encoding="utf-8") as f:
                found.update(c for c in f.read() if ord(c) >= 0x80)
        except (UnicodeDecodeError, OSError):
            continue
    return found


def main(argv):
    if len(argv) < 5:
        print(__doc__, file=sys.stderr)
        return 2
    source, output, family = argv[1], argv[2], argv[3]
    index = 0
    if "#" in source:
        source, number = source.rsplit("#", 1)
        index = int(number)
    # Tables the subsetter does not know (such as FontForge's time stamps) are
    # dropped without a word.
    logging.getLogger("fontTools.subset").setLevel(logging.ERROR)
    font = TTFont(source, fontNumber=index, lazy=False)
    options = subset.Options()
    options.layout_features = ["*"]
    options.name_IDs = ["*"]
    options.notdef_outline = True
    subsetter = subset.Subsetter(options)
    subsetter.populate(text="".join(sorted(characters(argv[4:]))))
    subsetter.subset(font)
    # The family under its new name; the licence and copyright records stay.
    for record in font["name"].names:
        if record.nameID in (1, 4, 16):
            record.string = family
        elif record.nameID == 6:
            record.string = family.replace(" ", "")
        elif record.nameID == 3:
            record.string = family + " subset"
    font.save(output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
