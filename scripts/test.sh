#!/usr/bin/env bash
# Installs what the build needs (Debian), configures, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make pkg-config iproute2 qt6-base-dev libnl-3-dev libnl-route-3-dev
          libcurl4-openssl-dev libssl-dev libjpeg62-turbo-dev libgtest-dev libgmock-dev
          libbenchmark-dev libpugixml-dev libxml2-dev python3 openssl)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

build=${KORVANE_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
[ -z "${KORVANE_SKIP_TESTS:-}" ] || exit 0
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 600
