#!/usr/bin/env bash
# Tells what the bytes of the shipped exe are made of (the README's size section):
#   scripts/size-report.sh
# Builds QuarvelPanel in build/ (or $BUILD_DIR), links it once more with a link map
# (the build's own link command, into a temporary folder), checks that this gives the
# same bytes, and adds up from the map what each part brings into the sections that
# take room in the file: libjpeg-turbo, the resources, the host (kzhost), the panel
# (panel_core, main and lean_runtime) and the rest (the C and C++ runtimes' start-up,
# the import table, the relocations and the runtime's unwind tables). What is left of
# the file's size is the PE header and each section's padding to the file alignment.
# Fails when the map has no part of the link, or when any of the named parts comes to
# nothing (the map's format or a library's name changed), rather than print zeros.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
"$here/scripts/configure.sh" --target QuarvelPanel >/dev/null
exe=$build_dir/bin/QuarvelPanel.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

link=$(cd "$build_dir" && ninja -t commands bin/QuarvelPanel.exe | tail -n 1)
[[ $link == *" -o bin/QuarvelPanel.exe "* ]] || { echo "size-report: no link command for $exe" >&2; exit 1; }
link=${link/ -o bin\/QuarvelPanel.exe / -o $work/QuarvelPanel.exe -Wl,-Map=$work/map }
link=${link/-Wl,--out-implib,panel\/libQuarvelPanel.dll.a/-Wl,--out-implib,$work/implib.a}
(cd "$build_dir" && bash -c "$link")
cmp -s "$work/QuarvelPanel.exe" "$exe" || { echo "size-report: the map's link differs from $exe" >&2; exit 1; }

echo "$(basename "$exe"): $(stat -c %s "$exe") bytes, commit $(git -C "$here" rev-parse --short HEAD), $(date -u +%F)"
/usr/bin/python3 - "$work/map" "$(stat -c %s "$exe")" <<'PYTHON'
import collections, re, sys

text = open(sys.argv[1], errors="replace").read()
start = text.find("Linker script and memory map")
if start < 0:
    sys.exit("size-report: the link map has no memory map")
text = text[start:]  # what the link kept
lines = text.split("\n")
parts = collections.Counter()
section = ""
for i, line in enumerate(lines):
    out = re.match(r"^(\.\S+)\s+0x[0-9a-f]+\s+0x[0-9a-f]+", line)
    if out:
        section = out.group(1)
        continue
    piece = re.match(r"^ \S+\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
    if not piece and re.match(r"^ \S+\s*$", line) and i + 1 < len(lines):
        piece = re.match(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", lines[i + 1])
    if not piece or section == ".bss":
        continue
    size, source = int(piece.group(1), 16), piece.group(2)
    if "libjpeg" in source:
        part = "libjpeg-turbo"
    elif ".res" in source:
        part = "resources"
    elif "libkzhost" in source:
        part = "host"
    elif "panel_core" in source or "QuarvelPanel.dir" in source:
        part = "panel"
    else:
        part = "rest"
    parts[part] += size
missing = [part for part in ("libjpeg-turbo", "resources", "host", "panel", "rest") if parts[part] == 0]
if missing:
    sys.exit(f"size-report: the link map gives nothing for {', '.join(missing)}")
total = int(sys.argv[2])
for part in ("libjpeg-turbo", "resources", "host", "panel", "rest"):
    print(f"{part:<32} {parts[part]:>8} bytes {parts[part] / 1024:7.1f} KiB")
padding = total - sum(parts.values())
print(f"{'header and section padding':<32} {padding:>8} bytes {padding / 1024:7.1f} KiB")
print(f"{'total':<32} {total:>8} bytes {total / 1024:7.1f} KiB")
PYTHON
