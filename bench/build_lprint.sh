#!/usr/bin/env bash
# Builds LPrint (a PAPPL label and receipt printer application) from its
# public release source, for bench/printerapp_bench.sh to run beside ours:
# ./configure && make against the system's PAPPL, in a copy of the source
# under the build tree (nothing is written to the source, nothing installed).
#
# Usage: bench/build_lprint.sh [NATIVE_RELEASE_BUILD_DIR]
#   LPRINT_SOURCE  LPrint's source: a directory holding its release files (the
#                  configure script), or a git directory or clone holding the
#                  tag LPRINT_TAG. Default: the local mirror of
#                  https://github.com/michaelrsweet/lprint when present.
#   LPRINT_TAG     the release (default v1.4.0).
# Prints the path of the built lprint program on its last line. An existing
# build of the same release from the same source is reused.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${1:-$root/build/native-release}
tag=${LPRINT_TAG:-v1.4.0}
mirror=/work/.mirror/michaelrsweet+lprint/repo

fail() {
  echo "build_lprint.sh: $*" >&2
  exit 1
}

source=${LPRINT_SOURCE:-}
if [[ -z $source && -d $mirror ]]; then source=$mirror; fi
[[ -n $source ]] || fail "no LPrint source: set LPRINT_SOURCE to a directory with LPrint's release \
source or to a clone of https://github.com/michaelrsweet/lprint (with the tag $tag)"
[[ -d $source ]] || fail "LPRINT_SOURCE: no such directory: $source"
source=$(cd "$source" && pwd)

dest=$build/bench/lprint-${tag#v}
stamp="$source $tag"
if [[ -x $dest/lprint && -f $dest/.built-from && $(cat "$dest/.built-from") == "$stamp" ]]; then
  echo "$dest/lprint"
  exit 0
fi
rm -rf "$dest"
mkdir -p "$dest"
if [[ -f $source/configure ]]; then
  tar -C "$source" --exclude=.git -cf - . | tar -C "$dest" -xf -
elif git -C "$source" rev-parse --git-dir >/dev/null 2>&1; then
  git -C "$source" rev-parse -q --verify "refs/tags/$tag" >/dev/null ||
    fail "$source has no tag $tag (set LPRINT_TAG, or fetch the tags)"
  git -C "$source" archive "$tag" | tar -C "$dest" -xf -
else
  fail "LPRINT_SOURCE: $source is neither LPrint's source (no configure script) nor a git directory"
fi
[[ -f $dest/configure ]] || fail "$source ($tag) holds no configure script: not LPrint's release source?"

echo "building LPrint ${tag#v} in $dest (logs: configure.log, make.log)" >&2
(cd "$dest" && ./configure >configure.log 2>&1) || {
  tail -n 20 "$dest/configure.log" >&2
  fail "configure failed (is libpappl-dev installed?); see $dest/configure.log"
}
(cd "$dest" && make -j"${JOBS:-2}" >make.log 2>&1) || {
  tail -n 20 "$dest/make.log" >&2
  fail "make failed; see $dest/make.log"
}
[[ -x $dest/lprint ]] || fail "make ran but built no $dest/lprint"
echo "$stamp" >"$dest/.built-from"
echo "$dest/lprint"
