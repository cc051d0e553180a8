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
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]} (run as root, or install them yourself)" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
