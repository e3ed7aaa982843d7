#!/usr/bin/env bash
# The rule checker passes our rule and the system's own rules, and refuses each broken rule.
set -uo pipefail
src=$1
check=$src/scripts/check-udev-rules.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
"$check" "$src/packaging/70-ostrely.rules" || fail "our rule"
for f in /usr/lib/udev/rules.d/*.rules /lib/udev/rules.d/*.rules; do
    [ -f "$f" ] || continue
    "$check" "$f" || fail "a rule of the system: $f"
done
printf '# only comments\n\nKERNEL=="a", \\\n  TAG+="x"\nENV{A}="q\\"x", RUN+="/bin/true"\n' > "$work/good.rules"
"$check" "$work/good.rules" || fail "continued lines, escaped quotes"
n=0
while IFS= read -r rule; do
    n=$((n + 1))
    printf '%s\n' "$rule" > "$work/bad$n.rules"
    "$check" "$work/bad$n.rules" 2> /dev/null && fail "passed a broken rule: $rule"
done << 'RULES'
SUBSYSTEM=="hidraw" TAG+="uaccess"
SUBSYSTEM=="hidraw", MODE=="0660"
SUBSYSTEM="hidraw", TAG+="uaccess"
KERNEL=="x", FOO="1"
ATTRS=="0483", TAG+="uaccess"
KERNEL{x}=="a", TAG+="uaccess"
KERNEL=="x", TAG+="uaccess",
KERNEL=="x"
KERNEL=="x, TAG+="uaccess"
KERNEL==x, TAG+="uaccess"
KERNEL=="x", TAG+="uaccess" \
RULES
exit 0
