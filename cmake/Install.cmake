# SPDX-FileCopyrightText: 2026 The Zentrova developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The program finds its question bank beside its own executable, so both go
# into one program folder; bin/ gets a symlink to the program, which Qt
# resolves to that folder whatever link or working directory it starts from.

install(TARGETS zentrova RUNTIME DESTINATION ${ZENTROVA_INSTALL_PROGRAMDIR})
install(TARGETS zentrova-server LIBRARY DESTINATION ${ZENTROVA_INSTALL_PROGRAMDIR}/modules)
install(FILES ${BANK_FILE} DESTINATION ${ZENTROVA_INSTALL_PROGRAMDIR})
install(TARGETS zentrova-bank zentrova-centre RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# A seat's hand-in service and its units. Nothing enables them: an
# administrator does, on a seat (systemctl enable --now zentrova-seatd.socket).
install(TARGETS zentrova-seatd RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR})
install(FILES data/systemd/zentrova-seatd.socket data/systemd/zentrova-seatd.service
    DESTINATION lib/systemd/system)

# A relative link holds under any prefix, DESTDIR or package root.
cmake_path(ABSOLUTE_PATH ZENTROVA_INSTALL_PROGRAMDIR BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX}
    OUTPUT_VARIABLE zentrova_program_dir)
file(RELATIVE_PATH zentrova_link_target ${CMAKE_INSTALL_FULL_BINDIR} ${zentrova_program_dir}/zentrova)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/bin-link)
file(CREATE_LINK ${zentrova_link_target} ${CMAKE_BINARY_DIR}/bin-link/zentrova SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/bin-link/zentrova DESTINATION ${CMAKE_INSTALL_BINDIR})

# Stripping leaves the compiler's .comment section in; Debian's own packages
# go without it, so a stripped install (as cpack makes) takes it out too.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(program ${ZENTROVA_INSTALL_PROGRAMDIR}/zentrova ${ZENTROVA_INSTALL_PROGRAMDIR}/modules/zentrova-server.so
                        ${CMAKE_INSTALL_BINDIR}/zentrova-bank
                        ${CMAKE_INSTALL_BINDIR}/zentrova-centre ${CMAKE_INSTALL_SBINDIR}/zentrova-seatd)
            execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${program}\"
                            COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()")

# Debian wants documents compressed with gzip -9; -n leaves out the name and
# time stamp, so that every build gives the same bytes. -k keeps the input.
find_program(GZIP gzip REQUIRED)
set(ZENTROVA_GZIP ${GZIP} -9nkf)
