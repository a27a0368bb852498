#!/usr/bin/env python3
"""Generates every picture, sound, text and the typeface of the distribution.

Run from anywhere:  python3 resources/generate.py [--contact-sheet-only]

Everything is drawn from scratch with fixed seeds, so two runs give identical files.
Outputs:
  resources/generated/        pictures (BMP), sounds (WAV), the welcome text (cp1251, CR LF)
  resources/dist/Resource/    files that lie beside the program: WINDSOR.TTF, its licence, About.bmp
  build/artwork/              contact sheet and full-size previews (not committed)

The drawing lives in the package resources/artwork/: toolkit (palette, BMP writers, shapes,
noise, materials, lettering), typeface, backgrounds, progress, buttons, sounds, texts, the
catalogue that writes artwork.rc and MANIFEST.md, and previews.

Needs Debian's python3-pil, python3-fonttools, python3-numpy and python3-booleanoperations;
the typeface is derived from fonts-vollkorn (condensed, re-hinted with ttfautohint, renamed),
the title's lettering from fonts-triod-postnaja (three capitals redrawn, see
artwork/title_face.py). Missing Debian packages are
installed with apt-get when the generator runs as root; the build itself never runs this script.
"""

import argparse
import os
import shutil
import tempfile

from artwork import places

places.ensure_packages()

from artwork import (backgrounds, buttons, catalogue, previews, sounds, texts,  # noqa: E402
                     typeface)


def generate_all():
    os.makedirs(places.GEN_DIR, exist_ok=True)
    os.makedirs(places.DIST_DIR, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        typeface.build_font(work)
    out = catalogue.Output()
    screens = backgrounds.add_backgrounds(out)
    buttons.add_buttons(out, screens)
    sounds.add_sounds(out)
    wrapped, height = texts.add_description(out)
    backgrounds.add_about(out)
    catalogue.write_resource_script(out)
    catalogue.write_manifest(out, wrapped, height)
    return out, wrapped, height


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--contact-sheet-only", action="store_true",
                        help="draw everything but write only the previews under build/artwork")
    args = parser.parse_args()
    if args.contact_sheet_only:
        # Everything is drawn into a scratch folder; the committed files stay untouched.
        scratch = tempfile.mkdtemp(prefix="mvt-artwork-")
        places.write_into(scratch)
    out, wrapped, height = generate_all()
    previews.write_previews(out)
    if args.contact_sheet_only:
        shutil.rmtree(scratch)
    print("description: %d wrapped lines, %d px (scroll end %d)"
          % (wrapped, height, texts.SCROLL_END))
    print("previews in", places.PREVIEW_DIR)


if __name__ == "__main__":
    main()
