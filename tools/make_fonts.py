#!/usr/bin/env python3
"""Make the two faces ZephNotes carries for its edit controls under Wine.

Wine 8.0's Uniscribe reads before the first glyph of a run when a run starts
with a combining mark and the face has mark-positioning lookups (GPOS) for
the run's script: a note holding such text brings down any edit control that
shows it.  Without a GPOS table Uniscribe positions nothing, so no text can
lead it there.  This writes, from free faces, copies without GPOS (and
without the old 'kern' table, which nothing here needs), under names of their
own, claiming every text code page so that a request for any character set
finds them:

  ZephNotes Text      from Wine's Tahoma (fonts-wine): the program's face
  ZephNotes Fallback  from DejaVu Sans (fonts-dejavu-core): every script the
                      first one lacks

The output is committed; run this again only when a source face changes:

    apt-get install python3-fonttools fonts-wine fonts-dejavu-core
    /usr/bin/python3 tools/make_fonts.py [output-dir]
"""

import os
import sys

from fontTools.ttLib import TTFont

FACES = [
    # source, output file, family name
    ("/usr/share/wine/fonts/tahoma.ttf", "zephnotes_text.ttf", "ZephNotes Text"),
    ("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "zephnotes_fallback.ttf",
     "ZephNotes Fallback"),
]

# OS/2 code page bits 0-21 and 29: every Windows text code page (not the
# OEM and symbol bits), so that Wine takes the face for any lfCharSet.
TEXT_CODE_PAGES = 0x203FFFFF

# name ids that carry the family: family, full name, PostScript name,
# typographic family, typographic full name, WWS family.
FAMILY_NAME_IDS = {1: "family", 4: "full", 6: "postscript", 16: "family", 18: "full", 21: "family"}


def rename(font, family):
    for record in font["name"].names:
        kind = FAMILY_NAME_IDS.get(record.nameID)
        if kind is None:
            continue
        if kind == "postscript":
            record.string = family.replace(" ", "")
        else:
            record.string = family
    # The unique id (3) names the new face too, so no system takes it for
    # the face it came from.
    for record in font["name"].names:
        if record.nameID == 3:
            record.string = family + " Regular"


def make(source, target, family):
    font = TTFont(source)
    for table in ("GPOS", "kern"):
        if table in font:
            del font[table]
    rename(font, family)
    font["OS/2"].ulCodePageRange1 = TEXT_CODE_PAGES
    font.save(target)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources", "fonts")
    os.makedirs(out, exist_ok=True)
    for source, name, family in FACES:
        make(source, os.path.join(out, name), family)
        print(os.path.join(out, name), os.path.getsize(os.path.join(out, name)))


if __name__ == "__main__":
    main()
