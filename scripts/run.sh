#!/usr/bin/env bash
# Builds Korvane and runs it in a sandbox: simulated adapters and route table, a private
# registry and runtime folder under build/sandbox. Never touches this machine's routes.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KORVANE_BUILD_DIR:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  KORVANE_SKIP_TESTS=1 bash scripts/test.sh
fi
cmake --build "$build" -j"$(nproc)" >/dev/null
sandbox="$PWD/$build/sandbox"
mkdir -p "$sandbox/registry" "$sandbox/runtime" "$sandbox/systemd" "$sandbox/config"
export KORVANE_BACKEND=sim
export KORVANE_SIM_NETWORK=${KORVANE_SIM_NETWORK:-$PWD/data/sandbox-network.txt}
export KORVANE_REGISTRY_DIR="$sandbox/registry"
export KORVANE_RUNTIME_DIR="$sandbox/runtime"
# -install / -uninstall write their unit here rather than into /etc/systemd/system.
export KORVANE_SYSTEMD_DIR=${KORVANE_SYSTEMD_DIR:-$sandbox/systemd}
# "Запускаться вместе с системой" writes its autostart entry under the sandbox too.
export XDG_CONFIG_HOME="$sandbox/config"
# First run: settings that fit the sandbox network, activation at start, and a local list
# source that the program reads 30 seconds after it started (or at "Обновить сейчас").
hive="$sandbox/registry/HKEY_LOCAL_MACHINE.reg"
if [ ! -f "$hive" ]; then
  printf '%s\n' 'REGEDIT4' '' '[HKEY_LOCAL_MACHINE\Software\Korvane]' \
    '"Version"="1.2b"' '"GatewayAddress"="10.20.30.1"' '"ForeignGatewayAddress"="192.168.7.1"' \
    '"Tarvel_Adapter"="enp3s0"' '"Loopback_Adapter"="wlan0"' '"ActivateOnStartup"=dword:00000001' \
    "\"TarvelListURL\"=\"file://$PWD/data/sandbox-list.txt\"" > "$hive"
fi
if [ ! -x "$build/bin/korvane" ]; then
  echo "the korvane program is not built yet; running the tests instead" >&2
  cd "$build" && exec ctest --output-on-failure
fi
# Without a display: a virtual one when xvfb-run is there, else Qt's offscreen platform.
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  if command -v xvfb-run >/dev/null; then
    echo "no display: running korvane under xvfb-run" >&2
    exec xvfb-run -a "$build/bin/korvane" "$@"
  fi
  echo "no display: running korvane with QT_QPA_PLATFORM=offscreen (nothing is shown;" \
    "stop it with Ctrl+C)" >&2
  export QT_QPA_PLATFORM=offscreen
fi
exec "$build/bin/korvane" "$@"
