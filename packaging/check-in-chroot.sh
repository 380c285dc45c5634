#!/usr/bin/env bash
# Tries the Debian package as a new user of a fresh Debian 12 would meet it, in a chroot:
#   1. the older package installs, the newer one upgrades it, both without a warning from apt/dpkg;
#   2. the first start from the menu entry shows the installation dialog; "安装(&S)" creates
#      ~/KORVEL QUORRA with the mark and puts a launcher on the desktop (no program copy);
#   3. the next start from the menu entry opens the main window directly;
#   4. "apt remove" leaves the user's RERAVA.INI and faxes where they are.
# The windows run on Xvfb and are driven with xdotool (test tools installed into the chroot only).
#
# Usage (as root): packaging/check-in-chroot.sh CHROOT OLD.deb NEW.deb
# CHROOT is made with "debootstrap --variant=minbase bookworm CHROOT" when it does not exist yet.
set -euo pipefail

root=$1
old_deb=$2
new_deb=$3
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

if [ ! -x "$root/usr/bin/apt-get" ]; then
    debootstrap --variant=minbase bookworm "$root" "$mirror"
fi

mounted=()
cleanup() {
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -l "${mounted[$i]}" || true
    done
}
trap cleanup EXIT
for fs in proc sys dev dev/pts; do
    mount --bind "/$fs" "$root/$fs"
    mounted+=("$root/$fs")
done
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$old_deb" "$root/tmp/old.deb"
cp "$new_deb" "$root/tmp/new.deb"

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
as_user() { chroot "$root" env -i PATH=/usr/bin:/bin HOME=/home/ann USER=ann LANG=C.UTF-8 runuser -u ann -- "$@"; }
step() { printf '\n=== %s\n' "$*"; }
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
no_warnings() { if grep -Ei '^(W|E):|warning|error' "$1"; then fail "apt or dpkg complained"; fi; }

step "apt-get update"
in_root apt-get update -qq

step "install $(basename "$old_deb")"
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y --no-install-recommends /tmp/old.deb 2>&1 | tee /tmp/chroot-install.log
no_warnings /tmp/chroot-install.log

step "upgrade to $(basename "$new_deb")"
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y --no-install-recommends /tmp/new.deb 2>&1 | tee /tmp/chroot-upgrade.log
no_warnings /tmp/chroot-upgrade.log
in_root dpkg-query -W -f='${Package} ${Version} ${Status}\n' faxdesk
in_root dpkg-query -W -f='${Depends}\n' faxdesk
in_root ls -l /usr/share/qt6/translations/qtbase_zh_CN.qm

step "test tools (not needed by the program)"
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y -qq --no-install-recommends xvfb xauth xdotool x11-utils >/dev/null

in_root id ann >/dev/null 2>&1 || in_root useradd -m -s /bin/bash ann
in_root rm -rf "/home/ann/KORVEL QUORRA" /home/ann/Desktop

exec_line=$(in_root sed -n 's/^Exec=//p' /usr/share/applications/faxdesk.desktop)
echo "menu entry: Exec=$exec_line"

# One start from the menu entry on a fresh X server: prints the titles of the program's windows once
# one is up, then acts on it ($1: "install" presses the default button and the OK of the message,
# "close" ends the program through its menu).
start_from_menu() {
    as_user xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
        '"$exec_line"' & pid=$!
        win=$(xdotool search --sync --onlyvisible --pid $pid --name . | head -1)
        sleep 1
        echo "window: $(xdotool getwindowname $win)"
        if [ "$1" = install ]; then
            xdotool windowfocus --sync $win key Return
            box=$(xdotool search --sync --onlyvisible --pid $pid --name . | grep -v "^$win\$" | head -1)
            sleep 1
            echo "message: $(xdotool getwindowname $box)"
            xdotool windowfocus --sync $box key Return
            for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
            kill $pid 2>/dev/null && echo "still running after the installation" || echo "ended"
        else
            # "关闭程序(&E)" of the menu "传真(&F)".
            xdotool windowfocus --sync $win key alt+f e
            for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
            kill $pid 2>/dev/null && echo "still running" || echo "ended"
        fi
    ' start "$1"
}

step "first start from the menu"
start_from_menu install
as_user find /home/ann -path /home/ann/.cache -prune -o -type f -print
as_user cat "/home/ann/KORVEL QUORRA/RERAVA.INI"
as_user sh -c 'cat /home/ann/Desktop/*.desktop'
if as_user find /home/ann -iname '*.EXE' | grep .; then fail "a program copy"; fi
as_user grep -q '^INSTALL=1' "/home/ann/KORVEL QUORRA/RERAVA.INI" || fail "no installation mark"
as_user grep -q '^Exec=/usr/bin/faxdesk' /home/ann/Desktop/*.desktop || fail "launcher does not start /usr/bin/faxdesk"

step "second start from the menu"
start_from_menu close

step "a fax of the user's, then apt remove"
as_user sh -c 'printf "II*\0" > "/home/ann/KORVEL QUORRA/20260101120000.TIF"'
DEBIAN_FRONTEND=noninteractive in_root apt-get remove -y faxdesk 2>&1 | tail -3
as_user ls -l "/home/ann/KORVEL QUORRA"
as_user test -s "/home/ann/KORVEL QUORRA/RERAVA.INI" || fail "RERAVA.INI gone"
as_user test -s "/home/ann/KORVEL QUORRA/20260101120000.TIF" || fail "the fax gone"
in_root test ! -e /usr/bin/faxdesk || fail "/usr/bin/faxdesk still there"
echo "/usr/bin/faxdesk removed; the user's files stay"
echo "chroot check passed"
