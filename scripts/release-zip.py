#!/usr/bin/env python3
"""Packs the release: release-zip.py BUILD_DIR OUT_DIR

Takes the shipped files from BUILD_DIR's program folder (BUILD_DIR/Kotopane) and the version
CMake wrote (BUILD_DIR/generated/version.txt), and writes OUT_DIR/Kotopane-VERSION-win64.zip
with its SHA-256 file beside it. Prints the zip's path."""
import hashlib
import os
import re
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TOP = "Kotopane"
README = "はじめにお読みください.txt"
# Program-folder paths of everything shipped; the settings folder is the program's own business.
SHIPPED = ["App/Kotopane.exe", "部品/QX5.exe", "部品/★ハート.bmp", "部品/使い方.html"]
# The licence texts of each library QX5 may carry, in its folder of the parts folder: shipped
# when the build says it carries the library (generated/picture-libs.txt).
LICENCES = {
    "libjpeg-turbo": ["LICENSE.md", "README.ijg", "LICENSE-zlib.txt"],   # BSD-3-Clause, IJG, zlib
    "libwebp": ["COPYING", "PATENTS", "copyright"],
    "libheif": ["COPYING", "copyright"],
    "libde265": ["COPYING", "copyright", "libde265-windows-locks.patch"],   # our change to it
    "dav1d": ["COPYING", "copyright"],
}


def libraries(build):
    """The libraries QX5 carries: name -> (version, Debian source version or "")."""
    libs = {}
    path = os.path.join(build, "generated", "picture-libs.txt")
    if os.path.isfile(path):
        with open(path, encoding="utf-8") as f:
            for line in f.read().splitlines():
                name, version, debian = (line.split("\t") + ["", ""])[:3]
                libs[name] = (version, debian)
    return libs


def shipped(build):
    """Program-folder paths to ship, and the folders that hold them."""
    files = list(SHIPPED)
    folders = ["App/", "部品/"]
    libs = libraries(build)
    for name in LICENCES:
        if name in libs:
            files += ["部品/%s/%s" % (name, text) for text in LICENCES[name]]
            folders.append("部品/%s/" % name)
    if "libheif" in libs:
        # libheif's DLL and the DLLs it needs: the build copies exactly those.
        parts = os.path.join(build, "Kotopane", "部品")
        dlls = sorted(n for n in os.listdir(parts) if n.lower().endswith(".dll"))
        # None at all is named as libheif's own, which the build lacks.
        files += ["部品/" + n for n in dlls] or ["部品/libheif.dll"]
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


def readme_text(text, version, libs):
    """Fills in the readme's @VERSION@ and, for each library, @name.version@ and @name.debian@
    (the Debian source version). A line naming a value the build has not (a library it lacks,
    a library built elsewhere than from Debian's source) is left out; @?name@ and
    @?name.debian@ only ask for the value, and write nothing."""
    values = {"VERSION": version}
    for name, (lib_version, debian) in libs.items():
        values.update({name: lib_version, name + ".version": lib_version, name + ".debian": debian})
    lines = []
    for line in text.split("\n"):
        marks = re.findall(r"@(\??)([A-Za-z0-9.+-]+)@", line)
        if all(values.get(key) for _, key in marks):
            for ask, key in marks:
                line = line.replace("@%s%s@" % (ask, key), "" if ask else values[key])
            lines.append(line)
    return "\n".join(lines)


def readme_bytes(version, libs):
    with open(os.path.join(ROOT, "resources", "readme.txt"), encoding="utf-8") as f:
        text = readme_text(f.read(), version, libs)
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
        z.writestr(entry(TOP + "/" + README, now), readme_bytes(version, libraries(build)))
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
