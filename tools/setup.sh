# Shared by ./play and ./test: install what the build needs, then configure and build incrementally.
# Sourced, not run.

# Debian 12 packages the build, the tests, the fuzz run and the benchmarks need.
AVILUMA_PACKAGES=(
  cmake ninja-build g++            # toolchain
  qt6-base-dev qt6-svg-dev         # windows, painting, timers, text encodings; the SVG art
  fonts-wqy-microhei               # a Chinese face for every text of the game
  libsdl2-dev                      # gamepads and RC transmitters for the simulated drone
  libgtest-dev libgmock-dev        # tests
  libbenchmark-dev                 # bench/
  clang libclang-rt-14-dev         # fuzz/ (libFuzzer with AddressSanitizer and UBSan)
)

AVILUMA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
AVILUMA_BUILD="$AVILUMA_ROOT/build"

aviluma_ensure_packages() {
  local missing=() p
  for p in "${AVILUMA_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "These Debian packages are missing: ${missing[*]}"
    echo "Install them as root, then run this command again:"
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}"
    exit 1
  fi
  echo "Installing ${missing[*]} ..."
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

# aviluma_build <subfolder of build/> [cmake options...] [-- targets...]
aviluma_build() {
  local dir="$AVILUMA_BUILD/$1"
  shift
  local options=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  targets=("$@")
  cmake -S "$AVILUMA_ROOT" -B "$dir" -G Ninja "${options[@]}" >/dev/null
  if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "$dir" --target "${targets[@]}"
  else
    cmake --build "$dir"
  fi
  if [ -f "$dir/compile_commands.json" ] && [ "$dir" = "$AVILUMA_BUILD/default" ]; then
    ln -sf default/compile_commands.json "$AVILUMA_BUILD/compile_commands.json"
  fi
}
