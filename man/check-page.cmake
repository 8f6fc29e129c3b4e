# SPDX-FileCopyrightText: 2026 The Zentrova developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Formats a manual page as lintian does and fails on any warning of man or
# groff.
#   cmake -DMAN=/usr/bin/man -DPAGE=zentrova.1 -P check-page.cmake
set(ENV{LC_ALL} C.UTF-8)
set(ENV{MANROFFSEQ} "")
set(ENV{MANWIDTH} 80)
execute_process(
    COMMAND ${MAN} --warnings -E UTF-8 -l -Tutf8 -Z ${PAGE}
    OUTPUT_QUIET
    ERROR_VARIABLE warnings
    RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "${PAGE}: man exited with ${status}:\n${warnings}")
endif()
message(STATUS "${PAGE}: no warnings")
