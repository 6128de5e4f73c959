# Shared by the project's scripts: installs what is missing and prepares the
# Wine prefix of a build tree.
set -euo pipefail

CFU_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CFU_PACKAGES=(wine64 g++-mingw-w64-x86-64-posix mingw-w64-tools googletest cmake ninja-build libcli11-dev)

cfu_sudo() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

cfu_install_dependencies() {
  local missing=()
  for p in "${CFU_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    cfu_sudo apt-get update -q
    cfu_sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
  fi
}

# cfu_configure_and_build PRESET: configures and builds the preset's tree.
cfu_configure_and_build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
}

# cfu_prefix DIR: the build tree's Wine prefix, made on first use.
cfu_prefix() {
  "$CFU_ROOT/scripts/wine-prefix" "$1"
  export WINEPREFIX="$1" WINEDEBUG=-all
}
