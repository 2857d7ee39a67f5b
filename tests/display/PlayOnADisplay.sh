#!/usr/bin/env bash
# The game as a player starts it, on a real X display (Xvfb), built under a sanitizer: the simulated
# drone flies by autopilot; connect, take the first-flight lesson, which opens level 1, play it, quit
# with a stop signal (the way out a closed session takes). Fails on any sanitizer report, from the game or the drone, on a
# game that does not end passed, or on an unclean exit.
# Usage: PlayOnADisplay.sh <folder of the sanitized programs> asan|tsan <folder of the suppressions>
set -euo pipefail
bin=$1 sanitizer=$2 tools=$3

if [ "${4:-}" != "--inner" ]; then
  for tool in xvfb-run xdotool xauth; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
  done
  # -noreset: Xvfb starts over whenever its last client leaves, and a game connecting while the
  # xdotool polls below come and go could be refused. The two sanitizers' runs start together, so each
  # looks for a free display in a range of its own.
  first=$([ "$sanitizer" = asan ] && echo 100 || echo 200)
  exec xvfb-run -a -n "$first" -s "-screen 0 1024x768x24 -noreset" "$0" "$bin" "$sanitizer" "$tools" --inner
fi

work=$(mktemp -d)
trap 'kill "${game:-}" "${drone:-}" 2>/dev/null || true; [ -z "${AVILUMA_DISPLAY_SHOTS:-}" ] || cp -r "$work" "$AVILUMA_DISPLAY_SHOTS/work"; rm -rf "$work"' EXIT
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
reports="$work/report"
case "$sanitizer" in
  asan)
    export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:suppressions=$tools/asan.supp:log_path=$reports"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports"
    export LSAN_OPTIONS="suppressions=$tools/lsan.supp:print_suppressions=0" ;;
  tsan)
    export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1 suppressions=$tools/tsan.supp log_path=$reports" ;;
esac

"$bin/aviluma-drone" --headless --autopilot >"$work/drone.log" 2>&1 &
drone=$!
"$bin/aviluma" --verbose >"$work/game.log" 2>&1 &
game=$!

fail() {
  echo "FAILED: $*"
  cat "$work/game.log" "$reports".* 2>/dev/null || true
  exit 1
}
# The first window sits in the middle of the screen: 800 x 600 at (112, 84) on 1024 x 768.
click() {
  xdotool mousemove $((112 + $1)) $((84 + $2)) click 1
  [ -z "${AVILUMA_DISPLAY_SHOTS:-}" ] || import -window root "$AVILUMA_DISPLAY_SHOTS/click-$1-$2.png"
}
for _ in $(seq 100); do
  xdotool search --name "^Aviluma" >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 1
click 35 571   # connect
# A player who has never flown is offered the first-flight lesson once the link is good: take it (Yes,
# before the focused No). Levelled by the autopilot, it opens level 1's game window over the map.
for _ in $(seq 100); do
  xdotool search --onlyvisible --name '^Aviluma$' >/dev/null 2>&1 && break
  sleep 0.2
done
xdotool search --onlyvisible --name '^Aviluma$' >/dev/null 2>&1 || fail "no first-flight lesson was offered"
sleep 0.5
[ -z "${AVILUMA_DISPLAY_SHOTS:-}" ] || import -window root "$AVILUMA_DISPLAY_SHOTS/offer.png"
xdotool key shift+Tab space
sleep 2
[ -z "${AVILUMA_DISPLAY_SHOTS:-}" ] || import -window root "$AVILUMA_DISPLAY_SHOTS/lesson.png"
for _ in $(seq 300); do
  xdotool search --onlyvisible --name '(Simulator|模拟器)$' >/dev/null 2>&1 && break
  kill -0 "$game" 2>/dev/null || fail "the game ended during the lesson"
  sleep 0.2
done
xdotool search --onlyvisible --name '(Simulator|模拟器)$' >/dev/null 2>&1 || fail "the lesson did not lead to level 1"
sleep 1
click 389 519  # start
history="$HOME/.local/share/Aviluma/history"
for _ in $(seq 120); do
  compgen -G "$history/*.jsonl" >/dev/null && break
  kill -0 "$game" 2>/dev/null || fail "the game ended before its level game did"
  # A message box ("恭喜你打破了本关记录！") waits for the player: its OK button has the focus.
  if xdotool search --name '^Aviluma$' >/dev/null 2>&1; then
    xdotool key space
  fi
  sleep 0.5
done
[ -z "${AVILUMA_DISPLAY_SHOTS:-}" ] || import -window root "$AVILUMA_DISPLAY_SHOTS/end.png"
compgen -G "$history/*.jsonl" >/dev/null || fail "no level game was played"
grep -q '"result":"passed"' "$history"/*.jsonl || fail "the level game did not pass: $(head -c 400 "$history"/*.jsonl)"

kill -TERM "$game"
status=0
wait "$game" || status=$?
game=
kill -TERM "$drone"
drone_status=0
wait "$drone" || drone_status=$?
drone=
[ "$status" -eq 0 ] || fail "the game exited with status $status"
[ "$drone_status" -eq 0 ] || fail "the drone exited with status $drone_status: $(cat "$work/drone.log")"
if compgen -G "$reports.*" >/dev/null; then
  fail "sanitizer reports"
fi
echo "a level game passed on the display under $sanitizer, no reports from the game or the drone"
