# Windows tree (cross-built, run under Wine): the plug-in DLL, the simulated
# host and the tests that load the real DLL into it.

# Literals in Win32 sources are Shift-JIS, as the plug-in's text is.
add_compile_options(-finput-charset=UTF-8 -fexec-charset=CP932)
# GCC 12 reports false maybe-uninitialized warnings on std::string aggregates at -O2.
add_compile_options(-Wno-maybe-uninitialized)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

set(TESSERA_WIN32_LIBS comdlg32 shell32 shlwapi ole32 user32 gdi32 kernel32)

file(GLOB TESSERA_SHELL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/shell/*.cpp)
list(REMOVE_ITEM TESSERA_SHELL_SOURCES ${CMAKE_SOURCE_DIR}/shell/HostApi.cpp)
add_library(Tessera SHARED ${TESSERA_SHELL_SOURCES}
    ${CMAKE_SOURCE_DIR}/resources/Tessera.rc ${CMAKE_SOURCE_DIR}/resources/Tessera.def)
set_target_properties(Tessera PROPERTIES PREFIX "")
target_include_directories(Tessera PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(Tessera PRIVATE tessera_core ${TESSERA_WIN32_LIBS})
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/Tessera.rc PROPERTIES
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/Dialogs.rc;${CMAKE_SOURCE_DIR}/resources/resource.h")

# The simulated host: exports the host functions by plain name.
add_library(simhost_objs OBJECT
    ${CMAKE_SOURCE_DIR}/tools/simhost/HostExports.cpp
    ${CMAKE_SOURCE_DIR}/tools/simhost/PluginHost.cpp)
target_include_directories(simhost_objs PUBLIC ${CMAKE_SOURCE_DIR})

function(tessera_host_executable name)
    target_link_libraries(${name} PRIVATE tessera_host tessera_core ${TESSERA_WIN32_LIBS})
    target_link_options(${name} PRIVATE -Wl,--kill-at)
endfunction()

add_executable(simhost ${CMAKE_SOURCE_DIR}/tools/simhost/main.cpp
    ${CMAKE_SOURCE_DIR}/tools/simhost/MessageBoxAnswerer.cpp $<TARGET_OBJECTS:simhost_objs>)
tessera_host_executable(simhost)

add_executable(simhost-missing ${CMAKE_SOURCE_DIR}/tools/simhost/main.cpp
    ${CMAKE_SOURCE_DIR}/tools/simhost/MessageBoxAnswerer.cpp
    ${CMAKE_SOURCE_DIR}/tools/simhost/HostExports.cpp
    ${CMAKE_SOURCE_DIR}/tools/simhost/PluginHost.cpp)
target_compile_definitions(simhost-missing PRIVATE SIMHOST_OMIT_CONNECT)
tessera_host_executable(simhost-missing)

if(TESSERA_TESTS)
    enable_testing()
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    include(GoogleTest)
    file(GLOB TESSERA_WINE_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/support/*.cpp)
    file(GLOB TESSERA_WINE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*_test.cpp)
    foreach(src ${TESSERA_WINE_TESTS})
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src} ${TESSERA_WINE_SUPPORT} $<TARGET_OBJECTS:simhost_objs>)
        tessera_host_executable(${name})
        target_link_libraries(${name} PRIVATE gtest_main)
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/resources)
        target_compile_definitions(${name} PRIVATE
            TESSERA_CORPUS_DIR="${TESSERA_CORPUS_DIR}" TESSERA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
        add_dependencies(${name} Tessera simhost simhost-missing)
        # Reading 4 GiB runs alone: beside it the dialog tests miss their timing.
        set(serial "")
        if(name STREQUAL "LargeMbox_test")
            set(serial RUN_SERIAL TRUE)
        endif()
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
            WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin PROPERTIES LABELS wine ${serial})
    endforeach()
endif()
