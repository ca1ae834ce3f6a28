#!/usr/bin/env bash
# Obrenta developer set-up: installs what is missing, builds, and runs.
#   ./setup.sh run                 build in Release and run examples/hello.jr
#   ./setup.sh test [--sanitize]   build and run the whole test suite through CTest
set -euo pipefail
cd "$(dirname "$0")"

packages=(build-essential cmake ninja-build pkg-config libsqlite3-dev sqlite3
          libgtest-dev libgmock-dev libbenchmark-dev libpam0g-dev libpam-modules passwd
          libssl-dev openssl python3-aiosmtpd dovecot-pop3d msmtp
          libcurl4-openssl-dev curl python3-pyftpdlib python3-openssl vsftpd
          libjpeg62-turbo-dev
          libx11-dev libxtst-dev libgtk-3-dev xvfb x11-utils openbox
          at slurm-wlm munge pandoc dpkg-dev systemd
          libcpp-httplib-dev nlohmann-json3-dev chromium chromium-driver python3-selenium)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "setup: installing ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
    else
        echo "setup: please install these Debian packages first (as root):" >&2
        echo "  apt-get install ${missing[*]}" >&2
        exit 1
    fi
}

# The PAM service of the account checks (launching as another user, console log-on).
install_pam_service() {
    if [ "$(id -u)" -eq 0 ] && ! cmp -s packaging/pam.d/obrenta /etc/pam.d/obrenta; then
        install -m 0644 packaging/pam.d/obrenta /etc/pam.d/obrenta
    fi
}

build() { # build DIR TYPE [cmake options...]
    local dir=$1 type=$2
    shift 2
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

mode=${1:-}
case "$mode" in
run)
    install_missing
    install_pam_service
    build build/release Release -DOB_TESTS=OFF -DOB_BENCH=OFF
    echo "setup: running examples/hello.jr (Ctrl-C stops it)"
    ./build/release/bin/obrenta run examples/hello.jr
    ;;
test)
    install_missing
    install_pam_service
    if [ "${2:-}" = "--sanitize" ]; then
        dir=build/asan
        build "$dir" Debug -DOB_SANITIZE=ON -DOB_BENCH=OFF
        export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
        export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
        # GTK keeps memory for the life of the process on purpose (the dialog tests).
        export LSAN_OPTIONS=suppressions=$(pwd)/tests/support/lsan.supp
    else
        dir=build/test
        build "$dir" RelWithDebInfo
    fi
    ctest --test-dir "$dir" -j2 --output-on-failure
    ;;
*)
    echo "usage: ./setup.sh run | ./setup.sh test [--sanitize]" >&2
    exit 2
    ;;
esac
