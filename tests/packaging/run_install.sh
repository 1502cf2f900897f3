#!/usr/bin/env bash
# The build installed into a temporary prefix and moved elsewhere, used from there as a user
# would (scripts, C hosts, README links, man page, completion); then the Debian packages, checked
# and run from where they unpack.
# Arguments: the build folder, the C compiler.
set -u
build=$1
cc=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset LD_LIBRARY_PATH QJ_TRACE QJ_LOG QJHome QJCHome QJLg
export XDG_CONFIG_HOME=$work/config QJ_ENV_FILE=$work/env.ini QJ_CLASSES=$work/classes
fail=0
failed() { echo "FAIL: $*"; fail=1; }

cmake --install "$build" --prefix "$work/first" >/dev/null || { echo "FAIL: install"; exit 1; }
mv "$work/first" "$work/moved"  # the tree must not depend on where it was installed
prefix=$work/moved
libdir=$(dirname "$(find "$prefix" -name 'libQJIntp32.so.*.*.*')")
doc=$prefix/share/doc/qjintp
# The program, header, man page and completion are used below; the copyright only lies there.
[ -f "$doc/copyright" ] || failed "not installed: $doc/copyright"
for link in $(grep -oE '\]\([^)#:]+\)' "$doc/README.md" | sed -E 's/^\]\((.*)\)$/\1/'); do
  [ -e "$doc/$link" ] || failed "the installed README's link goes nowhere: $link"
done
readelf -d "$libdir/libQJIntp32.so.2" | grep -q 'SONAME.*\[libQJIntp32\.so\.2\]' || failed "soname"

printf 'Main\nDebugPrintStr(Param1)\nEndMain\n' >"$work/t.scr"
printf 'Main\nfoo\nEndMain\n' >"$work/bad.scr"
out=$("$prefix/bin/qjintp" "$work/t.scr" installed 2>&1) || failed "qjintp: $out"
[[ $out == *'Param1 = "installed"'* ]] || failed "qjintp output: $out"
# German texts from the installed language home, with QJHome set by no one.
german() {  # qjintp, where it lies
  out=$(cd "$work" && QJLg=de "$1" -q bad.scr 2>&1)
  [[ $out == *'Unbekannter Bezeichner'* ]] || failed "QJLg=de $2: $out"
}
german "$prefix/bin/qjintp" "in the installed tree"
"$prefix/bin/qjintp" --register "$(find "$prefix" -name libqjsample_server.so)" >/dev/null ||
  failed "registering the installed sample server"
out=$(cd "$doc/examples" && "$prefix/bin/qjintp" automation.scr 2>&1)
[[ $out == *'The answer is 42'* ]] || failed "the automation example: $out"

export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046  # pkg-config's words are meant to split
"$cc" -o "$work/pchost" "$here/host.c" $(pkg-config --cflags --libs qjintp32) \
  -Wl,-rpath,"$libdir" || failed "building the host with pkg-config"
out=$("$work/pchost" "$work/t.scr" 2>&1) || failed "pkg-config host: $out"
[[ $out == *'QJIntp32 2.0.0'*'Param1 = "from the host"'* ]] || failed "pkg-config host output: $out"

mkdir "$work/cm" && cp "$here/host.c" "$work/cm/" && cp "$here/CMakeLists.txt.in" "$work/cm/CMakeLists.txt"
if cmake -S "$work/cm" -B "$work/cm/b" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_COMPILER="$cc" \
  >"$work/cm.log" 2>&1 && cmake --build "$work/cm/b" >>"$work/cm.log" 2>&1; then
  out=$("$work/cm/b/qjhost" "$work/t.scr" 2>&1) || failed "find_package host: $out"
else
  failed "find_package host did not build: $(tail -5 "$work/cm.log")"
fi

warnings=$(zcat "$prefix/share/man/man1/qjintp.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
[ -z "$warnings" ] || failed "man page: $warnings"
page=$(MANWIDTH=80 man -l "$prefix/share/man/man1/qjintp.1.gz" 2>/dev/null)
[[ $page == *'qjintp - run a QJIntp32 script'*'--timeout SECONDS'* ]] || failed "man page rendering"

completion=$(bash -c 'source "$1"; COMP_WORDS=(qjintp --ti); COMP_CWORD=1; _qjintp
  echo "${COMPREPLY[*]}"' _ "$prefix/share/bash-completion/completions/qjintp")
[ "$completion" = "--timeout" ] || failed "completion of --ti: $completion"

if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1) ||
    failed "cpack: $(tail -5 "$work/cpack.log")"
  debs=$(find "$work/deb" -maxdepth 1 -name '*.deb' | sort)
  names=$(for deb in $debs; do dpkg-deb -f "$deb" Package; done | tr '\n' ' ')
  [ "$names" = "libqjintp32-2 libqjintp32-dev qjintp " ] || failed "packages: $names"
  depends=$(dpkg-deb -f "$work/deb/qjintp_"*.deb Depends 2>/dev/null)
  [[ $depends == *libqjintp32-2*libc6* && $depends == *libstdc++6* ]] ||
    failed "package dependencies: $depends"
  if command -v lintian >/dev/null; then
    # shellcheck disable=SC2086  # one word per package
    verdict=$(lintian $debs 2>&1 | grep -E '^[EW]: ')
    [ -z "$verdict" ] || failed "lintian: $verdict"
  else
    echo "run_install: lintian missing, the packages not checked"
  fi
  for deb in $debs; do dpkg-deb -x "$deb" "$work/root" || failed "unpacking $deb"; done
  german "$work/root/usr/bin/qjintp" "from the package"
else
  echo "run_install: dpkg-deb or dpkg-shlibdeps missing, Debian packages not tested"
fi
exit $fail
