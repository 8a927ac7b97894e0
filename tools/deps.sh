#!/bin/bash
# Installs what a fresh Debian machine lacks to build and test the system.
set -euo pipefail
packages=(
  build-essential cmake pkg-config clang binutils
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libdeflate-dev libmspack-dev
  libsqlite3-dev sqlite3 libxml2-dev libxml2-utils
  cabextract gcab python3 attr
  qt6-base-dev libcurl4-openssl-dev libjpeg62-turbo-dev fonts-ipafont-gothic
  python3-flask python3-werkzeug python3-pil libjpeg-turbo-progs strace curl
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
