# Sourced by the drivers of the file library's tests under wine: a temporary folder of the
# test's own in $dir, removed at the end, and winpath, which names a path as wine's drive Z:.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
