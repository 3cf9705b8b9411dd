#!/usr/bin/env bash
# check_abi.sh [--update] BUILD_DIR BASELINE_DIR LIBRARY...
# Compares the binary interface of each LIBRARY, as its public headers (those
# the build installs) show it, with the baseline BASELINE_DIR/SONAME.abi.
# Added functions and variables pass; anything else that changed fails:
# a removed or changed function, a changed type, a changed SONAME.
# --update writes the baselines instead.
set -euo pipefail
update=false
if [ "${1:-}" = "--update" ]; then
    update=true
    shift
fi
build="$1"
baselines="$2"
shift 2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The libraries' headers and the test kit's, which installs its own.
for component in dev testing; do
    cmake --install "$build" --component "$component" --prefix "$scratch" >/dev/null
done
headers=$(dirname "$(find "$scratch/include" -name DBusConnectorBase.h)")

status=0
for library in "$@"; do
    soname=$(readelf -d "$library" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
    baseline="$baselines/$soname.abi"
    if $update; then
        abidw --headers-dir "$headers" --drop-private-types --type-id-style hash \
            --no-corpus-path --no-comp-dir-path --short-locs --out-file "$baseline" "$library"
        echo "$baseline: written"
        continue
    fi
    result=0
    abidiff --headers-dir2 "$headers" --drop-private-types --no-added-syms "$baseline" "$library" \
        >"$scratch/report" || result=$?
    # abidiff's status is a bit set: 1 error, 2 usage, 4 a change, 8 an incompatible change.
    if [ "$result" -ne 0 ]; then
        echo "$soname: its interface changed against $baseline (abidiff status $result):"
        cat "$scratch/report"
        status=1
    else
        echo "$soname: compatible with $baseline"
    fi
done
exit "$status"
