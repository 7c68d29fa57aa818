# Sourced by test.sh and run.sh (from the top of the checkout): installs what
# the build needs on Debian 12 and builds in build/.

velmora_packages=(
  cmake g++ make pkg-config
  qtbase5-dev libqt5serialport5-dev qttools5-dev qttools5-dev-tools qttranslations5-l10n
  libqwt-qt5-dev libmodbus-dev
  libboost-thread-dev libboost-system-dev libboost-filesystem-dev libboost-date-time-dev
  fonts-dejavu-core
)

# Installs the packages that are missing (as root, or through sudo).
velmora_install_packages() {
  local missing=() p sudo=""
  for p in "${velmora_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

# Configures build/ and builds the given targets, or everything.
velmora_build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  if [ $# -gt 0 ]; then
    cmake --build build -j "$(nproc)" --target "$@"
  else
    cmake --build build -j "$(nproc)"
  fi
}
