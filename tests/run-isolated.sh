#!/bin/sh
# Runs one test with a home, runtime and configuration folder of its own, so
# that tests never see each other's (or the developer's) data folder, lock or
# autostart entry. The folders are removed afterwards.
dir=$(mktemp -d "${TMPDIR:-/tmp}/velmora-test.XXXXXX") || exit 1
mkdir -m 700 "$dir/home" "$dir/runtime"
HOME="$dir/home"
XDG_RUNTIME_DIR="$dir/runtime"
XDG_CONFIG_HOME="$dir/home/.config"
XDG_DATA_HOME="$dir/home/.local/share"
XDG_CACHE_HOME="$dir/home/.cache"
export HOME XDG_RUNTIME_DIR XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
"$@"
rc=$?
rm -rf "$dir"
exit $rc
