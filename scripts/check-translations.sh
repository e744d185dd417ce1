#!/usr/bin/env bash
# Fails while a translation is not complete and up to date:
#   check-translations.sh LUPDATE SOURCES.lst LUPDATE_TARGET FILE.ts ...
# Each .ts must be exactly what lupdate makes of the sources (no text missing,
# none left over) and hold no unfinished entry. A file named *_en.ts holds
# only the English plural forms.
set -euo pipefail
lupdate=$1 list=$2 target=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for ts in "$@"; do
  name=$(basename "$ts")
  copy=$work/$name
  cp "$ts" "$copy"
  extra=()
  case $name in *_en.ts) extra=(-pluralonly) ;; esac
  "$lupdate" -silent -locations none -no-obsolete "${extra[@]}" "@$list" -ts "$copy"
  if grep -q 'type="unfinished"' "$copy"; then
    echo "$name: untranslated texts:" >&2
    grep -B2 'type="unfinished"' "$copy" | grep '<source>' | sed 's/^ */  /' >&2
    status=1
  fi
  if ! cmp -s "$ts" "$copy"; then
    echo "$name: not what lupdate makes of the sources; run the build target $target" >&2
    diff -u "$ts" "$copy" | head -40 >&2 || true
    status=1
  fi
done
exit $status
