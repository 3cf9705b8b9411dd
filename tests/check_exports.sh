#!/usr/bin/env bash
# check_exports.sh LIBRARY NAME...
# Fails unless every symbol that LIBRARY exports belongs to one of NAME, and
# every NAME exports its createAndConnect (where it has one, i.e. names
# ending in Connector).
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
for name in "$@"; do
    case "$name" in
        *Connector) grep -q "^${name}::createAndConnect(" <<<"$symbols" || { echo "$name::createAndConnect is not exported"; exit 1; } ;;
    esac
done
echo "$(wc -l <<<"$symbols") exported symbols, all of: $*"
