#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds vellumTide, and runs it or its tests.
#   ./dev.sh run [ARGS...]   install what is missing, build, start the program
#   ./dev.sh test            install what is missing, build, run every test
#   ./dev.sh build           install what is missing and build
#   ./dev.sh bench [FILTER]  build and run the benchmarks (installs the comparison libraries)
# Environment: BUILD_DIR (default build), VT_CMAKE_ARGS (extra configure arguments).
set -euo pipefail
cd "$(dirname "$0")"

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev
          libjpeg62-turbo-dev libgtest-dev libgmock-dev libbenchmark-dev)
bench_packages=(libpixman-1-dev libmypaint-dev libpng-dev)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build_dir=${BUILD_DIR:-build}
build() {
  if [ ! -f "$build_dir/build.ninja" ]; then
    # shellcheck disable=SC2086
    cmake -S . -B "$build_dir" -G Ninja ${VT_CMAKE_ARGS:-}
  fi
  cmake --build "$build_dir"
}

command=${1:-}
[ $# -gt 0 ] && shift
case "$command" in
  run)
    install_missing "${packages[@]}"
    build
    exec "$build_dir/bin/vellumtide" "$@"
    ;;
  test)
    install_missing "${packages[@]}"
    build
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
    ;;
  build)
    install_missing "${packages[@]}"
    build
    ;;
  bench)
    install_missing "${packages[@]}" "${bench_packages[@]}"
    # The comparison libraries are found at configure time.
    cmake -S . -B "$build_dir" -G Ninja >/dev/null
    build
    for b in "$build_dir"/bin/*_bench; do
      echo "== $b"
      "$b" --benchmark_filter="${1:-.}"
    done
    ;;
  *)
    sed -n '2,7p' "$0" >&2
    exit 2
    ;;
esac
