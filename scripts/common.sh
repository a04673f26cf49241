# Shared by scripts/run and scripts/test: install what is missing, configure and build.

PROJECT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

REQUIRED_PACKAGES=(
    g++ cmake ninja-build pkg-config
    qtbase5-dev qtwebengine5-dev libqt5texttospeech5-dev libqt5opengl5-dev
    qtspeech5-flite-plugin libqt5multimedia5-plugins qtmultimedia5-dev
    libboost-serialization-dev libudev-dev libjs-leaflet
    xvfb xauth libgl1-mesa-dri
)

install_missing_packages() {
    local missing=() pkg
    for pkg in "${REQUIRED_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# build_project <build dir> [extra cmake arguments...]
build_project() {
    local dir=$1
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$PROJECT_DIR" -B "$dir" -G Ninja "$@"
    elif [ $# -gt 0 ]; then
        cmake "$dir" "$@" >/dev/null
    fi
    cmake --build "$dir" --parallel "${NUV_JOBS:-$(nproc)}"
}
