#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's prefix of its architecture (ctest's
# cross-compiling emulator): tools/wine-run.sh [win32|win64] PROGRAM [ARGS...]
case ${1:-} in win32 | win64) export QUORVEL_WINE_ARCH=$1; shift ;; esac
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh" || exit 1
quorvel_ensure_display
quorvel_ensure_prefix
# A display started here ends with the program (see quorvel_ensure_display); run ctest under
# a display of its own (test.sh does) so that its programs share one.
[ -n "${QUORVEL_XVFB_PID:-}" ] || exec wine "$@"
wine "$@"
