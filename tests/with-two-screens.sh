#!/bin/sh
# Runs one command against an X server of its own whose desktop spans two
# screens of different sizes (Xorg's dummy driver; Xvfb has one screen).
# Usage: with-two-screens.sh CONFIG COMMAND...
config=$1
shift
dir=$(mktemp -d "${TMPDIR:-/tmp}/velmora-xorg.XXXXXX") || exit 1
mkfifo "$dir/display"
Xorg -config "$config" -noreset -nolisten tcp -logfile "$dir/xorg.log" -displayfd 3 \
    3>"$dir/display" 2>/dev/null &
server=$!
if ! read -r number <"$dir/display"; then
    echo "with-two-screens: Xorg did not start; its log:" >&2
    cat "$dir/xorg.log" >&2
    rm -rf "$dir"
    # Without root, Debian's Xorg may refuse to start: the test is skipped
    # (exit 77), not passed. As root it must start.
    [ "$(id -u)" -ne 0 ] && exit 77
    exit 1
fi
DISPLAY=:$number VELMORA_TWO_SCREENS=1 "$@"
rc=$?
kill "$server"
wait "$server" 2>/dev/null
rm -rf "$dir"
exit $rc
