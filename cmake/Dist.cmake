# The release archive (make dist): dist/Tessera-<version>.zip and dist/SHA256SUMS
# from this Windows tree, and a Wine test of what the archive holds.
set(TESSERA_DIST_DIR ${CMAKE_SOURCE_DIR}/dist CACHE PATH "Folder that make dist writes into")

# The Windows command-line exporter goes in once the build defines it.
set(TESSERA_CLI_TARGET "$<OR:$<TARGET_EXISTS:tessera-export-win>,$<TARGET_EXISTS:tessera-export>>")
add_custom_target(dist
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/dist.sh ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/bin
        ${TESSERA_DIST_DIR} ${TESSERA_CLI_TARGET}
    DEPENDS Tessera VERBATIM)
function(tessera_dist_depends_on_cli)
    foreach(name tessera-export-win tessera-export)
        if(TARGET ${name})
            add_dependencies(dist ${name})
        endif()
    endforeach()
endfunction()
cmake_language(DEFER CALL tessera_dist_depends_on_cli)

if(TESSERA_TESTS)
    add_test(NAME dist_archive COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/dist_check.sh
        ${PROJECT_VERSION} ${CMAKE_BINARY_DIR} ${TESSERA_CLI_TARGET})
    set_tests_properties(dist_archive PROPERTIES LABELS wine SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
