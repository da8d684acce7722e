#!/usr/bin/env bash
# Installs the Debian 12 packages that a build needs, and only those missing.
#
#   tools/setup/install-deps.sh demo    native build of vtx
#   tools/setup/install-deps.sh test    every test build: native, sanitizers,
#                                       win64/win32 cross builds, Wine, the
#                                       32-bit Linux build and qemu-i386; then
#                                       tries wine32 (optional, may fail)
#   tools/setup/install-deps.sh bench   native Release build of the benchmarks
#
# Checks each package with dpkg-query first; runs apt-get update/install only
# when something is missing. Must run as root (or via sudo) when it installs.
set -euo pipefail

profile="${1:-test}"

demo_packages=(
  make g++ gcc cmake ninja-build pkg-config
  libpng-dev googletest libgtest-dev
  libcairo2-dev libpango1.0-dev fonts-dejavu-core
)
test_packages=(
  "${demo_packages[@]}"
  clang libclang-rt-14-dev
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine64 libwine-dev
  g++-multilib qemu-user
  libbenchmark-dev
  python3
)
bench_packages=(
  "${demo_packages[@]}"
  libbenchmark-dev
)
# Optional: OpenCV comparison rows in the benchmarks.
bench_optional_packages=(libopencv-dev)

case "$profile" in
  demo)  wanted=("${demo_packages[@]}") ;;
  test)  wanted=("${test_packages[@]}") ;;
  bench) wanted=("${bench_packages[@]}") ;;
  *) echo "usage: $0 demo|test|bench" >&2; exit 2 ;;
esac

export DEBIAN_FRONTEND=noninteractive

is_installed() {
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = "installed" ]
}

missing_of() {
  local p
  for p in "$@"; do is_installed "$p" || printf '%s\n' "$p"; done
}

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

updated=no
apt_update() {
  if [ "$updated" = no ]; then
    # A broken index of one architecture must not stop the others.
    as_root apt-get update -q || echo "install-deps: apt-get update reported errors; trying to install anyway" >&2
    updated=yes
  fi
}

mapfile -t missing < <(missing_of "${wanted[@]}")
if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing: ${missing[*]}"
  apt_update
  as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
else
  echo "install-deps: all ${#wanted[@]} packages for '$profile' are installed"
fi

if [ "$profile" = bench ]; then
  mapfile -t missing < <(missing_of "${bench_optional_packages[@]}")
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "install-deps: installing optional: ${missing[*]}"
    apt_update
    as_root apt-get install -y -q --no-install-recommends "${missing[@]}" \
      || echo "install-deps: optional packages not installed; benchmarks run without OpenCV" >&2
  fi
fi

# wine32 runs the win32 test programs. It needs the i386 architecture and a
# consistent i386 package index, which some mirrors do not have: tolerate
# failure, undo the architecture we added, and record why for the test script.
if [ "$profile" = test ]; then
  status_file="${VTX_WINE32_STATUS_FILE:-$(cd "$(dirname "$0")/../.." && pwd)/build/wine32-status}"
  mkdir -p "$(dirname "$status_file")"
  if is_installed wine32:i386; then
    echo "installed" > "$status_file"
  elif [ "${VTX_SKIP_WINE32:-0}" = 1 ]; then
    echo "not installed (VTX_SKIP_WINE32=1)" > "$status_file"
  else
    echo "install-deps: trying the optional wine32:i386"
    added_i386=no
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      as_root dpkg --add-architecture i386
      added_i386=yes
    fi
    log="$(mktemp)"
    # apt-get update fails as a whole when one index is broken, but the
    # others are still used: try the install either way.
    as_root apt-get update -q >"$log.update" 2>&1 || true
    if as_root apt-get install -y -q wine32:i386 >"$log" 2>&1 && is_installed wine32:i386; then
      echo "installed" > "$status_file"
      echo "install-deps: wine32:i386 installed"
    else
      update_error="$(grep -m1 -E '^E: Failed to fetch' "$log.update" | sed -E 's/^E: Failed to fetch ([^ ]*).*(File has unexpected size|Hash Sum mismatch|[0-9]{3} [A-Za-z ]+).*/index download failed: \2, \1/' | sed -E 's#https?://[^/]+/#/#')"
      install_error="$(grep -E '^E: ' "$log" | tail -n 1 | sed 's/^E: //')"
      reason="apt-get install: ${install_error:-failed}"
      [ -z "$update_error" ] || reason="$update_error; $reason"
      echo "$reason" > "$status_file"
      echo "install-deps: wine32:i386 not installable: $reason" >&2
      if [ "$added_i386" = yes ] && [ -z "$(dpkg-query -W -f='${Package}:${Architecture}\n' 2>/dev/null | grep ':i386$' || true)" ]; then
        as_root dpkg --remove-architecture i386 || true
        as_root apt-get update -q >/dev/null 2>&1 || true
      fi
    fi
    rm -f "$log" "$log.update"
  fi
fi
