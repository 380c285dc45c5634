#!/bin/sh
# The installed systemd service starts the program where that installation put it, under whatever
# prefix the installation was given, and has a time limit.
#   tests/integration/installed-timer.sh BUILD
set -eu
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cmake --install "$build" --prefix "$out/prefix" >"$out/install.log"
unit="$out/prefix/lib/systemd/user/faxdesk-read-faxes.service"
if ! grep -qx "ExecStart=$out/prefix/bin/faxdesk --read-faxes" "$unit"; then
    echo "the unit does not start the installed program:" >&2
    grep '^ExecStart=' "$unit" >&2
    exit 1
fi
[ -x "$out/prefix/bin/faxdesk" ] || { echo "no program at $out/prefix/bin/faxdesk" >&2; exit 1; }
grep -q '^TimeoutStartSec=' "$unit" || { echo "the unit has no time limit" >&2; exit 1; }
[ -f "$out/prefix/lib/systemd/user/faxdesk-read-faxes.timer" ] || { echo "no timer" >&2; exit 1; }
