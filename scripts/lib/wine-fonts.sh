# Chinese text in a Wine prefix: Windows programs ask for SimSun, Microsoft
# YaHei or the dialog font, which Wine lacks; without a replacement their
# Chinese shows as boxes.  Sourced.

wine_cjk_family="Noto Sans CJK SC" # Debian fonts-noto-cjk

# wine_cjk_fonts RUNNER DIR: imports the replacements into the prefix that
# RUNNER (a command that runs Wine there) uses; DIR holds the .reg file.
wine_cjk_fonts() {
  local runner=$1 file="$2/cjk-fonts.reg" face
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for face in 宋体 新宋体 SimSun NSimSun 微软雅黑 "Microsoft YaHei" "MS Shell Dlg" "MS Shell Dlg 2"; do
      printf '"%s"="%s"\r\n' "$face" "$wine_cjk_family"
    done
  } | iconv -f UTF-8 -t UTF-16 >"$file" || return 1
  "$runner" regedit /S "Z:${file//\//\\}"
}

# wine_caption_buttons PREFIX: Wine's Marlett (Debian fonts-wine) into the
# prefix.  This Wine does not look where the package puts it, and without it
# the title bar's buttons show as letters.  Only Marlett: Wine's Tahoma has no
# Chinese, and the title would turn to boxes.
wine_caption_buttons() {
  cp /usr/share/wine/fonts/marlett.ttf "$1/drive_c/windows/Fonts/"
}
