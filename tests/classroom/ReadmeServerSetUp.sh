#!/usr/bin/env bash
# The README's class server set-up, its lines run as they are written, against a PostgreSQL cluster
# made like Debian's (TLS on with a certificate of its own, the administrator "postgres" admitted on
# the local socket only, no host connections, not listening on the network). Shims stand in for the
# machine: sudo runs the command as this test's server user with libpq pointed at the cluster (and the
# README's room subnet becomes this machine's loopback), systemctl restarts the cluster, apt-get
# checks that PostgreSQL 15 is there. Then a PC connects with the line and the password setup printed,
# and the rest of setup's promises are held: a second run changes nothing, the coach's login creates
# no role, a broken pg_hba.conf or a server without TLS is refused with the file left as it was, and
# --undo closes the network again and keeps the database.
# Usage: ReadmeServerSetUp.sh <folder of the programs> <README.md>
set -euo pipefail
bin=$(cd "$1" && pwd)
readme=$2
pg=/usr/lib/postgresql/15/bin
[ -x "$pg/initdb" ] || { echo "SKIPPED: PostgreSQL 15 is not installed"; exit 77; }

work=$(mktemp -d)
cleanup() {
  as_server "$pg/pg_ctl" -D "$work/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/ServerUser.sh"
[ "$(id -u)" -ne 0 ] || chown nobody:nogroup "$work"
export HOME="$work/home" LANG=C.UTF-8 LC_ALL=C.UTF-8
unset PGHOST PGPORT PGUSER PGDATABASE PGPASSWORD LANGUAGE
fail() {
  echo "FAILED: $*"
  exit 1
}

# The cluster, as Debian makes one.
as_server "$pg/initdb" -D "$work/data" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 -N >/dev/null
as_server openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -keyout "$work/data/server.key" -out "$work/data/server.crt" 2>/dev/null
chmod 600 "$work/data/server.key"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >>"$work/data/postgresql.conf" <<EOF
port = $port
unix_socket_directories = '$work'
listen_addresses = ''
ssl = on
fsync = off
log_statement = 'all'
EOF
echo "local all postgres trust" >"$work/data/pg_hba.conf"
as_server "$pg/pg_ctl" -D "$work/data" -l "$work/log" -w -t 30 start >/dev/null
psql() { as_server "$pg/psql" -X -q -At -v ON_ERROR_STOP=1 -h "$work" -p "$port" -U postgres "$@"; }

# The machine's commands the README uses.
mkdir -p "$work/shims" "$work/home"
cat >"$work/shims/sudo" <<EOF
#!/usr/bin/env bash
[ "\${1:-}" != -u ] || shift 2
arguments=()
for argument in "\$@"; do
  [ "\$argument" != 192.168.10.0/24 ] || argument=127.0.0.0/8
  arguments+=("\$argument")
done
export PGHOST='$work' PGPORT=$port PGUSER=postgres
if [ "\$(id -u)" -eq 0 ]; then
  exec setpriv --reuid=nobody --regid=nogroup --clear-groups -- "\${arguments[@]}"
fi
exec "\${arguments[@]}"
EOF
cat >"$work/shims/systemctl" <<EOF
#!/usr/bin/env bash
[ "\$*" = "restart postgresql" ] || { echo "systemctl: only 'restart postgresql' here" >&2; exit 1; }
exec $pg/pg_ctl -D '$work/data' -l '$work/log' -w -t 30 restart >/dev/null
EOF
cat >"$work/shims/apt-get" <<EOF
#!/usr/bin/env bash
[ "\$*" = "install postgresql" ] && [ -x $pg/postgres ]
EOF
chmod 755 "$work/shims"/*
# The binaries of the build, for the server's user too.
export PATH="$work/shims:$bin:$PATH"

# A PC of a class: a connection it was given, with its password.
pc_check() { PGPASSWORD=$2 "$bin/aviluma-class" check "$1" --class "$3" --lang en; }
tool() { sudo -u postgres aviluma-class "$@" --lang en; }

pc="host=127.0.0.1 port=$port dbname=aviluma user=room3 sslmode=require"
if pc_check "$pc" x 3班 >/dev/null 2>&1; then fail "a PC reached the server before the set-up"; fi

# The README's server set-up: the first shell block of its "Class server" section, as it is.
awk '/^## Class server/ { section = 1; next } /^## / { section = 0 }
     section && /^```sh$/ { block = 1; next } block && /^```$/ { exit } block { print }' "$readme" >"$work/setup.sh"
echo "+ README:"
cat "$work/setup.sh"
[ "$(grep -cv '^ *\(#.*\)\?$' "$work/setup.sh")" -le 3 ] || fail "the README's set-up is more than three commands"
(cd "$work/home" && bash -euo pipefail "$work/setup.sh") >"$work/setup.out" 2>&1 || {
  cat "$work/setup.out"
  fail "the README's set-up failed"
}
cat "$work/setup.out"

# What setup printed for 3班: the line each PC types, its password.
line=$(grep -m1 -o 'aviluma --class-server "[^"]*" --class 3班' "$work/setup.out") || fail "no PC line for 3班"
connection=$(sed 's/^aviluma --class-server "\([^"]*\)".*/\1/' <<<"$line")
password=$(awk '/PC login of class 3班/ { found = 1 } found && /^ *password: / { print $2; exit }' "$work/setup.out")
[ -n "$password" ] || fail "no password for 3班"
coach_password=$(grep -m1 -o 'coach, password: [^ ]*' "$work/setup.out" | cut -d' ' -f3)
[ "$connection" = "$pc" ] || fail "the PC line names \"$connection\", not \"$pc\""
pc_check "$connection" "$password" 3班 || fail "a PC of 3班 could not connect with what setup printed"
if pc_check "$connection" "$password-x" 3班 >/dev/null 2>&1; then fail "a wrong password was taken"; fi
if PGPASSWORD=$password "$pg/psql" -X -At "${connection/sslmode=require/sslmode=disable}" -c 'SELECT 1' \
  >/dev/null 2>&1; then fail "a PC connected without TLS"; fi
grep -q 'Restart PostgreSQL' "$work/setup.out" || fail "setup did not say to restart PostgreSQL"
# The server, which logs every statement here, never saw the password itself.
! grep -q -- "$password" "$work/log" || fail "the password reached the server's log"

# The coach's everyday login creates no roles.
coach="host=127.0.0.1 port=$port dbname=aviluma user=coach sslmode=require"
if PGPASSWORD=$coach_password "$pg/psql" -X -At "$coach" -c 'CREATE ROLE intruder' 2>"$work/coach.err"; then
  fail "the coach's login created a role"
fi
grep -q 'permission denied to create role' "$work/coach.err" || { cat "$work/coach.err"; fail "the coach could not log in"; }

# Again, and a class more: nothing doubled, 3班 keeps its password; 4班 gets a login of its own.
tool setup --subnet 127.0.0.0/8 --class 3班 >"$work/again.out" || { cat "$work/again.out"; fail "setup again failed"; }
grep -q 'password unchanged' "$work/again.out" || { cat "$work/again.out"; fail "3班's login was not kept"; }
[ "$(grep -c '^hostssl' "$work/data/pg_hba.conf")" -eq 1 ] || fail "setup again doubled its rule"
pc_check "$connection" "$password" 3班 >/dev/null || fail "3班's password changed"
tool add-class 4班 >"$work/add.out" || { cat "$work/add.out"; fail "add-class failed"; }
password4=$(awk '/^ *password: / { print $2; exit }' "$work/add.out")
pc_check "${pc/room3/room4}" "$password4" 4班 >/dev/null || { cat "$work/add.out"; fail "4班's login does not work"; }
tool add-class 4班 --new-password >"$work/new.out"
if pc_check "${pc/room3/room4}" "$password4" 4班 >/dev/null 2>&1; then fail "4班's old password still works"; fi

# A pg_hba.conf the server cannot read, and a server without TLS: refused, the file as it was.
echo "hostbogus all all 127.0.0.1/32 trust" >>"$work/data/pg_hba.conf"
cp -p "$work/data/pg_hba.conf" "$work/hba.before"
if tool setup --subnet 127.1.0.0/16 >"$work/broken.out" 2>&1; then fail "setup took a broken pg_hba.conf"; fi
grep -q 'put back' "$work/broken.out" || { cat "$work/broken.out"; fail "setup did not say it put the file back"; }
cmp -s "$work/hba.before" "$work/data/pg_hba.conf" || fail "pg_hba.conf changed after a refused setup"
sed -i '$d' "$work/data/pg_hba.conf"
# TLS off and no key to turn it on with: refused, and told how Debian makes one. With the key back,
# setup turns TLS on itself, and --undo (below) turns it off again.
psql -d postgres -c 'ALTER SYSTEM SET ssl = off' -c 'SELECT pg_reload_conf()' >/dev/null
sleep 1
mv "$work/data/server.key" "$work/server.key"
cp -p "$work/data/pg_hba.conf" "$work/hba.before"
if tool setup --subnet 127.1.0.0/16 >"$work/plain.out" 2>&1; then fail "setup opened a subnet without TLS"; fi
grep -q 'ssl = off.*make-ssl-cert' "$work/plain.out" || { cat "$work/plain.out"; fail "setup did not say TLS is off"; }
cmp -s "$work/hba.before" "$work/data/pg_hba.conf" || fail "pg_hba.conf changed without TLS"
mv "$work/server.key" "$work/data/server.key"
tool setup --subnet 127.1.0.0/16 >"$work/tls.out" || { cat "$work/tls.out"; fail "setup did not turn TLS on"; }
sleep 1
[ "$(psql -d postgres -c 'SHOW ssl')" = on ] || { cat "$work/tls.out"; fail "TLS is still off after setup"; }

# --show names the rule; --undo takes it back at once (the PCs are out), keeps the games' database.
tool setup --show | grep -q '^  hostssl "aviluma" +aviluma_pc,+aviluma_coach 127.0.0.0/8 scram-sha-256$' ||
  fail "--show does not show the rule"
tool setup --undo >"$work/undo.out" || { cat "$work/undo.out"; fail "--undo failed"; }
cat "$work/undo.out"
if pc_check "$connection" "$password" 3班 >/dev/null 2>&1; then fail "a PC still connects after --undo"; fi
! grep -q 'aviluma' "$work/data/pg_hba.conf" || fail "--undo left its block in pg_hba.conf"
! grep -q 'listen_addresses\|ssl' "$work/data/postgresql.auto.conf" || fail "--undo left listen_addresses or ssl"
[ "$(psql -d aviluma -c 'SELECT max(version) FROM schema_version')" -ge 1 ] || fail "--undo lost the database"
echo "the README's set-up made a class server that a PC reached, and --undo closed it"
