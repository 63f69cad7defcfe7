# Builds the Debian package and checks what it holds.  Sourced after
# common.sh; scripts/test calls check_package.

package_build="$build_root/package"

# The paths the package must install, as dpkg-deb -c lists them.
package_metainfo=./usr/share/metainfo/com.example.vurla.tolvane.metainfo.xml
package_expected_paths=(
  ./usr/bin/tolvane
  ./usr/bin/tolvane-cli
  ./usr/share/man/man1/tolvane.1.gz
  ./usr/share/man/man1/tolvane-cli.1.gz
  ./usr/share/doc/tolvane/copyright
  ./usr/share/doc/tolvane/changelog.gz
  ./usr/share/applications/tolvane.desktop
  "$package_metainfo"
)
for size in 16 24 32 48 64 128 256; do
  package_expected_paths+=("./usr/share/icons/hicolor/${size}x${size}/apps/tolvane.png")
done

# check_package: a Release build without tests in build/package, cpack -G DEB,
# then the package's contents list, its control fields, what Debian's and
# AppStream's own checkers say of it, its desktop entry, its manual pages,
# and that the packaged program starts.
# Prints what is wrong and returns non-zero on any fault.
check_package() {
  ensure_packages dpkg-dev file desktop-file-utils man-db lintian appstream || return 1
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
  if ! dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6'; then
    echo "!! Depends does not name libqt6widgets6: $(dpkg-deb -f "$deb" Depends)"
    faults=$((faults + 1))
  fi

  # Debian's checker, as a packager runs it: no error and no warning.  Its
  # note that it runs as root is not about the package.
  local lintian_said
  lintian_said=$(lintian --fail-on error,warning "$deb" 2>&1)
  local lintian_status=$?
  lintian_said=$(grep -v '^running with root privileges is not recommended!$' <<<"$lintian_said" || true)
  echo "lintian: ${lintian_said:-no tags}"
  if [ "$lintian_status" -ne 0 ] || grep -qE '^[EW]: ' <<<"$lintian_said"; then
    echo "!! lintian found errors or warnings (exit status $lintian_status)"
    faults=$((faults + 1))
  fi

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
  # The packaged command line runs a dry run.
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
  check_package_documents "$unpacked" || faults=$((faults + $?))
  rm -rf "$unpacked" "$cli_tree"

  if [ "$faults" -ne 0 ]; then
    echo "!! package: $faults faults"
    return 1
  fi
  echo "Package holds $(wc -l <<<"$listing") entries; contents, control fields, lintian, AppStream, desktop entry, manual pages and start-up check out"
}

# check_package_documents ROOT: the manual pages, the changelog and the
# AppStream metadata of the package unpacked at ROOT.  Returns the number of
# faults, each printed.
check_package_documents() {
  local root=$1 faults=0 version page
  version=$(cat "$package_build/tolvane-version")
  for page in tolvane tolvane-cli; do
    local file="$root/usr/share/man/man1/$page.1.gz"
    # man formats it, its header names the version, and whatis finds its
    # NAME line.
    if ! man -l "$file" 2>/dev/null | grep -q "^TOLVANE"; then
      echo "!! $page.1 does not format"
      faults=$((faults + 1))
    fi
    if ! zcat "$file" | grep -m1 '^\.TH ' | grep -qF "\"Tolvane $version\""; then
      echo "!! $page.1 does not name the version: $(zcat "$file" | grep -m1 '^\.TH ')"
      faults=$((faults + 1))
    fi
    local whatis
    whatis=$(lexgrog "$file" 2>&1) || true
    echo "whatis: $whatis"
    if ! grep -qF ": \"$page - " <<<"$whatis"; then
      echo "!! whatis cannot read the NAME line of $page.1"
      faults=$((faults + 1))
    fi
  done
  if ! man -l "$root/usr/share/man/man1/tolvane-cli.1.gz" 2>/dev/null | grep -q -- '--dry-run'; then
    echo "!! tolvane-cli.1 lists no --dry-run"
    faults=$((faults + 1))
  fi
  if ! zcat "$root/usr/share/doc/tolvane/changelog.gz" | head -n 1 |
    grep -qF "tolvane ($version) "; then
    echo "!! the changelog's newest entry is not $version"
    faults=$((faults + 1))
  fi

  # AppStream's checker on the metadata and the desktop entry as installed,
  # the release this version, its screenshot one of docs/ at its size.
  local metainfo="$root/${package_metainfo#./}" said
  if ! said=$(appstreamcli validate-tree --no-net "$root" 2>&1); then
    echo "$said"
    echo "!! appstreamcli validate-tree failed"
    faults=$((faults + 1))
  fi
  echo "appstreamcli: $said"
  if ! grep -qF "<release version=\"$version\" date=\"" "$metainfo"; then
    echo "!! the AppStream release is not $version"
    faults=$((faults + 1))
  fi
  local image picture size
  image=$(grep -o '<image[^>]*>[^<]*' "$metainfo" | head -n 1)
  picture="$repo_root/docs/$(sed 's|.*/||' <<<"$image")"
  size=$(sed -nE 's/.*width="([0-9]+)" height="([0-9]+)".*/\1 x \2/p' <<<"$image")
  if [ ! -f "$picture" ] || [ -z "$size" ] || ! file "$picture" | grep -qF ", $size,"; then
    echo "!! the screenshot is not a picture of docs/ at its size: $image"
    faults=$((faults + 1))
  fi
  return "$faults"
}
