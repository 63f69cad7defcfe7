# shellcheck shell=bash
# What the bench scripts measure with: their log lines, the median of their
# runs and the wall time of one command.  Sourced, not run.

# log TEXT...: one line of what the bench is doing, on standard error.
log() { echo "-- $*" >&2; }

# median NUMBER...: the middle value (the lower middle for an even count).
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# timed COMMAND...: runs it and prints its wall time in seconds; fails,
# printing no time, when the command fails: a failed run is no figure.
timed() {
  local start end
  start=$(date +%s%N)
  "$@" || return
  end=$(date +%s%N)
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.6f\n", (e - s) / 1e9 }'
}
