# Native (Linux) tree: unit tests, benchmarks and the checks around the command-line exporter.

include(${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake)

if(TESSERA_TESTS)
    enable_testing()
    find_package(Threads REQUIRED)
    find_package(GTest REQUIRED)
    include(GoogleTest)
    set(TESSERA_UNIT_TESTS BackgroundWriter ByteScan CharsetLabel Cli ConverterCrossCheck DialogLogic
        DropAttachments EnvelopeLine ExportDriver ExportReportText FileNaming HeaderParameters
        HeaderTextConversion HtmlCharsetDeclaration JapaneseConverters LineArena LineList LineReader
        LocalFileSystem MboxFraming MessageFraming MessageStore MessageWriter MimeHeaderDecoder MimePart
        MimeRoundTrip PartLabels ProgressTiming Settings TextPartConversion TooLargeMessage
        TransferDecoding Utf8ToShiftJis JisDecoder NamePattern ExportIndex AttachmentFiles Utf8Target)
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
    foreach(name ConverterBench MboxIndexBench MimeBench NamingBench)
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

# Killed at random moments and starved of disk, the exporter leaves whole messages only.
if(TESSERA_TESTS)
    add_test(NAME export_faults COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/export_faults.py
        $<TARGET_FILE:tessera-export> ${CMAKE_SOURCE_DIR}/samples ${CMAKE_BINARY_DIR}/export-faults)
    set_tests_properties(export_faults PROPERTIES LABELS native TIMEOUT 600)
endif()

# Corpus messages written as one mbox come back whole through Python's mailbox reader.
if(TESSERA_TESTS)
    add_test(NAME mbox_readback COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/mbox_readback.py
        $<TARGET_FILE:tessera-export> ${TESSERA_CORPUS_DIR} ${CMAKE_BINARY_DIR}/mbox-readback)
    set_tests_properties(mbox_readback PROPERTIES LABELS native SKIP_RETURN_CODE 77 TIMEOUT 600)
endif()

# mbox framing: the CLI counts an mbox as Python's mailbox does, and reads its own back the same.
if(TESSERA_TESTS)
    add_test(NAME mbox_framing COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/mbox_framing.py
        $<TARGET_FILE:tessera-export> ${TESSERA_CORPUS_DIR} ${CMAKE_SOURCE_DIR}/samples
        ${CMAKE_BINARY_DIR}/mbox-framing)
    set_tests_properties(mbox_framing PROPERTIES LABELS native SKIP_RETURN_CODE 77 TIMEOUT 600)
endif()

# C++ files follow the checked-in .clang-format (tests/tools/check_format.py --fix formats them).
if(TESSERA_TESTS)
    add_test(NAME format_check
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/tools/check_format.py ${CMAKE_SOURCE_DIR})
    set_tests_properties(format_check PROPERTIES LABELS native SKIP_RETURN_CODE 77 TIMEOUT 300)
    # The layer check itself refuses what it should: upward, private and floorless includes.
    add_test(NAME layer_check_cases
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/tools/check_layers_test.py)
    set_tests_properties(layer_check_cases PROPERTIES LABELS native)
endif()

# Realistic Japanese mail exported to Shift-JIS reads back as its original text
# (Python's email, iconv, a WHATWG decoder); the code page 932 table is current.
if(TESSERA_TESTS)
    add_test(NAME shiftjis_readback COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/shiftjis_readback.py
        $<TARGET_FILE:tessera-export> ${CMAKE_BINARY_DIR}/shiftjis-readback)
    set_tests_properties(shiftjis_readback PROPERTIES LABELS native TIMEOUT 300)
    add_test(NAME utf8_readback COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/shiftjis_readback.py
        $<TARGET_FILE:tessera-export> ${CMAKE_BINARY_DIR}/utf8-readback utf-8)
    set_tests_properties(utf8_readback PROPERTIES LABELS native TIMEOUT 300)
    add_test(NAME cp932_table_current COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/gen_cp932_table.py --check)
    set_tests_properties(cp932_table_current PROPERTIES LABELS native)
    add_test(NAME jis_tables_current COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/gen_jis_tables.py --check)
    set_tests_properties(jis_tables_current PROPERTIES LABELS native)
endif()

# Every text of the command line has its Japanese in po/ja.po, and nothing there is stale.
if(TESSERA_TESTS)
    add_test(NAME cli_catalogue
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/tools/catalogue_check.py ${CMAKE_SOURCE_DIR})
    set_tests_properties(cli_catalogue PROPERTIES LABELS native)
endif()

# The user guide: Shift-JIS-ready, 76 columns, and quoting only texts the screen shows.
if(TESSERA_TESTS)
    add_test(NAME guide_check
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/tools/guide_check.py ${CMAKE_SOURCE_DIR})
    set_tests_properties(guide_check PROPERTIES LABELS native)
endif()
