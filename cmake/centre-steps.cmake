# SPDX-FileCopyrightText: 2026 The Zentrova developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Writes the server's schema steps (data/centre/NNN-name.sql) as C++ array
# rows for zentrova-centre, which carries them in itself.
#   cmake -DSTEPS=data/centre -DOUTPUT=centresteps.inc -P centre-steps.cmake
file(GLOB steps RELATIVE ${STEPS} ${STEPS}/*.sql)
list(SORT steps)
set(rows "")
foreach(step ${steps})
    string(REGEX MATCH "^([0-9]+)-.*\\.sql$" name ${step})
    if(NOT name)
        message(FATAL_ERROR "${step}: a step's file is named NNN-what.sql")
    endif()
    math(EXPR number "${CMAKE_MATCH_1}")
    string(REGEX REPLACE "\\.sql$" "" name ${step})
    file(READ ${STEPS}/${step} sql)
    string(FIND "${sql}" ")zentrova_sql\"" clash)
    if(NOT clash EQUAL -1)
        message(FATAL_ERROR "${step} holds the text that ends its C++ string")
    endif()
    string(APPEND rows "{${number}, \"${name}\", R\"zentrova_sql(${sql})zentrova_sql\"},\n")
endforeach()
file(WRITE ${OUTPUT}.new "${rows}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
