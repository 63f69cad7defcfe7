# Shared by scripts/run and scripts/test: install what a fresh Debian 12
# machine lacks, then configure and build.  Sourced, not run.

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build_root="$repo_root/build"

# Packages every build needs; scripts/test adds its own.
base_packages=(cmake g++ ninja-build pkg-config qt6-base-dev libgl-dev libgtest-dev
               fonts-noto-cjk xvfb xauth)
# What scripts/test adds: the volume cases format ext4 and exFAT images,
# attach them to loop devices and mount exFAT through FUSE; the accessibility
# events test runs the window on a D-Bus session with the AT-SPI bus; the
# manual pages are rendered with groff and their NAME lines read with man-db's
# lexgrog; the package is checked with lintian and its AppStream metadata with
# appstreamcli.
test_packages=(e2fsprogs mount exfatprogs exfat-fuse fuse3 dbus-daemon at-spi2-core groff man-db
               python3 python3-gi gir1.2-atspi-2.0 xdotool lintian appstream)

# ensure_packages pkg...: installs the missing ones with apt-get when root,
# otherwise prints the line to run and fails.
ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Run:  sudo apt-get install -y ${missing[*]}" >&2
    return 1
  fi
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# configure_and_build DIR [cmake args...]: an incremental Ninja build.
configure_and_build() {
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$repo_root" -B "$dir" -G Ninja "$@" >/dev/null
  fi
  # --quiet hides the progress lines; warnings and errors still show.
  cmake --build "$dir" -- -j"$(nproc)" --quiet
}
