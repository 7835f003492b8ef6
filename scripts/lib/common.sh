# Shared by scripts/test, scripts/demo and bench/: installs what is missing, builds presets.

# Installs the Debian packages among "$@" that are not installed yet. Packages with an
# ":i386" suffix enable the i386 architecture first.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Packages every build of the Linux program needs.
LINUX_BUILD_PACKAGES=(ca-certificates cmake make g++ pkg-config libgtest-dev libgmock-dev
  freetds-dev freetds-bin)

# Node.js with npm, for the test-only client tedious. A machine that already has npm (from
# any source) keeps it.
ensure_npm() {
  command -v npm >/dev/null 2>&1 || install_missing nodejs npm
}

# Configures and builds one CMake preset.
build_preset() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$(nproc)"
}
