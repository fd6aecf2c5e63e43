# Native (Linux) tree: the portable core, the command-line exporter, unit tests, benchmarks.

file(GLOB TESSERA_CLI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/cli/*.cpp)
if(TESSERA_CLI_SOURCES)
    add_executable(tessera-export ${TESSERA_CLI_SOURCES})
    target_link_libraries(tessera-export PRIVATE tessera_core tessera_host)
    install(TARGETS tessera-export RUNTIME DESTINATION bin)
endif()

if(TESSERA_TESTS)
    enable_testing()
    find_package(Threads REQUIRED)
    find_package(GTest REQUIRED)
    include(GoogleTest)
    file(GLOB TESSERA_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*_test.cpp)
    file(GLOB TESSERA_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
    if(TESSERA_TEST_SUPPORT)
        add_library(tessera_test_support STATIC ${TESSERA_TEST_SUPPORT})
        target_link_libraries(tessera_test_support PUBLIC tessera_core tessera_host GTest::gtest)
    endif()
    foreach(src ${TESSERA_UNIT_TESTS})
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src})
        target_link_libraries(${name} PRIVATE tessera_core tessera_host GTest::gtest_main Threads::Threads)
        if(TESSERA_TEST_SUPPORT)
            target_link_libraries(${name} PRIVATE tessera_test_support)
        endif()
        target_compile_definitions(${name} PRIVATE
            TESSERA_CORPUS_DIR="${TESSERA_CORPUS_DIR}"
            TESSERA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
            TESSERA_BINARY_DIR="${CMAKE_BINARY_DIR}")
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
    endforeach()
endif()

if(TESSERA_BENCH)
    find_package(benchmark REQUIRED)
    file(GLOB TESSERA_BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
    foreach(src ${TESSERA_BENCHES})
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src})
        target_link_libraries(${name} PRIVATE tessera_core tessera_host benchmark::benchmark)
    endforeach()
endif()

# A short fuzzing run of the parser and the envelope functions (longer: make fuzz).
find_program(TESSERA_CLANGXX NAMES clang++ clang++-14)
if(TESSERA_TESTS AND TESSERA_CLANGXX)
    add_test(NAME fuzz_smoke COMMAND sh ${CMAKE_SOURCE_DIR}/fuzz/run_fuzzers.sh 15)
    set_tests_properties(fuzz_smoke PROPERTIES LABELS fuzz TIMEOUT 600
        ENVIRONMENT "TESSERA_CORPUS_DIR=${TESSERA_CORPUS_DIR}")
endif()

# The command-line exporter and the plug-in under Wine write the same bytes.
if(TESSERA_TESTS)
    add_test(NAME cli_equivalence COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/cli-equivalence.sh
        ${CMAKE_BINARY_DIR}/../win ${CMAKE_BINARY_DIR} ${TESSERA_CORPUS_DIR})
    set_tests_properties(cli_equivalence PROPERTIES LABELS wine SKIP_RETURN_CODE 77 TIMEOUT 900)
endif()

# Corpus messages written as one mbox come back whole through Python's mailbox reader.
if(TESSERA_TESTS AND TESSERA_CLI_SOURCES)
    add_test(NAME mbox_readback COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/mbox_readback.py
        $<TARGET_FILE:tessera-export> ${TESSERA_CORPUS_DIR} ${CMAKE_BINARY_DIR}/mbox-readback)
    set_tests_properties(mbox_readback PROPERTIES LABELS native SKIP_RETURN_CODE 77 TIMEOUT 600)
endif()

# Realistic Japanese mail exported to Shift-JIS reads back as its original text
# (Python's email, iconv, a WHATWG decoder); the code page 932 table is current.
if(TESSERA_TESTS AND TESSERA_CLI_SOURCES)
    add_test(NAME shiftjis_readback COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/shiftjis_readback.py
        $<TARGET_FILE:tessera-export> ${CMAKE_BINARY_DIR}/shiftjis-readback)
    set_tests_properties(shiftjis_readback PROPERTIES LABELS native TIMEOUT 300)
    add_test(NAME cp932_table_current COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/gen_cp932_table.py --check)
    set_tests_properties(cp932_table_current PROPERTIES LABELS native)
endif()
