#!/usr/bin/env python3
"""Packs the release: release-zip.py BUILD_DIR OUT_DIR

Takes the shipped files from BUILD_DIR's program folder (BUILD_DIR/Kotopane) and the version
CMake wrote (BUILD_DIR/generated/version.txt), and writes OUT_DIR/Kotopane-VERSION-win64.zip
with its SHA-256 file beside it. Prints the zip's path."""
import hashlib
import os
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TOP = "Kotopane"
README = "はじめにお読みください.txt"
# Program-folder paths of everything shipped; the settings folder is the program's own business.
SHIPPED = ["App/Kotopane.exe", "部品/QX5.exe", "部品/★ハート.bmp", "部品/使い方.html"]
# libjpeg-turbo's licence texts, shipped when QX5 is built with it (the build says so in
# generated/libjpeg-turbo.txt): IJG (README.ijg), BSD-3-Clause (LICENSE.md), zlib.
LIBJPEG_LICENCES = ["部品/libjpeg-turbo/LICENSE.md", "部品/libjpeg-turbo/README.ijg",
                    "部品/libjpeg-turbo/LICENSE-zlib.txt"]


def shipped(build):
    """Program-folder paths to ship, and the folders that hold them."""
    files = list(SHIPPED)
    folders = ["App/", "部品/"]
    if os.path.isfile(os.path.join(build, "generated", "libjpeg-turbo.txt")):
        files += LIBJPEG_LICENCES
        folders.append("部品/libjpeg-turbo/")
    return files, folders


class Utf8Entry(zipfile.ZipInfo):
    # Every name carries the UTF-8 flag (bit 11), plain ASCII ones too, so that no unzipper
    # falls back to guessing a code page for the Japanese names.
    def _encodeFilenameFlags(self):
        return self.filename.encode("utf-8"), self.flag_bits | 0x800


def entry(name, mtime, folder=False):
    mode = 0o40755 if folder else 0o100755 if name.endswith(".exe") else 0o100644
    e = Utf8Entry(name, date_time=time.localtime(max(mtime, 315532800))[:6])
    # Unix origin, as Info-ZIP on Linux writes it: an FAT origin would make Info-ZIP's unzip
    # read the names in an OEM code page despite the flag. The low byte holds the MS-DOS
    # attributes (folder, archive) that Windows reads.
    e.create_system = 3
    e.external_attr = mode << 16 | (0x10 if folder else 0x20)
    e.compress_type = zipfile.ZIP_STORED if folder else zipfile.ZIP_DEFLATED
    return e


def readme_bytes(version):
    with open(os.path.join(ROOT, "resources", "readme.txt"), encoding="utf-8") as f:
        text = f.read().replace("@VERSION@", version)
    # Notepad on any Windows reads UTF-8 with a BOM; CR LF for the old Notepad of Windows 7.
    return b"\xef\xbb\xbf" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def make_release(build, out):
    with open(os.path.join(build, "generated", "version.txt"), encoding="utf-8") as f:
        version = f.read().strip()
    folder = os.path.join(build, "Kotopane")
    files, folders = shipped(build)
    missing = [p for p in files if not os.path.isfile(os.path.join(folder, p))]
    if missing:
        sys.exit("release-zip: not built: " + ", ".join(missing))
    os.makedirs(out, exist_ok=True)
    name = "Kotopane-%s-win64.zip" % version
    path = os.path.join(out, name)
    now = time.time()
    tmp = path + ".part"
    with zipfile.ZipFile(tmp, "w", compression=zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for d in [""] + folders:
            z.writestr(entry(TOP + "/" + d, now, folder=True), b"")
        for p in files:
            src = os.path.join(folder, p)
            with open(src, "rb") as f:
                z.writestr(entry(TOP + "/" + p, os.path.getmtime(src)), f.read())
        z.writestr(entry(TOP + "/" + README, now), readme_bytes(version))
    os.replace(tmp, path)
    with open(path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(path + ".sha256", "w", encoding="ascii", newline="\n") as f:
        f.write("%s  %s\n" % (digest, name))   # the format `sha256sum -c` reads
    return path


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    print(make_release(sys.argv[1], sys.argv[2]))
