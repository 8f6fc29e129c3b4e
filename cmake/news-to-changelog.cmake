# SPDX-FileCopyrightText: 2026 The Zentrova developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Turns NEWS.md into the package's changelog in Debian's form. The package is
# native (its version has no Debian revision), so this is its only changelog.
#
#   cmake -DNEWS=NEWS.md -DPACKAGE=zentrova -DVERSION=1.1
#         -DMAINTAINER="Name <address>" -DOUTPUT=changelog -P news-to-changelog.cmake
#
# NEWS.md holds, after any introduction, "## VERSION (YYYY-MM-DD)" headings,
# each followed by "- " items continued on lines indented by two spaces.

# Day of the week of a date, for the RFC 2822 date Debian's changelog wants.
function(weekday year month day out)
    set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
    math(EXPR index "${month} - 1")
    list(GET offsets ${index} offset)
    if(month LESS 3)
        math(EXPR year "${year} - 1")
    endif()
    math(EXPR n "(${year} + ${year} / 4 - ${year} / 100 + ${year} / 400 + ${offset} + ${day}) % 7")
    set(names Sun Mon Tue Wed Thu Fri Sat)
    list(GET names ${n} name)
    set(${out} ${name} PARENT_SCOPE)
endfunction()

set(month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)

# Line by line without CMake lists, which would split a line at ';' and
# join lines at an unbalanced '['.
file(READ ${NEWS} text)
set(changelog "")
set(entry_open FALSE)
set(first_version "")
set(line_number 0)
while(NOT text STREQUAL "")
    string(FIND "${text}" "\n" end)
    if(end EQUAL -1)
        string(LENGTH "${text}" end)
    endif()
    string(SUBSTRING "${text}" 0 ${end} line)
    math(EXPR next "${end} + 1")
    string(SUBSTRING "${text}" ${next} -1 text)
    math(EXPR line_number "${line_number} + 1")
    if(line MATCHES "^## ([0-9][0-9.]*) \\(([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])\\)$")
        set(version ${CMAKE_MATCH_1})
        set(year ${CMAKE_MATCH_2})
        set(day_text ${CMAKE_MATCH_4})
        # Leading zeros would make math() read octal.
        string(REGEX REPLACE "^0" "" month ${CMAKE_MATCH_3})
        string(REGEX REPLACE "^0" "" day ${day_text})
        weekday(${year} ${month} ${day} day_name)
        math(EXPR month_index "${month} - 1")
        list(GET month_names ${month_index} month_name)
        set(date "${day_name}, ${day_text} ${month_name} ${year} 00:00:00 +0000")
        if(entry_open)
            string(APPEND changelog "${trailer}")
        endif()
        if(first_version STREQUAL "")
            set(first_version ${version})
        endif()
        string(APPEND changelog "${PACKAGE} (${version}) unstable; urgency=medium\n\n")
        set(trailer "\n -- ${MAINTAINER}  ${date}\n\n")
        set(entry_open TRUE)
    elseif(NOT entry_open OR line STREQUAL "")
        # The introduction, and the blank lines between items.
    elseif(line MATCHES "^- (.+)$")
        string(APPEND changelog "  * ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^  ([^ ].*)$")
        string(APPEND changelog "    ${CMAKE_MATCH_1}\n")
    else()
        message(FATAL_ERROR "${NEWS}:${line_number}: not an item of a version's list: ${line}")
    endif()
endwhile()

if(NOT first_version STREQUAL VERSION)
    message(FATAL_ERROR "${NEWS}: the newest version is '${first_version}', the project's is ${VERSION}")
endif()
string(APPEND changelog "${trailer}")
string(REGEX REPLACE "\n\n$" "\n" changelog "${changelog}")

file(WRITE ${OUTPUT} "${changelog}")
