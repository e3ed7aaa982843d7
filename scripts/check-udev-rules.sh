#!/usr/bin/env bash
# check-udev-rules.sh FILE...: the syntax of udev rules files, for a udev whose udevadm has no
# "verify" (Debian 12's). Every rule is comma-separated KEY[{attr}]OP"value" pairs; match keys
# take == or !=, assignment-only keys take = += -= :=. Exit 1 with the bad lines on stderr.
set -uo pipefail
match_only=" ACTION DEVPATH KERNEL KERNELS SUBSYSTEM SUBSYSTEMS DRIVER DRIVERS ATTRS TAGS TEST PROGRAM RESULT CONST "
assign_only=" OWNER GROUP MODE RUN LABEL GOTO IMPORT OPTIONS SECLABEL "
either=" NAME SYMLINK ATTR SYSCTL ENV TAG "
with_attr=" ATTR ATTRS SYSCTL ENV TEST IMPORT RUN SECLABEL CONST "
pair_re='^([A-Z]+)(\{([^}]+)\})?[[:space:]]*(==|!=|\+=|-=|:=|=)[[:space:]]*"(([^"\\]|\\.)*)"[[:space:]]*$'
bad=0
complain() { echo "$1:$2: $3" >&2; bad=1; }

check_rule() {  # check_rule FILE LINE TEXT
    local file=$1 at=$2 rest=$3 pair key op assigns=0
    while [ -n "$rest" ]; do
        # One pair: up to the first comma outside quotes.
        if [[ $rest =~ ^[[:space:]]*([^\",]*\"([^\"\\]|\\.)*\")[[:space:]]*(,|$)(.*)$ ]]; then
            pair=${BASH_REMATCH[1]} rest=${BASH_REMATCH[4]}
            [ "${BASH_REMATCH[3]}" = , ] && [ -z "${rest//[[:space:]]/}" ] &&
                { complain "$file" "$at" "trailing comma"; return; }
        else
            complain "$file" "$at" "not a KEY OP \"value\" pair: ${rest}"; return
        fi
        if [[ ! $pair =~ $pair_re ]]; then
            complain "$file" "$at" "malformed pair: $pair"; continue
        fi
        key=${BASH_REMATCH[1]} op=${BASH_REMATCH[4]}
        if [[ $match_only$assign_only$either != *" $key "* ]]; then
            complain "$file" "$at" "unknown key $key"; continue
        fi
        if [ -n "${BASH_REMATCH[2]}" ] && [[ $with_attr != *" $key "* ]]; then
            complain "$file" "$at" "$key takes no {attribute}"
        elif [ -z "${BASH_REMATCH[2]}" ] && [[ " ATTR ATTRS SYSCTL ENV CONST " == *" $key "* ]]; then
            complain "$file" "$at" "$key needs an {attribute}"
        fi
        case $op in
            ==|!=) [[ $assign_only == *" $key "* ]] && complain "$file" "$at" "$key cannot be matched" ;;
            *) [[ $match_only == *" $key "* ]] && complain "$file" "$at" "$key cannot be assigned"
               assigns=$((assigns + 1)) ;;
        esac
    done
    [ "$assigns" -gt 0 ] || complain "$file" "$at" "a rule that assigns nothing does nothing"
}

[ $# -gt 0 ] || { echo "usage: $0 FILE..." >&2; exit 2; }
for file in "$@"; do
    [ -r "$file" ] || { complain "$file" 0 "cannot be read"; continue; }
    n=0 rule="" start=0
    while IFS= read -r line || [ -n "$line" ]; do
        n=$((n + 1))
        if [ -z "$rule" ]; then
            start=$n
            [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
        fi
        if [[ $line == *\\ ]]; then rule+="${line%\\} "; continue; fi
        rule+=$line
        check_rule "$file" "$start" "$rule"
        rule=""
    done < "$file"
    [ -z "$rule" ] || complain "$file" "$start" "continued past the end of the file"
done
exit $bad
