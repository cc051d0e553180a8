#!/usr/bin/env bash
# Installs what the Windows builds need on a Debian machine: the MinGW-w64
# cross compilers for 32- and 64-bit Windows, Windows' zlib, and Wine to run
# the tests (32-bit Wine needs the i386 architecture, enabled on the way).
# Only what is missing, and only when we may (running as root).
set -euo pipefail
exec "$(dirname "$0")/install-packages.sh" \
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev \
  wine wine32:i386 wine64
