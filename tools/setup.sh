# Shared by ./play and ./test: install what they need, then configure and build incrementally.
# Sourced, not run.

# Debian 12 packages for playing: what builds and runs the game and the simulated drone.
AVILUMA_PLAY_PACKAGES=(
  cmake ninja-build g++            # toolchain
  qt6-base-dev qt6-svg-dev         # windows, painting, timers, text encodings; the SVG art
  qt6-wayland                      # windows in a Wayland session
  fonts-wqy-microhei               # a Chinese face for every text of the game
  libsdl2-dev                      # gamepads and RC transmitters for the simulated drone
  libqt6sql6-psql                  # Qt's PostgreSQL driver: a class's games on its server
  libpq-dev                        # libpq: a call to a class server that stopped answering is cut off
  qt6-l10n-tools qt6-tools-dev     # lupdate and lrelease: the translations are compiled into the game
  qt6-translations-l10n            # Qt's own texts in Chinese (its standard dialogs' buttons)
)
# For ./test --quick, the editing loop: the tests' cases, without the sanitizers, the display, the fuzz
# run, the benchmarks or the package.
AVILUMA_QUICK_PACKAGES=(
  "${AVILUMA_PLAY_PACKAGES[@]}"
  libgtest-dev libgmock-dev        # tests
  clang                            # compiles an unoptimised tree about three times faster than g++
  postgresql-15                    # a real class server for the tests (started by them, as a user)
  mold                             # a fast linker: most of the build's links take a third of the time
  man-db                           # man: the manual pages must render without a warning
)
# And for testing: the tests, the fuzz run, the benchmarks, and the checks of the installation and
# the Debian package.
AVILUMA_TEST_PACKAGES=(
  "${AVILUMA_QUICK_PACKAGES[@]}"
  libbenchmark-dev                 # bench/
  libclang-rt-14-dev               # fuzz/ with clang (libFuzzer with AddressSanitizer and UBSan)
  desktop-file-utils appstream     # validators of the desktop entry and the AppStream metadata
  dpkg-dev file                    # dpkg-shlibdeps and file, for the package's dependencies
  xvfb xauth xdotool               # the game on a display, under the sanitizers
  dbus-daemon at-spi2-core         # a session and an accessibility bus for the screen-reader test
  python3-pyatspi                  # its listener, hearing what a screen reader hears
  lintian                          # the Debian package checked as Debian checks its own
)

AVILUMA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
AVILUMA_BUILD="$AVILUMA_ROOT/build"

# aviluma_ensure_packages <package>...
aviluma_ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    local install="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
    echo "These Debian packages are missing: ${missing[*]}"
    echo "Install them as root, then run this command again:"
    if command -v sudo >/dev/null; then
      echo "  sudo sh -c '$install'"
    else
      echo "  su -c '$install'"
    fi
    exit 1
  fi
  echo "Installing ${missing[*]} ..."
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

# aviluma_configure <subfolder of build/> [cmake options...]
aviluma_configure() {
  local dir="$AVILUMA_BUILD/$1"
  shift
  cmake -S "$AVILUMA_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
}

# aviluma_build <subfolder of build/> [cmake options...] [-- targets...]
aviluma_build() {
  local dir="$AVILUMA_BUILD/$1"
  shift
  local options=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  targets=("$@")
  local started=$SECONDS
  cmake -S "$AVILUMA_ROOT" -B "$dir" -G Ninja "${options[@]}" >/dev/null
  if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "$dir" --target "${targets[@]}"
  else
    cmake --build "$dir"
  fi
  echo "-- aviluma: build/${dir##*/} ready in $((SECONDS - started)) s"
  if [ -f "$dir/compile_commands.json" ] && [ "$dir" = "$AVILUMA_BUILD/default" ]; then
    ln -sf default/compile_commands.json "$AVILUMA_BUILD/compile_commands.json"
  fi
}
