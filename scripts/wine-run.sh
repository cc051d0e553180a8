#!/usr/bin/env bash
# Runs a Windows program of a cross build under Wine: the emulator the MinGW
# toolchain files give CMake, so CTest runs the Windows test programs with it.
#
#   wine-run.sh [--prefix DIR] PROGRAM [ARGUMENTS...]
#
# The Wine prefix is the caller's WINEPREFIX, else DIR (the toolchain files
# give each build tree its own, so no two trees share a registry), else one
# private to this user under the temporary folder; it is made on first use.
# Wine's own chatter is off.
set -euo pipefail
prefix=${TMPDIR:-/tmp}/vesk-wine-$(id -u)
if [ "${1:-}" = --prefix ]; then
  prefix=$2
  shift 2
fi
export WINEPREFIX=${WINEPREFIX:-$prefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers, no dialogs asking for them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Tests start in parallel: only one of them makes the prefix.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
exec 9>&-
exec wine "$@"
