# Shared by the run and test commands: package installation and building.
# Sourced, not run.

LENDMODE_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the Debian packages that are missing (apt-get, as root or through sudo).
ensure_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing Debian packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

BUILD_PACKAGES=(cmake g++ make pkg-config libplist-dev libutfcpp-dev libcrypt-dev qt6-base-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev)
# A virtual display with a system tray, to click and photograph the program.
DISPLAY_PACKAGES=(xvfb trayer xdotool imagemagick)
# The format and static-analysis checks (git lists the files they read).
FORMAT_PACKAGES=(git clang-format)
TIDY_PACKAGES=(git clang-tidy)
# The compile check of the native macOS layer: clang against GNUstep's Cocoa headers
# and Qt's (gcc and perl find and adapt GCC's Objective-C runtime headers); the blocks
# runtime for running the layer's code with blocks on GNUstep.
MACOS_CHECK_PACKAGES=(clang gcc perl pkg-config qt6-base-dev libgnustep-base-dev libgnustep-gui-dev libblocksruntime-dev)

# Configures and builds one preset (dev or sanitize).
build_preset() {
    local preset=$1
    (cd "$LENDMODE_TOP" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$(nproc)")
}
