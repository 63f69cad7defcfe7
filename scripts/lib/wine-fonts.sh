# Chinese text in a Wine prefix, beyond cmake/wine-settings.reg: Windows
# programs in Chinese (the installer's pages among them) ask for SimSun and its
# kin by their Chinese names, which Wine lacks; unreplaced, the text shows as
# boxes.  Sourced.

wine_cjk_family="Noto Sans CJK SC" # Debian fonts-noto-cjk

# wine_chinese_face_names RUNNER DIR: imports the replacements into the prefix
# that RUNNER (a command that runs Wine there) uses; DIR holds the .reg file,
# written in UTF-16 since Wine reads any other .reg in the ANSI code page.
wine_chinese_face_names() {
  local runner=$1 file="$2/chinese-face-names.reg" face
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for face in 宋体 新宋体 黑体 微软雅黑; do
      printf '"%s"="%s"\r\n' "$face" "$wine_cjk_family"
    done
  } | iconv -f UTF-8 -t UTF-16 >"$file" || return 1
  "$runner" regedit /S "Z:${file//\//\\}"
}

# wine_caption_buttons PREFIX: Wine's Marlett (Debian fonts-wine) into the
# prefix.  This Wine does not look where the package puts it, and without it
# the title bar's buttons show as letters.  Only Marlett: Wine's Tahoma has no
# Chinese, and titles would turn to boxes.
wine_caption_buttons() {
  cp /usr/share/wine/fonts/marlett.ttf "$1/drive_c/windows/Fonts/"
}
