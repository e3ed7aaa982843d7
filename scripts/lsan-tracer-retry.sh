#!/usr/bin/env bash
# After a failed ctest run in the current build folder: runs once more only the failed tests whose
# sole fault was the leak checker's own tracer crashing at the process's exit ("Tracer caught
# signal", a fault of the compiler's sanitizer runtime when a thread ends during the check).
# Exits 1 when any failure had another cause, or when a retried test fails again.
set -euo pipefail
log=Testing/Temporary/LastTest.log
failed=Testing/Temporary/LastTestsFailed.log
[ -f "$failed" ] && [ -f "$log" ] || exit 1
tracer=$(awk '
    /^[0-9]+\/[0-9]+ Testing: / { name = $0; sub(/^[0-9]+\/[0-9]+ Testing: /, "", name) }
    /LeakSanitizer has encountered a fatal error/ && name != "" { print name }
' "$log" | sort -u)
retry=()
while IFS= read -r line; do
    name=${line#*:}
    if ! grep -qxF -- "$name" <<< "$tracer"; then
        echo "failed for another reason than the leak checker's tracer: $name"
        exit 1
    fi
    retry+=("$name")
done < "$failed"
[ ${#retry[@]} -gt 0 ] || exit 1
echo "the leak checker's tracer crashed in: ${retry[*]}; running those once more"
regex=$(printf '^%s$|' "${retry[@]}" | sed 's/[][().*+?{}\\]/\\&/g; s/|$//')
ctest --output-on-failure --timeout 300 -R "$regex"
