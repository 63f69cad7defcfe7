# The installer's stage: builds tolvane-<version>-setup.exe with NSIS, installs
# it silently under Wine in a prefix of its own, starts the installed program
# from its shortcut, closes it, and uninstalls it.  Sourced after common.sh.

installer_build="$build_root/windows-release"
# The version and the installer's name are known once the build has
# configured (installer_build_setup).
installer_version=
installer_file=
installer_exe="$installer_build/ui/win32/tolvane.exe"
installer_cli_exe="$installer_build/cli/tolvane-cli.exe"
installer_prefix="$installer_build/installer-prefix"
installer_packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine64 fonts-wine fonts-noto-cjk
                    nsis xvfb xdotool)
installer_wine=/usr/lib/wine/wine64
installer_wineserver=/usr/lib/wine/wineserver

# What the installer promises, as Windows names it and as Linux finds it.
installer_dir_win='C:\Program Files\Tolvane'
installer_dir="$installer_prefix/drive_c/Program Files/Tolvane"
installer_shortcut="$installer_prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tolvane 文件归集.lnk"
installer_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvane'
installer_window_title='Tolvane Vurla'

# Check counts of the last run_installer_test, for the caller's totals.
installer_checks_passed=0
installer_checks_failed=0

source "$(dirname "${BASH_SOURCE[0]}")/display.sh"
source "$(dirname "${BASH_SOURCE[0]}")/wine-fonts.sh"

# installer_wine ARGS...: Wine in the stage's prefix.  winemenubuilder would
# copy the Start-menu shortcut into the menu of the Linux desktop running the
# tests; UTF-8 so that Chinese paths on the command line reach Wine intact.
installer_run_wine() {
  WINEPREFIX="$installer_prefix" WINEDEBUG=-all LC_ALL=C.UTF-8 \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" "$installer_wine" "$@"
}

# installer_settle: waits until every process of the prefix has ended (an
# NSIS uninstaller returns at once and goes on from a copy of itself in Temp).
installer_settle() {
  WINEPREFIX="$installer_prefix" timeout 120 "$installer_wineserver" -w
}

# installer_check NAME COMMAND...: one counted check; prints its outcome.
installer_check() {
  local name=$1
  shift
  if "$@"; then
    echo "ok      $name"
    installer_checks_passed=$((installer_checks_passed + 1))
  else
    echo "FAILED  $name"
    installer_checks_failed=$((installer_checks_failed + 1))
  fi
}

# installer_build_setup: a Release cross-build (the exe users get, not the
# debug one the tests use) and the installer target.
installer_build_setup() {
  configure_and_build "$installer_build" -DCMAKE_BUILD_TYPE=Release \
    -DTOLVANE_TESTS=OFF -DCMAKE_TOOLCHAIN_FILE="$repo_root/cmake/mingw-w64-x86_64.cmake" &&
    cmake --build "$installer_build" --target tolvane_installer -- --quiet || return 1
  installer_version=$(cat "$installer_build/tolvane-version")
  installer_file="$installer_build/tolvane-$installer_version-setup.exe"
}

# installer_new_prefix: a fresh prefix, so that nothing of an earlier run
# passes for something this installer did.
installer_new_prefix() {
  WINEPREFIX="$installer_prefix" "$installer_wineserver" -k 2>/dev/null || true
  rm -rf "$installer_prefix"
  installer_run_wine wineboot --init >/dev/null 2>&1 || return 1
  installer_settle || return 1
  # The same settings as the Wine suite's prefixes (fonts, frames drawn by Wine).
  installer_run_wine reg import "Z:${repo_root//\//\\}\\cmake\\wine-settings.reg" >/dev/null 2>&1 ||
    return 1
  wine_chinese_face_names installer_run_wine "$installer_build" && installer_settle
}

# The exported uninstall key as UTF-8 text, one "name"=value a line.
installer_registry_entry() {
  local file="$installer_build/uninstall-entry.reg"
  rm -f "$file"
  installer_run_wine reg export "$installer_key" "Z:${file//\//\\}" /y >/dev/null 2>&1 || return 1
  iconv -f UTF-16 -t UTF-8 "$file" | tr -d '\r'
}

# --- the checks ---

installer_built() {
  installer_build_setup && [ -f "$installer_file" ]
}

silent_install_runs() {
  installer_run_wine "$installer_file" /S && installer_settle
}

installed_files_match() {
  cmp -s "$installer_exe" "$installer_dir/tolvane.exe" &&
    cmp -s "$installer_cli_exe" "$installer_dir/tolvane-cli.exe" &&
    [ -f "$installer_dir/uninstall.exe" ] &&
    [ "$(ls -A "$installer_dir" | wc -l)" -eq 3 ]
}

# The installed console program runs by itself and speaks Chinese.
installed_cli_runs() {
  installer_run_wine "$installer_dir/tolvane-cli.exe" --help 2>/dev/null |
    grep -q '用法：tolvane-cli SOURCE DEST'
}

# shortcut_holds PATH: the shortcut names PATH, in UTF-16 (as its Unicode
# fields do) or in the ANSI code page (its link info, where that can spell it).
shortcut_holds() {
  [ -f "$installer_shortcut" ] || return 1
  local file wanted
  file=$(od -An -tx1 -v "$installer_shortcut" | tr -d ' \n')
  wanted=$(printf %s "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v | tr -d ' \n')
  [[ $file == *"$wanted"* ]] || grep -aqF "$1" "$installer_shortcut"
}

shortcut_points_to_program() {
  shortcut_holds "$installer_dir_win\\tolvane.exe"
}

# Every value "Apps & features" shows or runs, and a size that matches the files.
uninstall_entry_complete() {
  local entry dir='C:\\Program Files\\Tolvane' faults=0 line
  entry=$(installer_registry_entry) || { echo "        no key $installer_key"; return 1; }
  for line in \
    '"DisplayName"="Tolvane 文件归集"' \
    "\"DisplayVersion\"=\"$installer_version\"" \
    '"Publisher"="Vurla 软件工作室"' \
    "\"DisplayIcon\"=\"\\\"$dir\\\\tolvane.exe\\\",0\"" \
    "\"InstallLocation\"=\"$dir\"" \
    "\"UninstallString\"=\"\\\"$dir\\\\uninstall.exe\\\"\"" \
    "\"QuietUninstallString\"=\"\\\"$dir\\\\uninstall.exe\\\" /S\"" \
    '"NoModify"=dword:00000001' \
    '"NoRepair"=dword:00000001'; do
    if ! grep -qxF -- "$line" <<<"$entry"; then
      echo "        missing: $line"
      faults=$((faults + 1))
    fi
  done
  local size_hex kib
  size_hex=$(sed -n 's/^"EstimatedSize"=dword:\([0-9a-f]*\)$/\1/p' <<<"$entry")
  kib=$(($(cat "$installer_dir/tolvane.exe" "$installer_dir/tolvane-cli.exe" \
    "$installer_dir/uninstall.exe" | wc -c) / 1024))
  if [ -z "$size_hex" ] || [ $((16#$size_hex)) -ne "$kib" ]; then
    echo "        EstimatedSize ${size_hex:-missing} (hex), the files hold $kib KiB"
    faults=$((faults + 1))
  fi
  [ "$faults" -eq 0 ]
}

# The window's X id once a window of that title shows, within 60 s.
installer_find_window() {
  local id
  for _ in $(seq 1 120); do
    id=$(xdotool search --name "^$installer_window_title\$" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.5
  done
  return 1
}

installed_program_window=""
installed_program_pid=""

# Started the way a user starts it: the Start-menu shortcut.  The window must
# belong to the installed copy, not to some other tolvane.exe.
shortcut_opens_window() {
  installer_run_wine start /unix "$installer_shortcut" || return 1
  installed_program_window=$(installer_find_window) || { echo "        no window '$installer_window_title'"; return 1; }
  installed_program_pid=$(xdotool getwindowpid "$installed_program_window") || return 1
  local command
  command=$(tr '\0' ' ' <"/proc/$installed_program_pid/cmdline")
  echo "        window 0x$(printf %x "$installed_program_window") of: $command"
  [[ $command == "$installer_dir_win\\tolvane.exe"* ]]
}

# taskkill without /f posts WM_CLOSE, as the window's close box does.
window_closes() {
  [ -n "$installed_program_pid" ] || return 1
  installer_run_wine taskkill /im tolvane.exe >/dev/null || return 1
  for _ in $(seq 1 120); do
    if ! kill -0 "$installed_program_pid" 2>/dev/null; then
      ! xdotool search --name "^$installer_window_title\$" >/dev/null 2>&1
      return
    fi
    sleep 0.25
  done
  echo "        tolvane.exe still runs 30 s after WM_CLOSE"
  return 1
}

# Runs the QuietUninstallString as written in the registry, as a deployment
# tool would, and waits for the copy that does the work.
quiet_uninstall_runs() {
  local quiet program arguments
  quiet=$(installer_registry_entry | sed -n 's/^"QuietUninstallString"="\(.*\)"$/\1/p' |
    sed 's/\\\\/\\/g; s/\\"/"/g') || return 1
  [[ $quiet == \"*\"* ]] || { echo "        no QuietUninstallString"; return 1; }
  program=${quiet#\"}
  program=${program%%\"*}
  arguments=${quiet#\""$program"\"}
  # shellcheck disable=SC2086 # the arguments are words, as Windows would split them
  installer_run_wine "$program" $arguments && installer_settle
}

nothing_left_installed() {
  local faults=0
  [ ! -e "$installer_dir" ] || { echo "        left: $(ls -A "$installer_dir" | tr '\n' ' ')"; faults=1; }
  [ ! -e "$installer_shortcut" ] || { echo "        left: the Start-menu shortcut"; faults=1; }
  # After installer_settle the registry is on disk.
  if grep -qF '[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tolvane]' \
       "$installer_prefix/system.reg"; then
    echo "        left: the uninstall entry"
    faults=1
  fi
  [ "$faults" -eq 0 ]
}

# A second install, into a folder the user chose (/D=, a Chinese name), with
# a file of the user's own put beside the program afterwards.
installer_custom_dir_win='C:\工具\Tolvane'
installer_custom_dir="$installer_prefix/drive_c/工具/Tolvane"

custom_folder_install_runs() {
  installer_run_wine "$installer_file" /S "/D=$installer_custom_dir_win" && installer_settle &&
    cmp -s "$installer_exe" "$installer_custom_dir/tolvane.exe" &&
    shortcut_holds "$installer_custom_dir_win\\tolvane.exe" &&
    installer_registry_entry | grep -qxF "\"InstallLocation\"=\"${installer_custom_dir_win//\\/\\\\}\""
}

# The uninstaller removes what it installed and nothing of the user's.
user_file_survives_uninstall() {
  printf 'mine\n' >"$installer_custom_dir/笔记.txt"
  installer_run_wine "$installer_custom_dir_win\\uninstall.exe" /S && installer_settle || return 1
  local left
  left=$(find "$installer_custom_dir" -mindepth 1 -printf '%f ' 2>/dev/null)
  if [ "$left" != "笔记.txt " ] || [ "$(cat "$installer_custom_dir/笔记.txt")" != mine ]; then
    echo "        in the folder afterwards: ${left:-nothing}"
    return 1
  fi
  [ ! -e "$installer_shortcut" ] || { echo "        left: the Start-menu shortcut"; return 1; }
}

# run_installer_test: the whole round, counted check by check; non-zero when
# any check failed.
run_installer_test() {
  installer_checks_passed=0
  installer_checks_failed=0
  ensure_packages "${installer_packages[@]}" || return 1
  rm -f "$installer_build"/tolvane-*-setup.exe
  installer_check "installer built: ${installer_build#"$repo_root"/}/tolvane-<version>-setup.exe" \
    installer_built
  echo "        ${installer_file#"$repo_root"/}"
  if [ -f "$installer_file" ]; then
    if ! installer_new_prefix; then
      echo "!! cannot make the Wine prefix $installer_prefix"
      installer_checks_failed=$((installer_checks_failed + 1))
    elif display_start; then
      installer_check "silent install (/S) exits 0" silent_install_runs
      installer_check "installed: tolvane.exe, tolvane-cli.exe (the built ones) and uninstall.exe, nothing else" \
        installed_files_match
      installer_check "the installed tolvane-cli.exe prints its help" installed_cli_runs
      installer_check "Start-menu shortcut for all users points to tolvane.exe" \
        shortcut_points_to_program
      installer_check "uninstall entry: name, version, publisher, icon, commands, size" \
        uninstall_entry_complete
      installer_check "the shortcut starts the installed program, its window shows" \
        shortcut_opens_window
      installer_check "the window closes on WM_CLOSE and the program ends" window_closes
      installer_check "QuietUninstallString uninstalls silently" quiet_uninstall_runs
      installer_check "uninstalled: files, folder, shortcut and registry entry gone" \
        nothing_left_installed
      installer_check "install with /D= into a folder of the user's (a Chinese name)" \
        custom_folder_install_runs
      installer_check "uninstall keeps a file the user put in that folder" \
        user_file_survives_uninstall
      WINEPREFIX="$installer_prefix" "$installer_wineserver" -k 2>/dev/null || true
      display_stop
    else
      echo "!! no virtual display (Xvfb) for the window"
      installer_checks_failed=$((installer_checks_failed + 1))
    fi
  fi
  echo "Installer: $installer_checks_passed checks passed, $installer_checks_failed failed"
  if [ "$installer_checks_failed" -eq 0 ]; then
    echo "PASS: installer installs, starts, closes and uninstalls under Wine"
  else
    echo "FAIL: installer round under Wine"
    return 1
  fi
}
