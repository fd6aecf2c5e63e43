# Windows tree (cross-built, run under Wine): the tests that load the real DLL
# into the simulated host. The DLL and the host come from shell/ and tools/.
include(${CMAKE_SOURCE_DIR}/cmake/Dist.cmake)
if(NOT TESSERA_TESTS)
    return()
endif()
enable_testing()
add_compile_options(${TESSERA_SJIS_LITERALS})
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

set(TESSERA_WINE_SUPPORT
    tests/wine/support/DialogDriver.cpp
    tests/wine/support/PluginFixture.cpp
    tests/wine/support/ResourceScript.cpp
    tests/wine/support/WindowWatcher.cpp)
set(TESSERA_WINE_TESTS Cp932Table Dialogs Export ExportRules LargeMbox LocalFileSystem Progress
    Shell)
foreach(name ${TESSERA_WINE_TESTS})
    add_executable(${name}_test tests/wine/${name}_test.cpp ${TESSERA_WINE_SUPPORT}
        $<TARGET_OBJECTS:simhost_objs>)
    target_link_libraries(${name}_test PRIVATE tessera_dialogs tessera_settings tessera_platform
        tessera_host tessera_engine ${TESSERA_WIN32_LIBS} gtest_main)
    target_link_options(${name}_test PRIVATE -Wl,--kill-at)
    target_include_directories(${name}_test PRIVATE ${CMAKE_SOURCE_DIR}/resources)
    target_compile_definitions(${name}_test PRIVATE
        TESSERA_CORPUS_DIR="${TESSERA_CORPUS_DIR}" TESSERA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    add_dependencies(${name}_test Tessera simhost simhost-missing)
    # Reading 4 GiB runs alone: beside it other tests miss their timing.
    set(serial "")
    if(name STREQUAL "LargeMbox")
        set(serial RUN_SERIAL TRUE)
    endif()
    gtest_discover_tests(${name}_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
        # Windows of one test must not meet the window watchers of another.
        PROPERTIES LABELS wine RESOURCE_LOCK wine_desktop ${serial})
endforeach()

# The scans that stand in for the C runtime's, as the 32-bit build compiles them.
add_executable(ByteScan_test tests/unit/ByteScan_test.cpp)
target_link_libraries(ByteScan_test PRIVATE tessera_engine gtest_main)
gtest_discover_tests(ByteScan_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS wine)

# Long exports cancelled in the simulated host leave whole messages that Python's mailbox reads.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME cancel_readback COMMAND ${Python3_EXECUTABLE}
    ${CMAKE_SOURCE_DIR}/tests/tools/cancel_readback.py ${CMAKE_BINARY_DIR}/bin ${CMAKE_SOURCE_DIR}/samples)
set_tests_properties(cancel_readback PROPERTIES LABELS wine TIMEOUT 300)

# A signed message exported by both commands of the real plug-in still verifies.
add_test(NAME signed_mail COMMAND ${Python3_EXECUTABLE}
    ${CMAKE_SOURCE_DIR}/tests/tools/signed_mail.py ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(signed_mail PROPERTIES LABELS wine TIMEOUT 300 RESOURCE_LOCK wine_desktop)
