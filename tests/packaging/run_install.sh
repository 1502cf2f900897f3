#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the tree elsewhere, and from there only
# runs a script, builds a C host with pkg-config and another with find_package and runs both,
# renders the man page and asks the bash completion; then makes the Debian package, reads its
# dependencies and runs qjintp from the unpacked package.
# Arguments: the build folder, the C compiler.
set -u
build=$1
cc=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset LD_LIBRARY_PATH QJ_TRACE QJ_LOG QJ_CLASSES
fail=0
failed() { echo "FAIL: $*"; fail=1; }

cmake --install "$build" --prefix "$work/first" >/dev/null || { echo "FAIL: install"; exit 1; }
mv "$work/first" "$work/moved"  # the tree must not depend on where it was installed
prefix=$work/moved
libdir=$(dirname "$(find "$prefix" -name 'libQJIntp32.so.*.*.*')")
for file in bin/qjintp include/qjintp32.h share/man/man1/qjintp.1 \
  share/bash-completion/completions/qjintp share/doc/qjintp32/language.md \
  share/doc/qjintp32/embedding.md share/doc/qjintp32/copyright share/doc/qjintp32/examples/hello.scr; do
  [ -f "$prefix/$file" ] || failed "not installed: $file"
done
readelf -d "$libdir/libQJIntp32.so.2" | grep -q 'SONAME.*\[libQJIntp32\.so\.2\]' || failed "soname"

printf 'Main\nDebugPrintStr(Param1)\nEndMain\n' >"$work/t.scr"
out=$("$prefix/bin/qjintp" "$work/t.scr" installed 2>&1) || failed "qjintp: $out"
[[ $out == *'Param1 = "installed"'* ]] || failed "qjintp output: $out"

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

warnings=$(groff -man -Tutf8 -ww -z "$prefix/share/man/man1/qjintp.1" 2>&1)
[ -z "$warnings" ] || failed "man page: $warnings"
page=$(MANWIDTH=80 man -l "$prefix/share/man/man1/qjintp.1" 2>/dev/null)
[[ $page == *'qjintp - run a QJIntp32 script'*'--timeout SECONDS'* ]] || failed "man page rendering"

completion=$(bash -c 'source "$1"; COMP_WORDS=(qjintp --ti); COMP_CWORD=1; _qjintp
  echo "${COMPREPLY[*]}"' _ "$prefix/share/bash-completion/completions/qjintp")
[ "$completion" = "--timeout" ] || failed "completion of --ti: $completion"

if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1) ||
    failed "cpack: $(tail -5 "$work/cpack.log")"
  deb=$(find "$work/deb" -maxdepth 1 -name '*.deb' | head -1)
  depends=$(dpkg-deb -f "$deb" Depends 2>/dev/null)
  [[ $depends == *libc6* && $depends == *libstdc++6* ]] || failed "package dependencies: $depends"
  dpkg-deb -x "$deb" "$work/root" || failed "unpacking the package"
  out=$("$work/root/usr/bin/qjintp" -q "$work/t.scr" x 2>&1) || failed "packaged qjintp: $out"
else
  echo "run_install: dpkg-deb or dpkg-shlibdeps missing, Debian package not tested"
fi
exit $fail
