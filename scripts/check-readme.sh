#!/usr/bin/env bash
# Checks what README.md says of the repository where a script can tell:
#   scripts/check-readme.sh [BUILD_DIR]     (scripts/test.sh runs it; default build/)
# - every file that git tracks falls under a row of the layout table ("Layout of the
#   source"): a row's first cell names files or folders; a file is under the row of
#   the deepest folder that holds it, or the row that names it. A folder row whose
#   text names files of that folder in backticks (by name, or without the extension:
#   `dpi` for dpi.cpp and dpi.h) names them all, CMakeLists.txt aside; every name in
#   backticks of a folder row is a file or folder under it (a row whose names are all
#   stale fails), and a folder row names each folder inside it (`support/`);
# - every path of the repository that the README names (host/..., scripts/... and
#   so on) is a file or folder that git tracks;
# - every PANEL_ name the README gives is used by the code of a file of the repository
#   (its comments left out: a name only a comment gives is stale), and every
#   -DPANEL_ option it gives is an option() of the CMake project;
# - a number of test programs it states ("N test programs") is the number that
#   tests/CMakeLists.txt makes, as the configured BUILD_DIR lists them, and each
#   program of the heap-checked pass (HeapChecked.*) is one of them.
# Lists every finding and exits 1 on any; exits 2 when BUILD_DIR has no tests.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build=$(cd "${1:-$build_dir}" 2>/dev/null && pwd) || { echo "readme: no build folder ${1:-$build_dir} (configure first)" >&2; exit 2; }
listing=$(git -C "$here" ls-files) || { echo "readme: git cannot list the files" >&2; exit 1; }
[[ -n $listing ]] || { echo "readme: git lists no file" >&2; exit 1; }
mapfile -t testfiles < <(find "$build/tests" -name CTestTestfile.cmake 2>/dev/null)
((${#testfiles[@]} > 0)) || { echo "readme: $build has no tests (scripts/configure.sh makes them)" >&2; exit 2; }

/usr/bin/python3 - "$here" "${testfiles[@]}" 3<<<"$listing" <<'PYTHON'
import os, re, subprocess, sys

here, testfiles = sys.argv[1], sys.argv[2:]
files = [line for line in open(3).read().split("\n") if line]  # git ls-files
readme = open(os.path.join(here, "README.md"), encoding="utf-8").read()
findings = []
folders = {os.path.dirname(f) for f in files}
for f in files:
    parts = f.split("/")
    folders.update("/".join(parts[:i]) for i in range(1, len(parts)))
folders.discard("")

def stem(name):
    return name.rsplit(".", 1)[0] if "." in name[1:] else name

# The layout table: the rows after the heading, up to the next heading.
section = re.search(r"^## Layout of the source\n(.*?)(?=^## |\Z)", readme, re.M | re.S)
if not section:
    findings.append('no section "## Layout of the source"')
rows = []
for line in (section.group(1) if section else "").split("\n"):
    cells = [c.strip() for c in line.strip().strip("|").split("|")] if line.startswith("|") else []
    if len(cells) < 2 or set(cells[0]) <= set("-: "):
        continue
    names = re.findall(r"`([^`]+)`", cells[0])
    if names:
        rows.append((names, re.findall(r"`([^`]+)`", " | ".join(cells[1:]))))
if section and not rows:
    findings.append("the layout table has no rows")

named_files, folder_rows = set(), {}
for names, mentioned in rows:
    for name in names:
        if name.endswith("/"):
            folder = name.rstrip("/")
            if folder not in folders:
                findings.append(f"layout table: no folder {name}")
            folder_rows[folder] = mentioned
        elif name in files:
            named_files.add(name)
        else:
            findings.append(f"layout table: no file {name}")

for folder, mentioned in folder_rows.items():
    children = [f for f in files if os.path.dirname(f) == folder and os.path.basename(f) != "CMakeLists.txt"]
    known = {os.path.basename(f) for f in children} | {stem(os.path.basename(f)) for f in children}
    below = {os.path.relpath(f, folder) for f in files if f.startswith(folder + "/")}
    below |= {os.path.relpath(d, folder) + "/" for d in folders if d.startswith(folder + "/")}
    for m in mentioned:
        if m not in known and m not in below:
            findings.append(f"layout table: the {folder}/ row names `{m}`, which is not in {folder}/")
    for d in sorted(d for d in folders if os.path.dirname(d) == folder):
        if os.path.basename(d) + "/" not in mentioned:
            findings.append(f"layout table: the {folder}/ row does not name its folder {os.path.basename(d)}/")
    if not any(m in known for m in mentioned):
        continue  # a row that names no file of its folder stands for all its files
    for f in children:
        name = os.path.basename(f)
        if name not in mentioned and stem(name) not in mentioned:
            findings.append(f"layout table: the {folder}/ row does not name {f}")

for f in files:
    if f in named_files:
        continue
    if not any(f.startswith(folder + "/") for folder in folder_rows):
        findings.append(f"layout table: no row holds {f}")

# Paths of the repository named anywhere in the README.
tops = sorted({f.split("/")[0] for f in files if "/" in f}, key=len, reverse=True)
pattern = r"(?<![\w./-])(?:%s)/[\w./-]*" % "|".join(re.escape(t) for t in tops)
for path in sorted(set(re.findall(pattern, readme))):
    path = path.rstrip(".")
    if path in files or path.rstrip("/") in folders:
        continue
    findings.append(f"README names {path}, which git does not track")

# PANEL_ names and -D options.
others = [f for f in files if f != "README.md"]
options = set()
for f in files:
    if os.path.basename(f) == "CMakeLists.txt":
        options.update(re.findall(r"^\s*option\((\w+)", open(os.path.join(here, f)).read(), re.M))
def code(path):
    """The file's text without its comments: # in scripts and CMake, // and /* */ in C++."""
    text = open(os.path.join(here, path), encoding="utf-8", errors="replace").read()
    if path.endswith((".cpp", ".h", ".rc")):
        return re.sub(r"//[^\n]*|/\*.*?\*/", " ", text, flags=re.S)
    return re.sub(r"(?:^|(?<=\s))#[^\n]*", " ", text, flags=re.M)

for name in sorted(set(re.findall(r"\bPANEL_[A-Z0-9_]+\b", readme))):
    hits = subprocess.run(["git", "-C", here, "grep", "-lw", name, "--", *others],
                          capture_output=True, text=True).stdout.split()
    used = any(re.search(r"\b%s\b" % name, code(f)) for f in hits)
    if not used:
        findings.append(f"README names {name}, which no file of the repository uses")
for name in sorted(set(re.findall(r"-D(PANEL_[A-Z0-9_]+)", readme))):
    if name not in options:
        findings.append(f"README gives -D{name}, which is no option() of the CMake project")

# The test programs, as the build lists them.
programs, heap_checked = set(), set()
for testfile in testfiles:
    text = open(testfile).read()
    programs.update(re.findall(r'include\("[^"]*/([\w.-]+)\[\d+\]_include\.cmake"\)', text))
    heap_checked.update(re.findall(r"add_test\(\[=\[HeapChecked\.([\w.-]+)\]=\]", text))
if not programs:
    findings.append("the build lists no test program")
stated = re.findall(r"\b(\d+) test programs\b", readme)
for number in sorted(set(stated)):
    if int(number) != len(programs):
        findings.append(f"README states {number} test programs; tests/CMakeLists.txt makes {len(programs)}")
for program in sorted(heap_checked - programs):
    findings.append(f"the heap-checked pass runs {program}, which is no test program")

for finding in findings:
    print(f"readme: {finding}", file=sys.stderr)
if findings:
    sys.exit(1)
print(f"readme: the layout table holds the {len(files)} files, the named paths, names and options exist, "
      f"{len(programs)} test programs, {len(heap_checked)} of them heap-checked")
PYTHON
