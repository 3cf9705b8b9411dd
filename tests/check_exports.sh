#!/usr/bin/env bash
# check_exports.sh LIBRARY NAME...
# Fails unless every symbol that LIBRARY exports belongs to one of NAME: a
# class, or a type whose functions (stream operators, Qt D-Bus's marshalling
# functions) the library exports. That nothing exported goes away is the
# binary interface check's (check_abi.sh).
set -euo pipefail
library="$1"
shift
pattern=$(printf '%s|' "$@")
pattern="(${pattern%|})"

symbols=$(nm -D --defined-only -C "$library" | cut -d' ' -f3-)
stray=$(grep -Ev "(^|[^A-Za-z0-9_])${pattern}([^A-Za-z0-9_]|$)" <<<"$symbols" || true)
if [ -n "$stray" ]; then
    echo "Exported, but not ours to export:"
    echo "$stray"
    exit 1
fi
echo "$(wc -l <<<"$symbols") exported symbols, all of: $*"
