#!/usr/bin/env python3
"""Makes the release zip from a build, checks it as the user's unzipper and Notepad see it,
and unpacks it for the Wine test: release_zip_test.py BUILD_DIR VERSION UNPACK_DIR"""
import base64
import hashlib
import os
import re
import shutil
import struct
import sys
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
sys.dont_write_bytecode = True     # nothing left in the source tree
release_zip = __import__("release-zip")

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def main(build, version, unpack):
    out = os.path.join(build, "release-test")
    shutil.rmtree(out, ignore_errors=True)
    path = release_zip.make_release(build, out)
    check(os.path.basename(path) == "Kotopane-%s-win64.zip" % version, "zip name: " + path)

    with open(path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(path + ".sha256", encoding="ascii") as f:
        check(f.read() == "%s  %s\n" % (digest, os.path.basename(path)), "sha256 file")

    readme = "Kotopane/はじめにお読みください.txt"
    expected = {"Kotopane/", "Kotopane/App/", "Kotopane/部品/", "Kotopane/App/Kotopane.exe",
                "Kotopane/部品/QX5.exe", "Kotopane/部品/★ハート.bmp", "Kotopane/部品/使い方.html", readme}
    # The test build's QX5 carries every library: their licences ship beside it, and the
    # DLLs of libheif, with the Debian source versions in the readme.
    libs = release_zip.libraries(build)
    check(sorted(libs) == sorted(release_zip.LICENCES), "libraries: %r" % libs)
    licences = {"Kotopane/部品/%s/%s" % (lib, t): word for lib, texts in (
        ("libjpeg-turbo", ("Redistributions in binary form", "Independent JPEG Group", "zlib")),
        ("libwebp", ("Redistributions in binary form", "patent", "BSD-3-Clause")),
        ("libheif", ("GNU LESSER GENERAL PUBLIC LICENSE", "LGPL-3")),
        ("libde265", ("GNU LESSER GENERAL PUBLIC LICENSE", "DOC software", "SRWLOCK")),
        ("dav1d", ("Redistribution and use", "ISC"))) for t, word in zip(release_zip.LICENCES[lib], texts)}
    dlls = ["Kotopane/部品/libheif.dll", "Kotopane/部品/libde265.dll"]
    expected |= set(licences) | set(dlls) | {"Kotopane/部品/%s/" % lib for lib in libs}
    with zipfile.ZipFile(path) as z:
        infos = z.infolist()
        names = [i.filename for i in infos]
        check(sorted(names) == sorted(expected), "entries: %r" % names)
        for i in infos:
            check(i.flag_bits & 0x800, "no UTF-8 flag on " + i.filename)
        check(z.testzip() is None, "damaged entry")
        for name in ["Kotopane/App/Kotopane.exe"] + dlls:
            with open(os.path.join(build, name), "rb") as f:
                check(name in names and z.read(name) == f.read(), name + " differs from the build")

        raw = z.read(readme)
        check(raw.startswith(b"\xef\xbb\xbf"), "readme without BOM")
        text = raw[3:].decode("utf-8")
        check("\n" not in text.replace("\r\n", ""), "readme line ends are not all CR LF")
        for word in ["バージョン " + version, "App\\Kotopane.exe", "個人設定", "バックアップ",
                     "アンインストール", "ライセンス", "150%", "libjpeg-turbo", "README.ijg", "LICENSE.md",
                     "LICENSE-zlib.txt", "based in part on the work of the Independent JPEG Group", "LGPL",
                     "置き換え", "libheif.dll", "libde265.dll", "PATENTS"] + \
                    ["%s %s" % (lib, libs[lib][1]) for lib in libs]:
            check(word in text, "readme lacks " + word)
        check("@" not in text, "readme has a value not filled in")
        for name, word in licences.items():
            check(name in names and word in z.read(name).decode("utf-8"), "%s lacks %s" % (name, word))

        guide = z.read("Kotopane/部品/使い方.html").decode("utf-8")
        m = re.search(r'<img id="window-shot"[^>]*src="data:image/png;base64,([A-Za-z0-9+/=]+)"', guide)
        check(m is not None, "guide has no picture of the window")
        if m:
            png = base64.b64decode(m.group(1))
            check(png[:8] == b"\x89PNG\r\n\x1a\n", "guide picture is not a PNG")
            w, h = struct.unpack(">II", png[16:24])
            check(w >= 600 and h >= 300, "guide picture is only %dx%d" % (w, h))
        for topic in ("メニュー追加", "ドロップ", "セリフ.txt", "ハート", "背景色", "フォルダ(O)", "個人設定",
                      "現在の画像ファイル名", "画像を指定して別のメニューにコピー", "削除済みメニューの復活",
                      "ひとりごと"):
            check(topic in guide, "guide lacks " + topic)

        shutil.rmtree(unpack, ignore_errors=True)
        os.makedirs(unpack)
        z.extractall(unpack)
    check(not os.path.exists(os.path.join(unpack, "Kotopane", "個人設定")), "a settings folder was shipped")

    for f in failures:
        print("FAILED:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
