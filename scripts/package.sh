#!/usr/bin/env bash
# Makes the release an operator downloads:
#   scripts/package.sh
# Makes a Release build of the program alone in its own build folder, build/release
# (scripts/configure.sh --program-only with BUILD_DIR set to it, which bootstraps that
# folder), and writes
#   dist/QuarvelPanel-<version>-win32.zip   QuarvelPanel.exe and 使用说明.txt
#   dist/SHA256SUMS                         sums of the exe (as unpacked) and of the zip
# then prints the zip's path and its SHA-256. <version> is the CMake project's version.
# The same commit gives the same bytes wherever and whenever it is packaged
# (scripts/check-reproducible.sh shows it):
# - the exe is linked without a time stamp, build paths or symbols (see CMakeLists.txt
#   and panel/CMakeLists.txt), and libjpeg-turbo's objects carry no folder and no time
#   (scripts/bootstrap.sh);
# - 使用说明.txt comes from resources/operator-notes.zh_CN.txt (UTF-8 in the repository),
#   converted to GBK with CRLF line ends: Notepad on Chinese Windows reads a file
#   without a byte-order mark in the ANSI code page, 936, and Notepad before
#   Windows 10 shows lone LFs as one long line;
# - the zip is written by Debian's python3: the two entries in a fixed order, dated
#   with the commit's time (or SOURCE_DATE_EPOCH when set), in UTC, with no extra
#   fields, MS-DOS as the system that made them and the same attributes; the Chinese entry
#   name is stored as GBK bytes without the UTF-8 flag, which is how the zip folders
#   of Windows Explorer (and other zip tools) on Chinese Windows read names: in the
#   system's code page, 936. Explorer before Windows 10 ignores the UTF-8 flag, so a
#   UTF-8 name would come out garbled there.
# PACKAGE_BUILD_DIR and DIST_DIR put the build folder and the output elsewhere.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build_dir=${PACKAGE_BUILD_DIR:-$here/build/release}
dist=${DIST_DIR:-$here/dist}
python=/usr/bin/python3 # Debian's, from bootstrap.sh; not a python3 earlier on the PATH

version=$(sed -n 's/^project(QuarvelPanel VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
[[ -n $version ]] || { echo "package: no project version in CMakeLists.txt" >&2; exit 1; }
grep -q "VALUE \"FileVersion\", \"$version\"" "$here/resources/panel.rc" ||
    { echo "package: resources/panel.rc does not say FileVersion $version" >&2; exit 1; }

BUILD_DIR=$build_dir "$here/scripts/configure.sh" --program-only --target QuarvelPanel
exe=$build_dir/bin/QuarvelPanel.exe

if [[ -n ${SOURCE_DATE_EPOCH:-} ]]; then
    epoch=$SOURCE_DATE_EPOCH
else
    epoch=$(git -C "$here" log -1 --format=%ct HEAD)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
notes=$work/notes.txt
sed 's/\r$//; s/$/\r/' "$here/resources/operator-notes.zh_CN.txt" | iconv -f UTF-8 -t GBK >"$notes"
# The bytes must read back as the source, and must not pass for UTF-8, or Notepad of
# Windows 10 and later would take them for UTF-8.
iconv -f GBK -t UTF-8 "$notes" | sed 's/\r$//' | cmp -s - "$here/resources/operator-notes.zh_CN.txt" ||
    { echo "package: the notes do not survive GBK" >&2; exit 1; }
if iconv -f UTF-8 -t UTF-8 "$notes" >/dev/null 2>&1; then
    echo "package: the GBK notes would also pass for UTF-8" >&2
    exit 1
fi

mkdir -p "$dist"
zip_name=QuarvelPanel-$version-win32.zip
rm -f "$dist"/QuarvelPanel-*-win32.zip "$dist/SHA256SUMS"
"$python" - "$work/$zip_name" "$epoch" "$exe" "$notes" <<'PYTHON'
import sys, time, zipfile

out, epoch, exe, notes = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]

class GbkEntry(zipfile.ZipInfo):
    # The name as GBK bytes, without the UTF-8 flag (bit 11).
    def _encodeFilenameFlags(self):
        return self.filename.encode("gbk"), self.flag_bits & ~0x800

stamp = time.gmtime(max(epoch, 315532800))[:6]  # a zip date is 1980 or later
with zipfile.ZipFile(out, "w") as archive:
    for name, path in (("QuarvelPanel.exe", exe), ("使用说明.txt", notes)):
        entry = GbkEntry(name, date_time=stamp)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.create_system = 0  # MS-DOS: the attributes below are DOS attributes
        entry.external_attr = 0x20  # "archive", as Windows marks an ordinary file
        with open(path, "rb") as source:
            archive.writestr(entry, source.read(), compresslevel=9)

# Read it back as a tool on Chinese Windows would.
with zipfile.ZipFile(out, metadata_encoding="gbk") as archive:
    names = [(e.filename, e.flag_bits & 0x800, e.extra) for e in archive.infolist()]
    assert names == [("QuarvelPanel.exe", 0, b""), ("使用说明.txt", 0, b"")], names
    assert archive.testzip() is None
PYTHON
mv "$work/$zip_name" "$dist/$zip_name"

exe_sum=$(sha256sum "$exe" | cut -d' ' -f1)
zip_sum=$(sha256sum "$dist/$zip_name" | cut -d' ' -f1)
printf '%s  %s\n%s  %s\n' "$exe_sum" QuarvelPanel.exe "$zip_sum" "$zip_name" >"$dist/SHA256SUMS"
echo "$dist/$zip_name"
echo "SHA-256 $zip_sum"
