#!/usr/bin/env bash
# Writes a man page from a template and a program's own --help texts, so that
# the page lists exactly the commands and options the program takes:
#   man_from_help.sh PROGRAM NAME VERSION TEMPLATE > PAGE
# The template is roff with these lines filled in:
#   @SYNOPSIS@  one usage line per command (or the program's own one)
#   @COMMANDS@  each command's summary, arguments and options (NAME CMD --help)
#   @OPTIONS@   the program's own arguments, options and further sections
# and @VERSION@ replaced anywhere. The help texts are CLI11's: a description,
# "Usage: ...", then sections ("Options:") of two-space indented items whose
# explanation starts after a run of spaces or on the next, deeper line.
set -euo pipefail
program=$1 name=$2 version=$3 template=$4

# Prints the help text as tab-separated records:
#   usage <tab> USAGE            (program path left out)
#   text <tab> LINE              a line of the description before Usage
#   section <tab> TITLE
#   item <tab> TERM <tab> EXPLANATION
records() {
    "$program" "$@" --help | awk -v name="$name" '
        function flush() { if (term != "") print "item\t" term "\t" text; term = ""; text = "" }
        /^Usage: / {
            sub(/^Usage: /, "")
            if ($1 !~ /^\[/ && $1 !~ /^[A-Z]/) sub(/^[^ ]+ ?/, "")  # the path it was run by
            print "usage\t" $0; seen_usage = 1; next
        }
        !seen_usage { if ($0 != "") print "text\t" $0; next }
        /^[^ ].*:$/ { flush(); sub(/:$/, ""); print "section\t" $0; next }
        /^ *$/ { flush(); next }
        /^  [^ ]/ {
            flush()
            line = substr($0, 3)
            split_at = match(line, /  +/)
            if (split_at) { term = substr(line, 1, split_at - 1); text = substr(line, split_at + RLENGTH) }
            else { term = line; text = "" }
            next
        }
        { sub(/^ +/, ""); text = (text == "" ? $0 : text " " $0) }
        END { flush() }'
}

# roff-safe text: backslashes escaped, a leading dot or quote made literal.
plain() { sed -e 's/\\/\\e/g' -e "s/^[.']/\\\\\\&&/" <<<"$1"; }
# An option or argument as man pages set it: -x,--long TYPE -> -x, --long TYPE,
# the names bold, the rest italic, minus signs as such.
term() {
    local words=() word out=""
    read -r -a words <<<"$1"
    for word in "${words[@]}"; do
        word=$(plain "$word")
        if [[ $word == -* ]]; then
            word=${word//-/\\-}
            out+="${out:+ }\\fB${word//,/\\fP, \\fB}\\fP"
        elif [ "$word" = REQUIRED ]; then
            out+=" (required)"
        else
            out+="${out:+ }\\fI$word\\fP"
        fi
    done
    echo "$out"
}
# One usage line: the program (and command) bold, the rest as --help has it.
usage_line() {
    echo ".B $name${1:+ $1}"
    [ -n "$2" ] && plain "$2"
    echo ".br"
}

# The sections of one help text as roff: its items under .TP, a section with
# a title of its own under .SS; the help option itself and the list of
# commands are left out (the template mentions them).
sections() {
    local kind a b current=""
    while IFS=$'\t' read -r kind a b; do
        case $kind in
            section)
                current=$a
                case $a in Options | Positionals | Subcommands) ;; *) echo ".SS $(plain "$a")" ;; esac ;;
            item)
                [[ $a == *--help* || $current == Subcommands ]] && continue
                echo ".TP"
                # An argument is named by its first word; its type words are noise.
                if [[ $a == -* ]]; then term "$a"
                elif [ "$current" != Positionals ]; then echo "\\fB$(plain "$a")\\fP"
                elif [[ $a == *...* ]]; then term "${a%% *}..."
                else term "${a%% *}"
                fi
                plain "$b" ;;
        esac
    done
}

subcommands() {
    records | awk -F'\t' '$1 == "section" { in_list = ($2 == "Subcommands") } in_list && $1 == "item" { print $2 }'
}

synopsis() {
    local commands
    commands=$(subcommands)
    if [ -z "$commands" ]; then
        usage_line "" "$(records | awk -F'\t' '$1 == "usage" { print $2 }')"
        return
    fi
    for command in $commands; do
        local usage
        usage=$(records "$command" | awk -F'\t' '$1 == "usage" { print $2 }')
        usage=${usage#"$command"}
        usage_line "$command" "${usage# }"
    done
}

commands() {
    local list
    list=$(subcommands)
    if [ -z "$list" ]; then
        echo "man_from_help.sh: $program --help lists no commands" >&2
        exit 1
    fi
    for command in $list; do
        local help
        help=$(records "$command")
        echo ".SS $command"
        awk -F'\t' '$1 == "text" { print $2 }' <<<"$help" | while read -r line; do plain "$line"; done
        sections <<<"$help"
    done
}

options() {
    local list
    list=$(records | awk -F'\t' '$1 != "text" && $1 != "usage"' | sections)
    if ! grep -q '^\.TP' <<<"$list"; then
        echo "man_from_help.sh: found no options in $program --help" >&2
        exit 1
    fi
    echo "$list"
}

while IFS= read -r line; do
    case $line in
        @SYNOPSIS@) synopsis ;;
        @COMMANDS@) commands ;;
        @OPTIONS@) options ;;
        *) echo "${line//@VERSION@/$version}" ;;
    esac
done <"$template"
