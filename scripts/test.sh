#!/usr/bin/env bash
# Installs what the build needs (Debian 12), builds in build/ and runs the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/build_steps.sh

velmora_install_packages
velmora_build
cd build
ctest --output-on-failure -j "$(nproc)" --timeout 300
