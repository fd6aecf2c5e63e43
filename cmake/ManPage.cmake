# The man page of tessera-export: carries the project's version, is installed
# with the program, and is checked to render cleanly and to describe every
# option of --help.
include(GNUInstallDirs)
configure_file(${CMAKE_SOURCE_DIR}/man/tessera-export.1.in
    ${CMAKE_BINARY_DIR}/man/tessera-export.1 @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/man/tessera-export.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The Japanese page, which man shows under a Japanese locale.
configure_file(${CMAKE_SOURCE_DIR}/man/ja/tessera-export.1.in
    ${CMAKE_BINARY_DIR}/man/ja/tessera-export.1 @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/man/ja/tessera-export.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)

if(TESSERA_TESTS)
    add_test(NAME man_page COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/man_page_check.sh
        $<TARGET_FILE:tessera-export> ${CMAKE_BINARY_DIR}/man/tessera-export.1)
    set_tests_properties(man_page PROPERTIES LABELS native SKIP_RETURN_CODE 77)
    add_test(NAME man_page_ja COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/man_page_check.sh
        $<TARGET_FILE:tessera-export> ${CMAKE_BINARY_DIR}/man/ja/tessera-export.1 ja)
    set_tests_properties(man_page_ja PROPERTIES LABELS native SKIP_RETURN_CODE 77)
endif()
