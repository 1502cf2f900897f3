#!/usr/bin/env bash
# A run of qjintp with the German language home of the build: the start and end messages and
# the script errors come in German; without a language, in the module's own texts. The third
# argument names the character set the host writes its texts in (UTF-8 where not given).
set -u
qjintp=$1
qjhome=$2
charset=${3:-UTF-8}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'Main\nfoo\nEndMain\n' >"$dir/t.scr"
run() {  # language, script; prints the run's stdout without the time texts, then its stderr
  {
    (cd "$dir" && QJ_ENV_FILE="$dir/none.ini" QJLg=$1 QJHome="$qjhome" QJCHome= LC_ALL=C \
      "$qjintp" "$2" 2>"$dir/stderr" | sed -E 's/ - [A-Z][a-z]+.*$//')
    cat "$dir/stderr"
  } | iconv -f "$charset" -t UTF-8
}
diff <(printf '%s\n' "'t.scr' Start der Skriptverarbeitung" "'t.scr' Ende der Skriptverarbeitung" \
  "Skriptfehler: t.scr (2): 'foo' - Unbekannter Bezeichner" \
  "Skriptfehler: 'gone.scr' - Fehler beim Öffnen der Skriptdatei" \
  "'t.scr' start script processing" "'t.scr' end of script processing" \
  "Script error: t.scr (2): 'foo' - Unknown identifier") \
  <(run de t.scr; run de gone.scr | grep -v Skriptverarbeitung; run '' t.scr) &&
  echo "translated run: passed"
