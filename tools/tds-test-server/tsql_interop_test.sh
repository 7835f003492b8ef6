#!/usr/bin/env bash
# FreeTDS tsql against tds-test-server at one TDS version: a SQL login, the tool's two-statement
# batch where the first logical name is missing (5041) and the second present (success), the
# fallback name, sys.database_files, then a wrong password and an unknown database.
# Usage: tsql_interop_test.sh SERVER CATALOG TDSVER
set -euo pipefail
server=$1
catalog=$2
version=$3

work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL (TDS $version): $*" >&2
  echo "--- tsql output" >&2
  cat "$work/out" >&2 2>/dev/null || true
  echo "--- journal" >&2
  cat "$work/journal" >&2 2>/dev/null || true
  exit 1
}
expect_output() { grep -qF -- "$1" "$work/out" || fail "tsql output lacks: $1"; }
expect_journal() { grep -qF -- "$1" "$work/journal" || fail "journal lacks: $1"; }

# The server exits by itself if this script dies before stopping it.
"$server" --catalog "$catalog" --journal "$work/journal" --lifetime-ms 55000 \
  >"$work/port" 2>"$work/server.stderr" &
pid=$!
for _ in $(seq 100); do
  grep -q '^[0-9][0-9]*$' "$work/port" 2>/dev/null && break
  sleep 0.1
done
port=$(head -n 1 "$work/port")
[ -n "$port" ] || fail "the server printed no port"

# No freetds.conf of this machine or user may change what tsql does.
export FREETDSCONF=/dev/null HOME="$work" TDSVER="$version"
tsql_as() {  # user password database < script
  timeout 20 tsql -H 127.0.0.1 -p "$port" -U "$1" -P "$2" -D "$3" >"$work/out" 2>&1
}

# tsql ends every line of a batch with LF only.
batch="ALTER DATABASE Legacy MODIFY FILE (NAME='Legacy_Data',MAXSIZE=Unlimited) ALTER DATABASE Legacy MODIFY FILE (NAME='Legacy_log',MAXSIZE=Unlimited)"
printf '%s\ngo\n%s\ngo\n%s\ngo\nexit\n' "$batch" \
  "ALTER DATABASE Legacy MODIFY FILE (NAME='Legacy',MAXSIZE=Unlimited)" \
  "SELECT name, max_size FROM sys.database_files" |
  tsql_as ARVELDB vt7391 Legacy || fail "tsql failed on the good login"
expect_output "Msg 5041 (severity 16, state 1)"
expect_output "MODIFY FILE failed. File 'Legacy_Data' does not exist."
[ "$(grep -c 'Msg [0-9]* (severity' "$work/out")" = 1 ] || fail "expected exactly one error message"
expect_output "$(printf 'Legacy\t-1')"
expect_output "$(printf 'Legacy_log\t-1')"
expect_output "(2 rows affected)"
expect_journal "\"tds\":\"$version"
expect_journal "\"user\":\"ARVELDB\",\"password\":\"vt7391\",\"database\":\"Legacy\""
expect_journal "\"text\":\"$batch\\n\""
expect_journal '"kind":"alter","error":5041,'
expect_journal "{\"text\":\"ALTER DATABASE Legacy MODIFY FILE (NAME='Legacy_log',MAXSIZE=Unlimited)\",\"kind\":\"alter\",\"error\":0}"

printf 'exit\n' | tsql_as ARVELDB wrong Plant && fail "a wrong password logged in"
expect_output "Msg 18456 (severity 14, state 1)"
expect_output "Login failed for user 'ARVELDB'."

printf 'exit\n' | tsql_as ARVELDB vt7391 Nowhere && fail "an unknown database logged in"
expect_output "Msg 4060"
expect_output "Cannot open database \"Nowhere\" requested by the login. The login failed."
expect_output "Msg 18456"

# SIGTERM: a clean exit within 5 s, the final catalog last in the journal.
kill -TERM "$pid"
for _ in $(seq 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the server ignored SIGTERM"
status=0
wait "$pid" || status=$?
pid=
[ "$status" = 0 ] || fail "the server exited with status $status"
tail -n 1 "$work/journal" | grep -qF '{"event":"stop","catalog":[' || fail "no final stop event"
tail -n 1 "$work/journal" | grep -qF '{"database":"Legacy","file":"Legacy","kind":"rows","max_size":-1}' ||
  fail "the final catalog lacks the lifted limit"
echo "tsql TDS $version: ok"
