#!/usr/bin/env bash
# Builds and runs Karveld on Debian 12: `./karveld.sh show` plays the show, `./karveld.sh test`
# runs the tests. Missing Debian packages are installed first (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake pkg-config ccache libsdl2-dev libopenmpt-dev libxmp-dev
          libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libfreetype-dev ffmpeg
          xvfb xauth xdotool x11-utils procps)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

build() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKARVELD_WERROR=ON >/dev/null
    cmake --build build -j"$(nproc)"
}

case "${1:-}" in
    show)
        install_missing
        build
        cd build
        if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
            exec ./karveld
        fi
        if [ -x ./karveld-capture ]; then
            echo "No display here: rendering the show to $(pwd)/karveld-show.mp4"
            exec ./karveld-capture --video karveld-show.mp4
        fi
        echo "No display here: running the show on SDL's dummy video driver (nothing is shown)."
        SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} exec ./karveld
        ;;
    test)
        install_missing
        build
        export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
        ctest --test-dir build --output-on-failure -j2
        ;;
    *)
        echo "usage: $0 show|test" >&2
        exit 2
        ;;
esac
