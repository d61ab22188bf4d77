# Shared by the packaging scripts; sourced, not run.

# Exports SOURCE_DATE_EPOCH, the time stamped into everything a package holds:
# the caller's, or else the commit's time, so that one commit always gives the
# same bytes. Ends the script (named by $1) outside a git checkout without one.
source_date_epoch() {
  if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    if ! SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || [ -z "$SOURCE_DATE_EPOCH" ]; then
      echo "$1: not a git checkout: set SOURCE_DATE_EPOCH to the release's commit time" >&2
      exit 1
    fi
  fi
  export SOURCE_DATE_EPOCH
}
