#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the benchmarks and the
# audition (imagemagick) need, but only those that are missing, and only when
# we may (running as root).
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  libgtest-dev libbenchmark-dev
  libsndfile1-dev
  libcairo2-dev libx11-dev libxtst-dev libpng-dev fonts-dejavu-core
  xvfb xauth zenity
  imagemagick
)
exec "$(dirname "$0")/install-packages.sh" "${packages[@]}"
