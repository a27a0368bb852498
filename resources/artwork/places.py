"""Where the generator reads from and writes to, and the Debian packages it draws on.

Only the standard library is used here: the packages are checked (and installed when the
generator runs as root) before any module that needs numpy, Pillow or fontTools is imported.
"""

import os
import subprocess
import sys

RESOURCES = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
REPO = os.path.dirname(RESOURCES)
# The committed outputs (write_into() sends them elsewhere) and the previews.
GEN_DIR = os.path.join(RESOURCES, "generated")
DIST_DIR = os.path.join(RESOURCES, "dist", "Resource")
SCRIPT_DIR = RESOURCES  # where artwork.rc and MANIFEST.md are written
PREVIEW_DIR = os.path.join(os.environ.get("MVT_BUILD_DIR", os.path.join(REPO, "build")), "artwork")

SOURCE_FONT_PACKAGE = "fonts-vollkorn"
SOURCE_FONT = "/usr/share/fonts/truetype/vollkorn/Vollkorn-SemiBold.ttf"
SOURCE_FONT_LICENSE = "/usr/share/doc/fonts-vollkorn/copyright"
TITLE_FONT_PACKAGE = "fonts-triod-postnaja"
TITLE_FONT = "/usr/share/fonts/truetype/triod-postnaja/TriodPostnaja.ttf"
SYSTEM_PYTHON = "/usr/bin/python3"
NEEDED_PACKAGES = {
    "numpy": "python3-numpy",
    "PIL": "python3-pil",
    "fontTools": "python3-fonttools",
    "booleanOperations": "python3-booleanoperations",
    SOURCE_FONT: SOURCE_FONT_PACKAGE,
    TITLE_FONT: TITLE_FONT_PACKAGE,
    "/usr/bin/ttfautohint": "ttfautohint",
}


def ensure_packages():
    """Installs the Debian packages the generator draws on (generation time only)."""
    missing, modules_missing = [], False
    for what, package in NEEDED_PACKAGES.items():
        if what.startswith("/"):
            if not os.path.exists(what):
                missing.append(package)
        else:
            try:
                __import__(what)
            except ImportError:
                missing.append(package)
                modules_missing = True
    if not missing:
        return
    # Debian's python3-* packages belong to the system interpreter; another python3 found
    # first on PATH (pyenv, a virtual environment) lacks them, so the generator runs again
    # under the system one rather than installing what is already there.
    if (modules_missing and os.path.exists(SYSTEM_PYTHON)
            and os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON)
            and not os.environ.get("MVT_ARTWORK_REEXEC")):
        os.environ["MVT_ARTWORK_REEXEC"] = "1"
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)
    if os.geteuid() != 0:
        sys.exit("generate.py: missing Debian packages (install as root): " + " ".join(missing))
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(["apt-get", "install", "-y", "-qq", "--no-install-recommends", *missing],
                   check=True, env=env)


def write_into(folder):
    """Writes the committed outputs into folder instead of resources/ (the previews stay in
    PREVIEW_DIR)."""
    global GEN_DIR, DIST_DIR, SCRIPT_DIR
    GEN_DIR = os.path.join(folder, "generated")
    DIST_DIR = os.path.join(folder, "Resource")
    SCRIPT_DIR = folder
