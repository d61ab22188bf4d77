#!/usr/bin/env bash
# Checks that a hand-written man page names every long option of the program's
# --help and no option the program has dropped:
#   check_man_page.sh PROGRAM PAGE
# A page may write --X and --no-X together as --[no-]X. Prints what differs.
set -euo pipefail
program=$1 page=$2

help_options=$("$program" --help | sed -n 's/^  \(-[a-zA-Z],\)\{0,1\}\(--[a-z][a-z-]*\).*/\2/p' | sort -u)
page_options=$(sed 's/\\-/-/g' "$page" | grep -o -- '--\(\[no-\]\)\{0,1\}[a-z][a-z-]*' |
    sed 's/^--\[no-\]\(.*\)/--\1\n--no-\1/' | sort -u)
if [ -z "$help_options" ]; then
    echo "check_man_page.sh: $program --help lists no options" >&2
    exit 1
fi
missing=$(comm -23 <(echo "$help_options") <(echo "$page_options"))
stale=$(comm -13 <(echo "$help_options") <(echo "$page_options"))
[ -z "$missing" ] || echo "$page does not describe: $(echo $missing)"
[ -z "$stale" ] || echo "$page describes options $program does not take: $(echo $stale)"
[ -z "$missing$stale" ]
