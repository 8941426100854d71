#!/usr/bin/env bash
# Checks that every C++ file of the repository is as the root's .clang-format lays it
# out, with Debian's clang-format; lists each file that differs and fails on any.
#   scripts/check-format.sh        (scripts/test.sh runs it first)
# The files are the ones git tracks: when git cannot list them (no repository, no git),
# or lists none, the check fails rather than pass on nothing.
# To mend: clang-format -i FILE...
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$here"
listing=$(git ls-files -z -- '*.cpp' '*.h' | tr '\0' '\n') || { echo "format: git cannot list the files" >&2; exit 1; }
mapfile -t files <<<"$listing"
[[ -n ${files[0]} ]] || { echo "format: git lists no C++ file" >&2; exit 1; }
status=0
for file in "${files[@]}"; do
    if ! clang-format --style=file "$file" | cmp -s - "$file"; then
        echo "format: $file differs from .clang-format (clang-format -i $file)" >&2
        status=1
    fi
done
[[ $status -eq 0 ]] && echo "format: the ${#files[@]} C++ files are as .clang-format lays them out ($(clang-format --version | head -n1))"
exit $status
