#!/usr/bin/env bash
# check_docs_code.sh SOURCE_DIR MARKDOWN...
# Each code block that follows a line `<!-- file: PATH -->` in the pages must
# be the file PATH of the tree (relative to SOURCE_DIR) byte for byte: the
# pages show code that a test builds and runs, so it can't drift from it.
set -euo pipefail
source="$1"
shift
status=0
for page in "$@"; do
    blocks=0
    while IFS= read -r path; do
        blocks=$((blocks + 1))
        # The block after the marker, without its fences.
        if ! diff <(awk -v marker="<!-- file: $path -->" '
                $0 == marker { found = 1; next }
                found == 1 && /^```/ { found = 2; next }
                found == 2 && /^```$/ { exit }
                found == 2 { print }' "$page") "$source/$path" >/dev/null; then
            echo "$page: the block of $path differs from the file"
            status=1
        fi
    done < <(sed -n 's/^<!-- file: \(.*\) -->$/\1/p' "$page")
    [ "$blocks" -gt 0 ] || { echo "$page: no code blocks marked with their file"; status=1; }
    echo "$page: $blocks blocks checked"
done
exit "$status"
