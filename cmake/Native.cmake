# Native (Linux) tree: unit tests, benchmarks and the checks around the command-line exporter.

if(TESSERA_TESTS)
    enable_testing()
    find_package(Threads REQUIRED)
    find_package(GTest REQUIRED)
    include(GoogleTest)
    set(TESSERA_UNIT_TESTS Cli ConverterCrossCheck DialogLogic DropAttachments EnvelopeLine EucJp
        ExportDriver ExportReportText FileNaming Iso2022Jp LineArena LineReader MessageStore MessageWriter
        MimeHeaderDecoder MimePart MimeRoundTrip ProgressTiming Settings)
    add_library(tessera_test_support STATIC tests/support/FakePlatform.cpp)
    target_link_libraries(tessera_test_support PUBLIC tessera_engine GTest::gtest)
    foreach(unit ${TESSERA_UNIT_TESTS})
        set(name ${unit}_test)
        add_executable(${name} tests/unit/${name}.cpp)
        target_link_libraries(${name} PRIVATE tessera_test_support tessera_dialog_logic tessera_settings
            tessera_platform tessera_host tessera_engine GTest::gtest_main Threads::Threads)
        target_compile_definitions(${name} PRIVATE
            TESSERA_CORPUS_DIR="${TESSERA_CORPUS_DIR}"
            TESSERA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
            TESSERA_BINARY_DIR="${CMAKE_BINARY_DIR}")
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
    endforeach()
endif()

if(TESSERA_BENCH)
    find_package(benchmark REQUIRED)
    foreach(name ConverterBench MimeBench)
        add_executable(${name} bench/${name}.cpp)
        target_link_libraries(${name} PRIVATE tessera_host tessera_engine benchmark::benchmark)
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
if(TESSERA_TESTS)
    add_test(NAME mbox_readback COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/mbox_readback.py
        $<TARGET_FILE:tessera-export> ${TESSERA_CORPUS_DIR} ${CMAKE_BINARY_DIR}/mbox-readback)
    set_tests_properties(mbox_readback PROPERTIES LABELS native SKIP_RETURN_CODE 77 TIMEOUT 600)
endif()
