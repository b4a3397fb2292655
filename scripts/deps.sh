#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
#   libboost-json1.81-dev  JSON parser (header-only use, nothing at run time)
#   libpugixml-dev         XML parser for mjlog records (static archive)
#   libdeflate-dev         gzip (static archive)
#   libgtest-dev           C++ unit tests
#   zlib1g-dev             the DEFLATE comparison benchmark (bench/deflate_bench)
#   clang, libclang-rt-14-dev  libFuzzer target and its sanitizer runtimes
#   ninja-build, cmake     build tools (pip's cmake/ninja work too)
#   python3-dev, python3-venv  Python.h for the extension, and venvs, when
#                          the system's Python is the one used
set -euo pipefail
pkgs=(libboost-json1.81-dev libpugixml-dev libdeflate-dev libgtest-dev zlib1g-dev clang libclang-rt-14-dev ninja-build cmake g++ python3-dev python3-venv)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "deps.sh: not root and no sudo; install: ${missing[*]}" >&2; exit 1; }
    SUDO="sudo"
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
