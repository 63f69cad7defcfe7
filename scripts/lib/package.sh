# Builds the Debian package and checks what it holds.  Sourced after
# common.sh; scripts/test calls check_package.

package_build="$build_root/package"

# The paths the package must install, as dpkg-deb -c lists them.
package_expected_paths=(
  ./usr/bin/tolvane
  ./usr/bin/tolvane-cli
  ./usr/share/man/man1/tolvane-cli.1
  ./usr/share/applications/tolvane.desktop
)
for size in 16 24 32 48 64 128 256; do
  package_expected_paths+=("./usr/share/icons/hicolor/${size}x${size}/apps/tolvane.png")
done

# check_package: a Release build without tests in build/package, cpack -G DEB,
# then the package's contents list, its control fields, its desktop entry, and
# that the packaged program starts.
# Prints what is wrong and returns non-zero on any fault.
check_package() {
  ensure_packages dpkg-dev file desktop-file-utils man-db || return 1
  configure_and_build "$package_build" -DCMAKE_BUILD_TYPE=Release -DTOLVANE_TESTS=OFF || return 1
  rm -f "$package_build"/tolvane_*.deb
  (cd "$package_build" && cpack -G DEB >/dev/null) || { echo "!! cpack failed"; return 1; }
  local deb
  deb=$(ls "$package_build"/tolvane_*.deb 2>/dev/null | head -n 1)
  if [ -z "$deb" ]; then
    echo "!! cpack wrote no tolvane_*.deb"
    return 1
  fi
  echo "Package: ${deb#"$repo_root"/}"

  local faults=0 listing path
  listing=$(dpkg-deb -c "$deb") || return 1
  for path in "${package_expected_paths[@]}"; do
    if ! awk '{print $6}' <<<"$listing" | grep -qxF "$path"; then
      echo "!! $path missing from the package"
      faults=$((faults + 1))
    fi
  done
  # The programs themselves are executable by everyone.
  local program
  for program in tolvane tolvane-cli; do
    if ! grep -E " \./usr/bin/$program\$" <<<"$listing" | grep -q '^-rwxr-xr-x'; then
      echo "!! usr/bin/$program is not installed as an executable"
      faults=$((faults + 1))
    fi
  done

  local field expected actual
  for field in Package Version Maintainer; do
    case $field in
      Package) expected=tolvane ;;
      Version) expected=$(cat "$package_build/tolvane-version") ;;
      Maintainer) expected="Vurla <packages@vurla.example.com>" ;;
    esac
    actual=$(dpkg-deb -f "$deb" "$field")
    if [ "$actual" != "$expected" ]; then
      echo "!! $field is '$actual', expected '$expected'"
      faults=$((faults + 1))
    fi
  done
  local needed
  for needed in libqt6widgets6 qt6-translations-l10n; do
    if ! dpkg-deb -f "$deb" Depends | grep -q "$needed"; then
      echo "!! Depends does not name $needed: $(dpkg-deb -f "$deb" Depends)"
      faults=$((faults + 1))
    fi
  done

  # The desktop entry as installed, not as written in the source tree.
  local entry
  entry=$(mktemp --suffix=.desktop)
  dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/tolvane.desktop >"$entry"
  if ! desktop-file-validate "$entry"; then
    echo "!! tolvane.desktop does not validate"
    faults=$((faults + 1))
  fi
  local key
  for key in 'Name=Tolvane' 'Name\[zh_CN\]=.' 'Icon=tolvane' 'Exec=tolvane'; do
    if ! grep -q "^$key" "$entry"; then
      echo "!! tolvane.desktop lacks ${key//\\/}"
      faults=$((faults + 1))
    fi
  done
  rm -f "$entry"

  # The packaged program starts and keeps its window open until stopped.
  local unpacked rc=0
  unpacked=$(mktemp -d)
  dpkg-deb -x "$deb" "$unpacked"
  QT_QPA_PLATFORM=offscreen timeout 3 "$unpacked/usr/bin/tolvane" >/dev/null 2>&1 || rc=$?
  if [ "$rc" -ne 124 ]; then
    echo "!! the packaged tolvane did not stay open (exit status $rc)"
    faults=$((faults + 1))
  fi
  # The packaged command line runs a dry run, and its manual page formats.
  local cli_tree cli_out
  cli_tree=$(mktemp -d)
  mkdir -p "$cli_tree/src/trip" "$cli_tree/dst"
  echo a >"$cli_tree/src/trip/a.jpg"
  cli_out=$("$unpacked/usr/bin/tolvane-cli" "$cli_tree/src" "$cli_tree/dst" --dry-run 2>&1) || true
  if ! grep -qF "$cli_tree/src/trip/a.jpg → $cli_tree/dst/trip/trip(1).jpg" <<<"$cli_out" ||
    [ -n "$(ls -A "$cli_tree/dst")" ]; then
    echo "!! the packaged tolvane-cli did not plan the copy: $cli_out"
    faults=$((faults + 1))
  fi
  if ! man -l "$unpacked/usr/share/man/man1/tolvane-cli.1" 2>/dev/null | grep -q -- '--dry-run'; then
    echo "!! tolvane-cli.1 does not format"
    faults=$((faults + 1))
  fi
  # The page's header names the version it was generated with.
  if ! head -n 2 "$unpacked/usr/share/man/man1/tolvane-cli.1" |
    grep -qF "\"Tolvane $(cat "$package_build/tolvane-version")\""; then
    echo "!! tolvane-cli.1 does not name the version: $(sed -n 2p "$unpacked/usr/share/man/man1/tolvane-cli.1")"
    faults=$((faults + 1))
  fi
  rm -rf "$unpacked" "$cli_tree"

  if [ "$faults" -ne 0 ]; then
    echo "!! package: $faults faults"
    return 1
  fi
  echo "Package holds $(wc -l <<<"$listing") entries; contents, control fields, desktop entry and start-up check out"
}
