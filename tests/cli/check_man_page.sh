#!/bin/sh
# The manual page as installed (PAGE) renders without a single warning from
# troff, read as it is and through preconv, at a narrow and a wide line;
# breaks no name with a hyphen; and is what scripts/man-page makes of its
# text (REPO/cli/tolvane-cli.1.utf8).  Usage: check_man_page.sh PAGE REPO
page=$1
repo=$2
status=0
for width in 50n 78n 120n; do
  for preconv in "" -k; do
    said=$(groff $preconv -man -rLL=$width -Tutf8 -ww -z "$page" 2>&1)
    if [ -n "$said" ]; then
      echo "groff $preconv -man -rLL=$width -Tutf8 -ww -z printed:"
      echo "$said"
      status=1
    fi
  done
  # A letter, then a hyphen that ends the line: a name broken in two.
  broken=$(groff -man -rLL=$width -Tutf8 -P-cbou "$page" 2>/dev/null | grep -E '[[:alpha:]](-|‐)$')
  if [ -n "$broken" ]; then
    echo "hyphenated at $width:"
    echo "$broken"
    status=1
  fi
done
python3 "$repo/scripts/man-page" --check || status=1
exit $status
