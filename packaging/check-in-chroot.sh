#!/usr/bin/env bash
# Tries the Debian package in a fresh Debian 12 chroot as its users would meet it:
#   1. an older package installs and the newer one upgrades it, without a warning from apt or dpkg;
#   2. a user who installed with the older package (which copied the program into ~/KORVEL QUORRA)
#      starts from the menu straight into the main window; the launcher is pointed at
#      /usr/bin/faxdesk and the stale copy is gone;
#   3. a new user's first start from the menu shows the installation dialog; "安装(&S)" creates
#      ~/KORVEL QUORRA with the mark and a launcher for /usr/bin/faxdesk (no program copy); the next
#      start opens the main window directly;
#   4. "apt remove" leaves the users' RERAVA.INI and faxes where they are.
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
step() { printf '\n=== %s\n' "$*"; }
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
# apt's and dpkg's own complaints; a chroot has no init system, which invoke-rc.d notes for dbus.
no_warnings() {
    if grep -E '^(W|E): |^dpkg: (warning|error)|^(Errors|Warnings) were encountered' "$1"; then
        fail "apt or dpkg complained"
    fi
}

step "apt-get update"
in_root apt-get update -qq

step "install $(basename "$old_deb")"
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y --no-install-recommends /tmp/old.deb 2>&1 | tee /tmp/chroot-install.log
no_warnings /tmp/chroot-install.log

step "test tools (not needed by the program)"
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y -qq --no-install-recommends xvfb xauth xdotool x11-utils >/dev/null

make_user() {
    in_root id "$1" >/dev/null 2>&1 || in_root useradd -m -s /bin/bash "$1"
    in_root sh -c "rm -rf '/home/$1/KORVEL QUORRA' /home/$1/Desktop /home/$1/.config"
}

# One start from the menu entry on a fresh X server as user $1: prints the title of the program's
# window once it is up, then acts on it ($2: "install" presses the default button and the OK of the
# message that follows, "close" ends the program through its menu).
start_from_menu() {
    local exec_line
    exec_line=$(in_root sed -n 's/^Exec=//p' /usr/share/applications/faxdesk.desktop)
    echo "menu entry: Exec=$exec_line"
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="/home/$1" USER="$1" LANG=C.UTF-8 runuser -u "$1" -- \
        xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
        '"$exec_line"' & pid=$!
        win=$(xdotool search --sync --onlyvisible --pid $pid --name . | head -1)
        sleep 1
        echo "window: $(xdotool getwindowname $win)"
        if [ "$1" = install ]; then
            xdotool windowfocus $win; sleep 0.5; xdotool key Return
            box=
            for i in $(seq 50); do
                box=$(xdotool search --onlyvisible --pid $pid --name . | grep -v "^$win\$" | head -1)
                [ -n "$box" ] && break
                sleep 0.2
            done
            sleep 1
            echo "message: $(xdotool getwindowname $box)"
            xdotool windowfocus $box; sleep 0.5; xdotool key Return
        else
            # "关闭程序(&E)" of the menu "传真(&F)".
            xdotool windowfocus $win; sleep 0.5; xdotool key alt+f; sleep 0.5; xdotool key e
        fi
        for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
        kill $pid 2>/dev/null && echo "still running" || echo "ended"
    ' start "$2" | tee /tmp/chroot-start.log
}
expect_window() { grep -q "^window: $1\$" /tmp/chroot-start.log || fail "expected the window \"$1\""; }
home_files() { in_root find "/home/$1" -path "/home/$1/.cache" -prune -o -type f -print; }
# The launcher's command, its quotes taken off.
launcher_exec() { in_root sh -c "sed -n 's/^Exec=//p' /home/$1/Desktop/*.desktop" | tr -d '"'; }

step "ann installs with the older package (it copies the program)"
make_user ann
start_from_menu ann install
expect_window "安装"
home_files ann
echo "launcher: Exec=$(launcher_exec ann)"

step "upgrade to $(basename "$new_deb")"
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y --no-install-recommends /tmp/new.deb 2>&1 | tee /tmp/chroot-upgrade.log
no_warnings /tmp/chroot-upgrade.log
in_root dpkg-query -W -f='${Package} ${Version} ${Status}\n' faxdesk
in_root dpkg-query -W -f='Depends: ${Depends}\n' faxdesk
in_root ls -l /usr/share/qt6/translations/qtbase_zh_CN.qm

step "ann starts from the menu after the upgrade"
start_from_menu ann close
expect_window "KorvelQuorraMODEM传真软件"
home_files ann
echo "launcher: Exec=$(launcher_exec ann)"
[ "$(launcher_exec ann)" = /usr/bin/faxdesk ] || fail "ann's launcher does not start /usr/bin/faxdesk"
if home_files ann | grep -i '\.EXE$'; then fail "the old program copy is still there"; fi

step "bo, a new user: first start from the menu"
make_user bo
start_from_menu bo install
expect_window "安装"
home_files bo
in_root cat "/home/bo/KORVEL QUORRA/RERAVA.INI"
echo "launcher: Exec=$(launcher_exec bo)"
[ "$(launcher_exec bo)" = /usr/bin/faxdesk ] || fail "bo's launcher does not start /usr/bin/faxdesk"
if home_files bo | grep -i '\.EXE$'; then fail "a program copy"; fi

step "bo's second start from the menu"
start_from_menu bo close
expect_window "KorvelQuorraMODEM传真软件"

step "a fax of bo's, then apt remove"
in_root runuser -u bo -- sh -c 'printf "II*\0" > "/home/bo/KORVEL QUORRA/20260101120000.TIF"'
DEBIAN_FRONTEND=noninteractive in_root apt-get remove -y faxdesk 2>&1 | tail -3
in_root ls -l "/home/bo/KORVEL QUORRA" "/home/ann/KORVEL QUORRA"
in_root test -s "/home/bo/KORVEL QUORRA/RERAVA.INI" || fail "RERAVA.INI gone"
in_root test -s "/home/bo/KORVEL QUORRA/20260101120000.TIF" || fail "the fax gone"
in_root test ! -e /usr/bin/faxdesk || fail "/usr/bin/faxdesk still there"
echo "/usr/bin/faxdesk removed; the users' files stay"
echo "chroot check passed"
