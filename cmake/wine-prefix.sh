#!/bin/sh
# Makes the build's wine prefix: boots it, then turns every user folder that wine links to a
# folder outside the prefix (Desktop, Documents, ... point at the home folder) into a plain
# folder, so that nothing run in the prefix can reach the home folder through them. wine makes
# those links only where no folder stands yet, so later starts and updates leave them plain.
# Usage: wine-prefix.sh <prefix> <wineserver> <wine command...>
set -eu
prefix=$1
wineserver=$2
shift 2

"$@" wineboot --init
WINEPREFIX=$prefix "$wineserver" -w

users=$prefix/drive_c/users
find "$users" -type l | while IFS= read -r link; do
  case $(readlink "$link") in
    /*) rm -- "$link" && mkdir -- "$link" ;;
  esac
done
outside=$(find "$users" -type l -lname '/*')
if [ -n "$outside" ]; then
  echo "wine-prefix.sh: links out of the prefix remain: $outside" >&2
  exit 1
fi
