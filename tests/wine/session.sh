# A Wine session for the Windows build's tests: a virtual X screen, a test-only Wine prefix
# under the build directory, the ADO stand-in registered in it. Sourced by tests/wine/run;
# wine_session_stop (run it from a trap) ends every process the session started.

# Every wait is bounded; these are seconds.
WINE_BOOT_TIMEOUT=180
WINE_CALL_TIMEOUT=60

# The Windows form of an absolute Unix path, through Wine's drive Z: (the Unix root).
windows_path() {
  local path=${1//\//\\}
  printf 'Z:%s' "$path"
}

# The Unix locale Wine derives the Windows one from. zh_CN.UTF-8 gives a Chinese system (ANSI
# code page 936) even where glibc lacks that locale, but then Wine can only name Unix files
# in ASCII; C.UTF-8 gives code page 1252 and Unicode file names.
CHINESE_SYSTEM=zh_CN.UTF-8
WESTERN_SYSTEM_WITH_UNICODE_FILE_NAMES=C.UTF-8
WINE_LOCALE=$CHINESE_SYSTEM

wine_run() {
  LC_ALL=$WINE_LOCALE timeout "$WINE_CALL_TIMEOUT" wine "$@"
}

_start_xvfb() {
  local display_file=$WINE_SESSION_DIR/xvfb.display
  : >"$display_file"
  # -displayfd picks a free display number and writes it once the server accepts clients.
  Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$display_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  local waited=0
  until [ -s "$display_file" ]; do
    if [ $waited -ge 100 ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
      echo "Xvfb did not start" >&2
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  export DISPLAY=":$(head -n1 "$display_file")"
}

# Registry settings of the test prefix, as a REGEDIT4 file: Wine's virtual desktop (hidden
# windows then cost nothing), CJK font links for the dialog fonts (Wine rewrites those of
# Tahoma and Microsoft Sans Serif with its own list when it starts; the MS Shell Dlg ones
# stay), and the ADO stand-in under ADO's own class ids and ProgIDs.
_write_registry_file() {
  local file=$1 dll=${2//\\/\\\\}
  local font_link
  # REG_MULTI_SZ in REGEDIT4: the ANSI bytes of each string and its zero, then one more zero.
  font_link=$(printf 'wqy-microhei.ttc,WenQuanYi Micro Hei\0\0' | od -An -v -tx1 |
    tr -s ' \n' ',' | sed 's/^,//; s/,$//')
  {
    printf 'REGEDIT4\n\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\n"Desktop"="Default"\n\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\n"Default"="1024x768"\n\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\n'
    local face
    for face in 'Tahoma' 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif'; do
      printf '"%s"=hex(7):%s\n' "$face" "$font_link"
    done
    printf '\n'
    _write_stand_in_registration "$dll"
  } >"$file"
}

ADO_CONNECTION_CLSID='{00000514-0000-0010-8000-00AA006D2EA4}'
ADO_COMMAND_CLSID='{00000507-0000-0010-8000-00AA006D2EA4}'

_write_stand_in_registration() {
  local dll=$1 entry name clsid
  for entry in "Connection $ADO_CONNECTION_CLSID" "Command $ADO_COMMAND_CLSID"; do
    name=${entry% *}
    clsid=${entry#* }
    printf '[HKEY_LOCAL_MACHINE\\Software\\Classes\\ADODB.%s\\CLSID]\n@="%s"\n\n' "$name" "$clsid"
    printf '[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\%s\\InprocServer32]\n' "$clsid"
    printf '@="%s"\n"ThreadingModel"="Apartment"\n\n' "$dll"
  done
}

# Makes ADO absent from the prefix, as on a system without the data access components.
unregister_ado() {
  local name clsid
  for name in ADODB.Connection ADODB.Connection.6.0 ADODB.Command ADODB.Command.6.0; do
    wine_run reg delete "HKLM\\Software\\Classes\\$name" /f >/dev/null 2>&1 || true
  done
  for clsid in "$ADO_CONNECTION_CLSID" "$ADO_COMMAND_CLSID"; do
    wine_run reg delete "HKLM\\Software\\Classes\\CLSID\\$clsid" /f >/dev/null 2>&1 || true
  done
}

# Puts the stand-in back in ADO's place (ADO's own version-specific ProgIDs stay away).
register_ado_stand_in() {
  wine_run regedit /S "$(windows_path "$WINE_SESSION_DIR/registry.reg")"
}

# Starts the session for the build directory $1 (absolute).
wine_session_start() {
  local build_dir=$1
  WINE_SESSION_DIR=$build_dir/wine-session
  mkdir -p "$WINE_SESSION_DIR"
  export WINEPREFIX=$build_dir/wineprefix WINEARCH=win32 WINEDEBUG=-all
  # No Mono or Gecko: nothing here needs them, and their installers would ask.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  _start_xvfb
  local fresh=
  if [ ! -f "$WINEPREFIX/.prepared" ]; then
    rm -rf "$WINEPREFIX"
    LC_ALL=$WINE_LOCALE timeout "$WINE_BOOT_TIMEOUT" wineboot -i >/dev/null 2>&1
    touch "$WINEPREFIX/.prepared"
    fresh=yes
  fi
  _write_registry_file "$WINE_SESSION_DIR/registry.reg" \
    "$(windows_path "$build_dir/ado-stand-in.dll")"
  register_ado_stand_in
  if [ -n "$fresh" ]; then
    # The desktop started by the first boot has no virtual desktop yet; the next one will.
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    timeout 30 wineserver -w >/dev/null 2>&1 || true
  fi
}

wine_session_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    timeout 30 wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
}
