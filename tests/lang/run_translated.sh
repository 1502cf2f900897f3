#!/usr/bin/env bash
# A run of qjintp with the German language home of the build: the start and end messages and
# the script error come in German; without a language, in the module's own texts.
set -u
qjintp=$1
qjhome=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'Main\nfoo\nEndMain\n' >"$dir/t.scr"
fail=0
check() {  # what, expected, actual
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"
    diff <(echo "$2") <(echo "$3")
    fail=1
  fi
}
run() {  # language; prints the run's stdout without the time texts, then its stderr
  (cd "$dir" && QJ_ENV_FILE="$dir/none.ini" QJLg=$1 QJHome="$qjhome" QJCHome= LC_ALL=C \
    "$qjintp" t.scr 2>"$dir/stderr" | sed -E 's/ - [A-Z][a-z]{2} .*$//')
  cat "$dir/stderr"
}
check "German" "'t.scr' Start der Skriptverarbeitung
't.scr' Ende der Skriptverarbeitung
Skriptfehler: t.scr (2): 'foo' - Unbekannter Bezeichner" "$(run de)"
check "own texts" "'t.scr' start script processing
't.scr' end of script processing
Script error: t.scr (2): 'foo' - Unknown identifier" "$(run '')"
[ "$fail" = 0 ] && echo "translated run: passed"
exit "$fail"
