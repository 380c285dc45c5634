#!/bin/bash
# Two real local users on one machine. User B takes the names user A's program would use in the
# shared temporary folder (the runtime folder Qt falls back to, the lock, the socket) and listens
# there with a forged answer full of terminal escapes. A's command-line read (no session runtime
# folder, as under cron or su) must keep to a folder of A's own, read for itself and print nothing
# of B's. Then A's own lock cannot be taken: the read must refuse to start, not run unlocked.
#   tests/integration/other-users.sh BUILD
# Needs root (to make the users); skipped (77) otherwise.
set -u
[ "$(id -u)" = 0 ] || { echo "skipped: making two users needs root"; exit 77; }
build=$1
name='KorvelQuorraMODEM传真'
for user in faxdesk-test-a faxdesk-test-b; do
    id "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/sh "$user" || { echo "skipped: no useradd"; exit 77; }
done
home_a=$(getent passwd faxdesk-test-a | cut -d: -f6)
work=$(mktemp -d)
chmod 755 "$work"
cp "$build/src/faxdesk" "$work/faxdesk" && chmod 755 "$work/faxdesk"
server_pid=
cleanup() {
    [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null
    rm -rf "$work" /tmp/runtime-faxdesk-test-a "/tmp/$name.socket" "/tmp/$name.lock" "$home_a/.cache/faxdesk" "$home_a/faxes"
}
trap cleanup EXIT
cleanup_start() { rm -rf /tmp/runtime-faxdesk-test-a "/tmp/$name.socket" "/tmp/$name.lock" "$home_a/.cache/faxdesk"; }
cleanup_start

# B's squatter: A's fallback runtime folder, and in both places a lock B holds and a socket that
# answers every request with a forged fax and success.
cat >"$work/squat.py" <<'PY'
import fcntl, os, socket, sys, threading
name = sys.argv[1]
held, servers = [], []
os.makedirs("/tmp/runtime-faxdesk-test-a", mode=0o777, exist_ok=True)
os.chmod("/tmp/runtime-faxdesk-test-a", 0o777)
for folder in ("/tmp", "/tmp/runtime-faxdesk-test-a"):
    lock = os.open(f"{folder}/{name}.lock", os.O_RDWR | os.O_CREAT, 0o666)
    os.fchmod(lock, 0o666)
    fcntl.flock(lock, fcntl.LOCK_EX)
    held.append(lock)
    path = f"{folder}/{name}.socket"
    if os.path.exists(path):
        os.unlink(path)
    server = socket.socket(socket.AF_UNIX)
    server.bind(path)
    os.chmod(path, 0o777)
    server.listen(4)
    servers.append(server)
def serve(server):
    while True:
        client, _ = server.accept()
        client.recv(4096)
        client.sendall("STATUS \x1b]0;PWNED\x07\x1b[31mFORGED STATUS\n"
                       "FAX 3\t/home/x/FORGED.TIF\tFORGED SENDER \x1b[2J\n"
                       "RESULT 0 0\n".encode())
        client.close()
for server in servers:
    threading.Thread(target=serve, args=(server,), daemon=True).start()
print("ready", flush=True)
threading.Event().wait()
PY
chmod 644 "$work/squat.py"
runuser -u faxdesk-test-b -- /usr/bin/python3 "$work/squat.py" "$name" >"$work/squat.out" 2>&1 &
server_pid=$!
for _ in $(seq 100); do grep -q ready "$work/squat.out" 2>/dev/null && break; sleep 0.1; done
grep -q ready "$work/squat.out" || { echo "B's squatter did not start:"; cat "$work/squat.out"; exit 1; }

# A's faxes, with a modem that is not there: a read of A's own ends with "no modem" (3).
runuser -u faxdesk-test-a -- mkdir -p "$home_a/faxes"
printf '[DEZAZAZE]\r\nINSTALL=1\r\n[PORTS]\r\nCOM1=/nonexistent/a\r\nCOM2=/nonexistent/b\r\n' >"$home_a/faxes/RERAVA.INI"
chown faxdesk-test-a "$home_a/faxes/RERAVA.INI"
read_as_a() {
    runuser -u faxdesk-test-a -- env -i HOME="$home_a" PATH=/usr/bin:/bin LANG=C.UTF-8 \
        "$work/faxdesk" --read-faxes --program-directory "$home_a/faxes" >"$work/out" 2>&1
}
failed=0
read_as_a
status=$?
if [ "$status" != 3 ]; then
    echo "A's read ended with $status, not 3 (no modem: a read of A's own):"; cat -v "$work/out"; failed=1
fi
if grep -q FORGED "$work/out" || grep -q $'\x1b' "$work/out"; then
    echo "A's read printed what B's program said:"; cat -v "$work/out"; failed=1
fi
lock_dir=$(runuser -u faxdesk-test-a -- stat -c '%U %a' "$home_a/.cache/faxdesk" 2>/dev/null)
[ "$lock_dir" = "faxdesk-test-a 700" ] || { echo "A's runtime folder: '$lock_dir', not A's own with 700"; failed=1; }

# A's own lock cannot be taken (a folder stands where the lock file goes): no read without it.
runuser -u faxdesk-test-a -- rm -f "$home_a/.cache/faxdesk/$name.lock"
runuser -u faxdesk-test-a -- mkdir "$home_a/.cache/faxdesk/$name.lock"
read_as_a
status=$?
if [ "$status" != 5 ] || ! grep -q '无法确认传真程序是否已在运行' "$work/out"; then
    echo "without its lock A's read ended with $status:"; cat -v "$work/out"; failed=1
fi
exit $failed
