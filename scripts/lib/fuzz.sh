# Builds and runs the libFuzzer targets (clang, core only).  Sourced by
# scripts/fuzz and scripts/test after lib/common.sh, not run.

fuzz_packages=(clang libclang-rt-14-dev)
fuzz_build="$build_root/fuzz"

# build_fuzzers: installs clang when missing and builds every fuzz target
# into $fuzz_build.
build_fuzzers() {
  ensure_packages "${fuzz_packages[@]}" || return 1
  CC=clang CXX=clang++ configure_and_build "$fuzz_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOLVANE_FUZZ=ON -DTOLVANE_CORE_ONLY=ON -DTOLVANE_TESTS=OFF
}

# run_fuzzers SECONDS: builds, then runs each fuzz target for SECONDS in a
# fresh temporary working folder, where any crash input is kept and its path
# printed.  Sets fuzz_passed and fuzz_failed (targets); non-zero when a
# target found a crash or could not be built.
run_fuzzers() {
  local seconds=${1:-5}
  fuzz_passed=0
  fuzz_failed=0
  if ! build_fuzzers; then
    echo "!! the fuzz targets could not be built"
    fuzz_failed=1
    return 1
  fi
  local work target name log
  work=$(mktemp -d "${TMPDIR:-/tmp}/tolvane-fuzz.XXXXXX")
  for target in "$fuzz_build"/tests/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    mkdir -p "$work/$name"
    log="$work/$name/log"
    if (cd "$work/$name" && "$target" -max_total_time="$seconds" -print_final_stats=1 \
          >"$log" 2>&1); then
      echo "$name: $(grep -Eo 'Done [0-9]+ runs' "$log" | tail -n 1 | sed 's/Done //') in ${seconds} s, no crash"
      fuzz_passed=$((fuzz_passed + 1))
    else
      echo "!! $name crashed:"
      tail -n 30 "$log"
      local artifact
      for artifact in "$work/$name"/crash-* "$work/$name"/leak-* "$work/$name"/timeout-* \
                      "$work/$name"/oom-*; do
        [ -e "$artifact" ] && echo "   input kept at $artifact (replay: $target $artifact)"
      done
      fuzz_failed=$((fuzz_failed + 1))
    fi
  done
  if [ "$fuzz_failed" -eq 0 ]; then rm -rf "$work"; fi
  [ "$fuzz_failed" -eq 0 ]
}
