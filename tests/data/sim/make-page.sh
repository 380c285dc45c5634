#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes page.t4, one small page of raw T.4 data (most significant bit first, ended by RTC), for the
# integration tests over a pseudo-terminal. Needs netpbm.
set -e
cd "$(dirname "$0")"
pbmtext -builtin fixed "QUORRA TEST PAGE 0123456789 abcdefghijklmnopqrstuvwxyz ~!@#$%^&*()_+" | pnmpad -width 1728 -left 40 -top 20 -bottom 20 -white \
    | pbmtog3 > page.t4
