#!/usr/bin/env bash
# Installs those of the Debian packages named on the command line that are
# missing, and only when we may (running as root). A package of another
# architecture (name:arch) gets that architecture enabled first.
set -euo pipefail
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]} (run as root, or install them yourself)" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
for p in "${missing[@]}"; do
  case $p in
    *:*)
      arch=${p#*:}
      [ "$arch" = "$(dpkg --print-architecture)" ] || dpkg --print-foreign-architectures | grep -qx "$arch" ||
        dpkg --add-architecture "$arch"
      ;;
  esac
done
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
