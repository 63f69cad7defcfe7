# The Windows suite: cross-builds the core, the form, the native window
# (build/windows/ui/win32/tolvane.exe) and their tests with MinGW-w64 and runs
# them under Wine, on a virtual display of its own for the window's tests.
# Sourced after lib/common.sh; not run on its own.

windows_build="$build_root/windows"
windows_packages=(cmake ninja-build googletest g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix
                  wine64 fonts-wine fonts-noto-cjk xvfb xauth)

# configure_windows_build: configures build/windows (again when an older
# core-only build is there) and builds it.
configure_windows_build() {
  cmake -S "$repo_root" -B "$windows_build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DTOLVANE_CORE_ONLY=OFF -DCMAKE_TOOLCHAIN_FILE="$repo_root/cmake/mingw-w64-x86_64.cmake" \
    >/dev/null || return 1
  cmake --build "$windows_build" -- -j"$(nproc)" --quiet
}

# start_test_display: starts Xvfb on a free display and exports DISPLAY;
# stop_test_display ends it, after the Wine processes that drew on it.
test_display_pid=
start_test_display() {
  local number
  for number in $(seq 90 150); do
    [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    test_display_pid=$!
    sleep 1
    if kill -0 "$test_display_pid" 2>/dev/null; then
      export DISPLAY=":$number"
      return 0
    fi
  done
  echo "!! cannot start Xvfb" >&2
  return 1
}
stop_test_display() {
  WINEPREFIX="$windows_build/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  [ -n "$test_display_pid" ] && kill "$test_display_pid" 2>/dev/null
  test_display_pid=
}

# GoogleTest case counts of the last run_windows_suite, for the caller's totals.
windows_cases_passed=0
windows_cases_skipped=0
windows_cases_failed=0

# run_windows_suite: installs what is missing, builds incrementally in
# build/windows, runs every test program under Wine, prints the case counts;
# non-zero when anything failed or did not run.
run_windows_suite() {
  ensure_packages "${windows_packages[@]}" || return 1
  configure_windows_build || return 1
  start_test_display || return 1

  # Each test program writes its results as XML; Wine sees / as drive Z:.
  local results="$windows_build/gtest-results"
  rm -rf "$results"
  mkdir -p "$results"
  local status=0
  # Wine's Recycle Bin is the freedesktop.org trash of XDG_DATA_HOME: the
  # tests' replaced files go to a trash of their own, never the user's.
  local data_home
  data_home=$(mktemp -d)
  XDG_DATA_HOME="$data_home" GTEST_OUTPUT="xml:Z:${results//\//\\}\\" \
    ctest --test-dir "$windows_build" --output-on-failure -j"$(nproc)" || status=1
  rm -rf "$data_home"
  stop_test_display

  windows_cases_passed=0
  windows_cases_skipped=0
  windows_cases_failed=0
  local programs=0 file tests failures errors skipped
  for file in "$results"/*.xml; do
    [ -e "$file" ] || continue
    programs=$((programs + 1))
    # The root element carries the program's totals; skipped cases are
    # marked one by one.
    tests=$(grep -m1 -o '<testsuites [^>]*' "$file" | grep -o ' tests="[0-9]*"' | tr -dc 0-9)
    failures=$(grep -m1 -o '<testsuites [^>]*' "$file" | grep -o ' failures="[0-9]*"' | tr -dc 0-9)
    errors=$(grep -m1 -o '<testsuites [^>]*' "$file" | grep -o ' errors="[0-9]*"' | tr -dc 0-9)
    skipped=$(grep -c 'result="skipped"' "$file" || true)
    windows_cases_failed=$((windows_cases_failed + ${failures:-0} + ${errors:-0}))
    windows_cases_skipped=$((windows_cases_skipped + skipped))
    windows_cases_passed=$((windows_cases_passed + ${tests:-0} - ${failures:-0} - ${errors:-0} - skipped))
  done
  echo "Wine suite: $programs programs; $windows_cases_passed cases passed," \
    "$windows_cases_skipped skipped, $windows_cases_failed failed"
  if [ "$programs" -eq 0 ]; then
    echo "!! no results from the Wine suite" >&2
    status=1
  fi
  return $status
}
