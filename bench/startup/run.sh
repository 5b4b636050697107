#!/usr/bin/env bash
# Cold starts of orvanta and, for comparison, of Flameshot on the same machine in the same run:
# launch to first window shown, and resident memory one second later (medians). The goals for
# orvanta: window shown within 400 ms, at most 80 MB resident.
#   bench/startup/run.sh [BUILD_DIR]     (default build/)
set -euo pipefail
cd "$(dirname "$0")/../.."
build_dir="${1:-build}"
cmake --build "$build_dir" --target orvanta orvanta-layout-bridge bench_startup >/dev/null

if ! command -v flameshot >/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends flameshot >/dev/null
fi

bench="$build_dir/bin/bench_startup"
echo "== orvanta (signed out: the sign-in window)"
scripts/with-xvfb "$bench" --runs 7 -- "$build_dir/bin/orvanta"
echo "== flameshot config (the settings window of a cold process)"
scripts/with-xvfb "$bench" --runs 7 -- "$(command -v flameshot)" config
echo "== flameshot daemon (no tray here, so no window: memory only)"
scripts/with-xvfb "$bench" --runs 3 --window-timeout-ms 2000 -- "$(command -v flameshot)" || true
