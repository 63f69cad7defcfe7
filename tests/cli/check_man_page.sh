#!/bin/sh
# Each manual page as the build makes it (PAGE...) renders without a single
# warning from troff, read as it is and through preconv, at a narrow and a
# wide line; breaks no name with a hyphen; and has the NAME line whatis
# reads.  Usage: check_man_page.sh PAGE...
status=0
for page in "$@"; do
  for width in 50n 78n 120n; do
    for preconv in "" -k; do
      said=$(groff $preconv -man -rLL=$width -Tutf8 -ww -z "$page" 2>&1)
      if [ -n "$said" ]; then
        echo "$page: groff $preconv -man -rLL=$width -Tutf8 -ww -z printed:"
        echo "$said"
        status=1
      fi
    done
    # A letter, then a hyphen that ends the line: a name broken in two.
    broken=$(groff -man -rLL=$width -Tutf8 -P-cbou "$page" 2>/dev/null | grep -E '[[:alpha:]](-|‐)$')
    if [ -n "$broken" ]; then
      echo "$page: hyphenated at $width:"
      echo "$broken"
      status=1
    fi
  done
  # lexgrog is what mandb reads the NAME line with for whatis and apropos:
  # "PAGE: "tolvane-cli - gather ..."".
  name=$(basename "$page" .1)
  said=$(lexgrog "$page" 2>&1)
  case $said in
    *": \"$name - "*) ;;
    *)
      echo "$page: whatis cannot read its NAME line: $said"
      status=1
      ;;
  esac
done
exit $status
