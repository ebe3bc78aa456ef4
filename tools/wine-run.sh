#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's prefix (ctest's cross-compiling emulator).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
quorvel_ensure_display
quorvel_ensure_prefix
exec wine "$@"
