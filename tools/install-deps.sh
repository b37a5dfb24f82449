#!/usr/bin/env bash
# Installs, through apt-get, whatever Tessel's build and tests need that this machine lacks.
# Usage: tools/install-deps.sh [build|test]   (build: compiler, CMake, zlib, Nettle, libdeflate; test: also
# GoogleTest, the PDF tools the end-to-end tests check with, and clang for the fuzz targets)
set -euo pipefail
want=(g++ make cmake zlib1g-dev nettle-dev libdeflate-dev)
if [ "${1:-test}" = test ]; then
  want+=(libgtest-dev qpdf poppler-utils mupdf-tools clang libclang-rt-14-dev clang-format)
fi
missing=()
for package in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
