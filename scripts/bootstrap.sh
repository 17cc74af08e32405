#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when
# they are missing. Safe to run again: it installs nothing that is present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git python3
  nlohmann-json3-dev googletest libgtest-dev libbenchmark-dev
  libcurl4-openssl-dev libcairo2-dev libcli11-dev libcpp-httplib-dev
  g++-mingw-w64-x86-64 wine64 wine
  clang libclang-rt-14-dev clang-format
  fonts-dejavu-core ca-certificates
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
