#!/usr/bin/env bash
# Checks that every C++ file of the repository is as the root's .clang-format lays it
# out, with Debian's clang-format; lists each file that differs and fails on any.
#   scripts/check-format.sh        (scripts/test.sh runs it first)
# To mend: clang-format -i FILE...
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$here"
status=0
while IFS= read -r -d '' file; do
    if ! clang-format --style=file "$file" | cmp -s - "$file"; then
        echo "format: $file differs from .clang-format (clang-format -i $file)" >&2
        status=1
    fi
done < <(git ls-files -z -- '*.cpp' '*.h')
[[ $status -eq 0 ]] && echo "format: every C++ file is as .clang-format lays it out ($(clang-format --version | head -n1))"
exit $status
