#!/bin/sh
# Fails when a C++ source file of the project differs from what .clang-format
# makes of it. To fix: clang-format -i on the files it names.
set -eu
cd "$(dirname "$0")/.."

format=${CLANG_FORMAT:-clang-format}
if ! command -v "$format" >/dev/null 2>&1; then
    echo "check-format: $format is not installed (scripts/install-deps.sh installs it)" >&2
    exit 1
fi
status=0
for file in $(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests tools benchmarks -name '*.cpp' -o -name '*.h'); do
    if ! "$format" --dry-run --Werror "$file" >/dev/null 2>&1; then
        echo "$file: not formatted as .clang-format says"
        status=1
    fi
done
[ $status -eq 0 ] && echo "format: every source file is formatted"
exit $status
