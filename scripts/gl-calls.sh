#!/usr/bin/env bash
# Counts the OpenGL calls and draws of one steady frame: traces `kvtool render`
# of two frames with apitrace and counts what the second frame calls between
# the first frame's glReadPixels and its own. Draws are the calls that send
# geometry: glBegin, glDrawArrays, glDrawElements, glDrawRangeElements.
#   scripts/gl-calls.sh KVTOOL ARCHIVE MODEL [kvtool render options...]
# prints: calls N draws M
# Exit status 2 when apitrace is not installed.
set -euo pipefail
if ! command -v apitrace >/dev/null; then
  echo "gl-calls: apitrace is not installed (scripts/setup.sh installs it)" >&2
  exit 2
fi
kvtool=$1
archive=$2
model=$3
shift 3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
apitrace trace --api egl -o "$scratch/frames.trace" \
  "$kvtool" render "$archive" --model "$model" --frames 2 --size 640x480 "$@" -o "$scratch/frames" >/dev/null 2>&1
apitrace dump --color=never "$scratch/frames.trace" | awk '
  /^[0-9]+ / {
    if ($2 ~ /^glReadPixels\(/) { reads++; next }
    if (reads != 1) next
    calls++
    if ($2 ~ /^(glBegin|glDrawArrays|glDrawElements|glDrawRangeElements)\(/) draws++
  }
  END {
    if (reads != 2) { print "gl-calls: expected two frames read, found " reads > "/dev/stderr"; exit 1 }
    printf "calls %d draws %d\n", calls, draws
  }'
