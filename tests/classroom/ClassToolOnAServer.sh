#!/usr/bin/env bash
# aviluma-class, as built under a sanitizer, against a real PostgreSQL of its own (a fresh cluster in a
# temporary folder, as the tests start one; as nobody when run as root, since the server refuses root):
# the lower-level set-up (init, a class's login, check), a game of the class exported, its removal refused
# to the PC's login and done by the coach's while the live board runs on the offscreen platform. Fails
# on any sanitizer report or a command that does not answer as it should.
# Usage: ClassToolOnAServer.sh <folder of the programs>
set -euo pipefail
bin=$1
pg=/usr/lib/postgresql/15/bin
[ -x "$pg/initdb" ] || { echo "SKIPPED: PostgreSQL 15 is not installed"; exit 77; }

work=$(mktemp -d)
board=
cleanup() {
  [ -z "$board" ] || kill "$board" 2>/dev/null || true
  as_server "$pg/pg_ctl" -D "$work/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/ServerUser.sh"
[ "$(id -u)" -ne 0 ] || chown nobody:nogroup "$work"
reports="$work/report"
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:log_path=$reports" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}:log_path=$reports"
export QT_QPA_PLATFORM=offscreen HOME="$work/home"

as_server "$pg/initdb" -D "$work/data" -U aviluma_admin --auth=trust -E UTF8 --locale=C.UTF-8 -N >/dev/null
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
as_server "$pg/pg_ctl" -D "$work/data" -l "$work/log" -w -t 30 \
  -o "-p $port -k $work -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null
psql() { as_server "$pg/psql" -X -q -At -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" -U aviluma_admin "$@"; }
psql -d postgres -c 'CREATE DATABASE league' -c 'CREATE ROLE coach LOGIN'
connection() { echo "host=127.0.0.1 port=$port user=$1 dbname=league"; }

fail() {
  echo "FAILED: $*"
  cat "$reports".* 2>/dev/null || true
  exit 1
}
# run <expected status> <arguments...>: the tool's output is shown, its status checked.
run() {
  local expected=$1 status=0
  shift
  echo "+ aviluma-class $*"
  "$bin/aviluma-class" "$@" --lang en || status=$?
  [ "$status" -eq "$expected" ] || fail "aviluma-class $1 exited with $status, not $expected"
}
run 0 init "$(connection aviluma_admin)" --coach coach
run 0 login "$(connection aviluma_admin)" --login room5 --class 5班
run 0 check "$(connection room5)" --class 5班
run 1 check "$(connection room5)" --class 6班
# A game as a restore would put it there, past the checks of what a PC sends.
game=$(psql -d league -c "SET session_replication_role = replica;
  INSERT INTO games (id, class, seat, player, mode, level, started, ended, game_end, result, total, attempts,
                     received)
  VALUES (gen_random_uuid(), '5班', 'PC1', '飞手', 'level', 1, now() - interval '1 minute', now(), 'finished',
          'passed', 60, '[{\"points\": 20}]', now()) RETURNING id")
run 0 export "$(connection coach)" --class 5班 --output "$work/games.csv"
grep -q "$game" "$work/games.csv" || fail "the export has no game $game"
run 1 remove "$(connection room5)" --game "$game" --reason test

# The board runs until its window is closed: a few seconds live, a notification and a removal among
# them, then a stop signal (no exit-time leak check for it, then; the commands above have theirs).
"$bin/aviluma-class" board "$(connection coach)" --class 5班 --lang en &
board=$!
sleep 3
psql -d league -c "SELECT pg_notify('aviluma_games', '5班')" >/dev/null
run 0 remove "$(connection coach)" --game "$game" --reason test
sleep 2
kill -0 "$board" 2>/dev/null || fail "the board ended by itself"
kill -TERM "$board"
wait "$board" || true
board=
if compgen -G "$reports.*" >/dev/null; then
  fail "sanitizer reports"
fi
echo "aviluma-class answered every command against PostgreSQL, no reports"
