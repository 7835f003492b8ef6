# The Windows program end to end: real Win32 windows, the real IDispatch code against the ADO
# stand-in, the message box read from outside by the probe. Sourced by tests/wine/run after
# wine_session_start, with BUILD_DIR, CASES_DIR and SCREENSHOT set; each test_* function is
# one scenario.

SUCCESS_TEXT='修改数据库属性成功！'
CONNECT_FAILED_TEXT='数据库连接失败！请检查配置文件！'
ALTER_FAILED_TEXT='修改数据库属性失败！'
ADO_MISSING_TEXT='Error creating object.  Please verify that the Microsoft Data Access Components 2.1 (or later) have been properly installed.'

SQL_LOGIN_INI='[database]
server name=db01\SQL2008
login mode=sql
database name=Plant
user name=sa
user passward=secret'
SQL_LOGIN_STRING='Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Initial Catalog=Plant;password = secret;Data Source=db01\\SQL2008'
DEFAULT_STRING='Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=;Data Source=127.0.0.1'

batch() {  # database name, data file's logical name [log file's name without "_log"]
  printf "ALTER DATABASE %s MODIFY FILE (NAME='%s',MAXSIZE=Unlimited) ALTER DATABASE %s MODIFY FILE (NAME='%s_log',MAXSIZE=Unlimited) " \
    "$1" "$2" "$1" "${3:-$1}"
}

# Blocks of the stand-in's log. The log quotes strings with C escapes, so "\r\n" below is
# the batch's line end as four characters.
opened() {  # connection string [refused]
  printf '%s\n' 'Connection1 created' 'Connection1 put ConnectionTimeout = 15' \
    "Connection1 put ConnectionString = \"$1\"" 'Connection1 Open("", "", "", -1)'
  [ "${2:-}" != refused ] || echo 'Connection1 refuses Open'
}
attempt() {  # command number, batch [refused]
  printf '%s\n' "Command$1 created" "Command$1 putref ActiveConnection = Connection1" \
    "Command$1 put CommandType = 1" "Command$1 put CommandText = \"$2\\r\\n\"" \
    "Command$1 Execute((missing), (missing), 129)"
  [ "${3:-}" != refused ] || echo "Command$1 refuses Execute"
}
released() {  # the numbers of the commands made
  local n
  for n in "$@"; do echo "Command$n released"; done
  echo 'Connection1 get State = 1'
  echo 'Connection1 Close()'
  echo 'Connection1 released'
}
never_opened_released() {
  printf '%s\n' 'Connection1 get State = 0' 'Connection1 released'
}

box() {  # caption, text [icon]
  printf 'box caption="%s" text="%s" buttons="OK" icon=%s centred=yes\n' "$1" "$2" "${3:-no}"
}

# --- running one case -------------------------------------------------------------------

FAILURES=0

# A fresh folder holding the program as $1 and, unless $2 is "-", Arvel.ini with the text $2
# (its lines end in CR LF, as Notepad writes them).
prepare_case() {
  CASE_DIR=${CASES_DIR:?}/${CASE_NAME:?}
  rm -rf "$CASE_DIR"
  mkdir -p "$CASE_DIR"
  CASE_EXE=$CASE_DIR/$1
  cp "$BUILD_DIR/Unlimit.exe" "$CASE_EXE"
  [ "$2" = - ] || printf '%s\n' "$2" | sed 's/$/\r/' >"$CASE_DIR/Arvel.ini"
  CASE_LOG=$CASE_DIR/ado.log
  CASE_WORKING_DIR=$CASE_DIR
  CASE_FAIL=
  PROBE_OPTIONS=()
}

# Starts the program through the probe, whose report (written as it goes) lands in
# $CASE_DIR/probe.out and then in $CASE_OUTPUT.
run_case() {
  (cd "$CASE_WORKING_DIR" &&
    ADO_STAND_IN_LOG=$(windows_path "$CASE_LOG") ADO_STAND_IN_FAIL=$CASE_FAIL \
      ADO_STAND_IN_ERROR='[DBNETLIB]SQL Server does not exist or access denied.' \
      wine_run "$(windows_path "$BUILD_DIR/win-probe.exe")" --timeout 30 "${PROBE_OPTIONS[@]}" \
      -- "$(windows_path "$CASE_EXE")" >"$CASE_DIR/probe.out") || true
  CASE_OUTPUT=$(tr -d '\r' <"$CASE_DIR/probe.out")
}

fail_case() {
  echo "FAIL $CASE_NAME: $1"
  FAILURES=$((FAILURES + 1))
}

# The probe's whole report: every window the user saw, and the exit status.
expect_report() {
  local expected
  expected=$(printf '%s\n' "$@")
  [ "$CASE_OUTPUT" = "$expected" ] ||
    fail_case "$(printf 'probe reported\n%s\nexpected\n%s' "$CASE_OUTPUT" "$expected")"
}

# The stand-in's whole log, or its first lines with --head.
expect_log() {
  local expected actual
  if [ "$1" = --head ]; then
    shift
    expected=$(printf '%s\n' "$@")
    actual=$(head -n "$(printf '%s\n' "$expected" | wc -l)" "$CASE_LOG" 2>/dev/null)
  else
    expected=$(printf '%s\n' "$@")
    actual=$(cat "$CASE_LOG" 2>/dev/null)
  fi
  [ "$actual" = "$expected" ] ||
    fail_case "$(printf 'ADO calls differ (expected, actual):\n%s' \
      "$(diff <(echo "$expected") <(echo "$actual"))")"
}

# --- the scenarios ----------------------------------------------------------------------

test_first_batch_succeeds() {
  prepare_case Unlimit.exe "$SQL_LOGIN_INI"
  run_case_with_screenshot
  expect_report "$(box Unlimit "$SUCCESS_TEXT")" 'exit 0'
  expect_log "$(opened "$SQL_LOGIN_STRING")" \
    "$(attempt 1 "$(batch Plant Plant_Data)")" "$(released 1)"
}

test_fallback_to_the_plain_data_file_name() {
  prepare_case Unlimit.exe "$SQL_LOGIN_INI"
  CASE_FAIL='Execute#1'
  run_case
  expect_report "$(box Unlimit "$SUCCESS_TEXT")" 'exit 0'
  expect_log "$(opened "$SQL_LOGIN_STRING")" \
    "$(attempt 1 "$(batch Plant Plant_Data)" refused)" "$(attempt 2 "$(batch Plant Plant)")" \
    "$(released 1 2)"
}

test_both_batches_fail() {
  prepare_case Unlimit.exe "$SQL_LOGIN_INI"
  CASE_FAIL='Execute#1,Execute#2'
  run_case
  expect_report "$(box Unlimit "$ALTER_FAILED_TEXT")" 'exit 0'
  expect_log "$(opened "$SQL_LOGIN_STRING")" \
    "$(attempt 1 "$(batch Plant Plant_Data)" refused)" \
    "$(attempt 2 "$(batch Plant Plant)" refused)" "$(released 1 2)"
}

test_open_fails() {
  prepare_case Unlimit.exe "$SQL_LOGIN_INI"
  CASE_FAIL='Open'
  run_case
  expect_report "$(box Unlimit "$CONNECT_FAILED_TEXT")" 'exit 0'
  expect_log "$(opened "$SQL_LOGIN_STRING" refused)" "$(never_opened_released)"
}

# The error box, then the empty main window at its designed place until the user closes it.
test_ado_cannot_be_created() {
  prepare_case Unlimit.exe "$SQL_LOGIN_INI"
  PROBE_OPTIONS=(--close-main)
  unregister_ado
  run_case
  register_ado_stand_in
  expect_report "$(box Unlimit "$ADO_MISSING_TEXT" yes)" \
    'main caption="Form1" rect=571,324,338,214 visible=1 frame=overlapped background=btnface icon=yes' \
    'exit 0'
  [ ! -s "$CASE_LOG" ] || fail_case "ADO was called: $(cat "$CASE_LOG")"
}

test_title_follows_the_executable_name() {
  prepare_case MyTOOL.v2.exe "$SQL_LOGIN_INI"
  run_case
  expect_report "$(box Mytool "$SUCCESS_TEXT")" 'exit 0'
}

# Lower-cased by the system's rules, beyond ASCII.
test_title_lower_cases_every_letter() {
  prepare_case GRÜN.Tool.exe "$SQL_LOGIN_INI"
  WINE_LOCALE=$WESTERN_SYSTEM_WITH_UNICODE_FILE_NAMES run_case
  expect_report "$(box Grün "$SUCCESS_TEXT")" 'exit 0'
}

# A configuration file in the working directory must not be the one read.
test_reads_the_file_beside_the_program_from_another_directory() {
  prepare_case Unlimit.exe "$SQL_LOGIN_INI"
  CASE_WORKING_DIR=$CASE_DIR/elsewhere
  mkdir -p "$CASE_WORKING_DIR"
  printf '[database]\r\ndatabase name=Decoy\r\n' >"$CASE_WORKING_DIR/Arvel.ini"
  run_case
  expect_report "$(box Unlimit "$SUCCESS_TEXT")" 'exit 0'
  expect_log --head "$(opened "$SQL_LOGIN_STRING")"
}

test_without_a_configuration_file_the_defaults_reach_open() {
  prepare_case Unlimit.exe -
  CASE_FAIL='Open'
  run_case
  expect_report "$(box Unlimit "$CONNECT_FAILED_TEXT")" 'exit 0'
  expect_log "$(opened "$DEFAULT_STRING" refused)" "$(never_opened_released)"
}

# A file saved by a Chinese Windows (code page 936) reaches ADO as the same Unicode text.
test_code_page_936_configuration_reaches_ado_as_unicode() {
  prepare_case Unlimit.exe -
  printf '[database]\r\nserver name=数据服务器\r\ndatabase name=工厂\r\n' |
    iconv -f UTF-8 -t CP936 >"$CASE_DIR/Arvel.ini"
  run_case
  expect_report "$(box Unlimit "$SUCCESS_TEXT")" 'exit 0'
  expect_log "$(opened 'Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=工厂;Data Source=数据服务器')" \
    "$(attempt 1 "$(batch '[工厂]' 工厂_Data 工厂)")" "$(released 1)"
}

# run_case, holding the message box until a screenshot of the screen is saved.
run_case_with_screenshot() {
  local hold=$CASE_DIR/screenshot-taken waited=0
  PROBE_OPTIONS=(--hold "$(windows_path "$hold")")
  run_case &
  local runner=$!
  until grep -q '^box' "$CASE_DIR/probe.out" 2>/dev/null || [ $waited -ge 300 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  sleep 0.5  # the box paints itself after it appears
  import -window root "$SCREENSHOT" 2>/dev/null || fail_case 'no screenshot'
  touch "$hold"
  wait "$runner" || true
  CASE_OUTPUT=$(tr -d '\r' <"$CASE_DIR/probe.out")
}
