#!/usr/bin/env bash
# check_readme.sh SOURCE_DIR
# Every code block that the README marks with <!-- begin FILE --> and
# <!-- end FILE --> must be FILE exactly, so that what a reader copies is
# what the tests build and run; and the README stays short.
set -euo pipefail
source="$1"
readme="$source/README.md"
status=0
files=$(sed -n 's/^<!-- begin \(.*\) -->$/\1/p' "$readme")
[ -n "$files" ] || { echo "README.md marks no code block" >&2; exit 1; }
for file in $files; do
    block=$(sed -n "\\|^<!-- begin $file -->\$|,\\|^<!-- end $file -->\$|p" "$readme" | sed '1,2d;$d' | sed '$d')
    if ! diff -u "$source/$file" <(printf '%s\n' "$block") >&2; then
        echo "README.md: the block of $file is not that file" >&2
        status=1
    else
        echo "$file: as in README.md"
    fi
done
lines=$(wc -l <"$readme")
if [ "$lines" -gt 300 ]; then
    echo "README.md has $lines lines, more than 300" >&2
    status=1
fi
exit $status
