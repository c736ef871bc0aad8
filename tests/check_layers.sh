#!/usr/bin/env bash
# Fails when a file of a lower layer includes one of a higher layer: util <- retrieval <- app <- ui.
set -euo pipefail
cd "$1"
layers=(util retrieval app ui)
status=0
for ((low = 0; low < ${#layers[@]}; low++)); do
    for ((high = low + 1; high < ${#layers[@]}; high++)); do
        if grep -rn --include='*.cpp' --include='*.h' "^#include \"${layers[high]}/" \
            "${layers[low]}"; then
            echo "${layers[low]}/ must not include ${layers[high]}/" >&2
            status=1
        fi
    done
done
[ "$status" = 0 ] && echo "Every include points to the same layer or one below it"
exit "$status"
