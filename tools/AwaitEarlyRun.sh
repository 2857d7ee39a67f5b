#!/usr/bin/env bash
# The CTest side of a test that ./test may have started early, in the background (early/run.sh in the
# optimised tree): waits for that run's end and reports it as its own, output and status. When no early
# run is under way or has left a result, runs the command itself.
# Usage: AwaitEarlyRun.sh <folder> <name> <command...>
set -uo pipefail
folder=$1 name=$2
shift 2
running() { [ -e "$folder/run.pid" ] && kill -0 "$(cat "$folder/run.pid")" 2>/dev/null; }
while [ ! -e "$folder/$name.status" ] && running; do
  sleep 1
done
if [ ! -e "$folder/$name.status" ]; then
  exec "$@"
fi
cat "$folder/$name.log"
status=$(cat "$folder/$name.status")
rm -f "$folder/$name.status"
exit "$status"
