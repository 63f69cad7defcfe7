# A virtual X display (Xvfb) for programs whose windows a script looks at.
# Sourced; display_start sets DISPLAY, display_stop ends the server.

display_pid=""

# display_start [WIDTHxHEIGHT]: a server on the first free display number;
# non-zero when none starts within 10 s.
display_start() {
  local size=${1:-1024x768} number_file i
  number_file=$(mktemp)
  # -displayfd: the server picks a free number and writes it once it listens,
  # so parallel runs never fight over :99.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  display_pid=$!
  for _ in $(seq 1 100); do
    if [ -s "$number_file" ]; then
      DISPLAY=":$(tr -dc 0-9 <"$number_file")"
      export DISPLAY
      rm -f "$number_file"
      return 0
    fi
    kill -0 "$display_pid" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$number_file"
  display_stop
  return 1
}

display_stop() {
  if [ -n "$display_pid" ]; then
    kill "$display_pid" 2>/dev/null || true
    wait "$display_pid" 2>/dev/null || true
    display_pid=""
  fi
}
