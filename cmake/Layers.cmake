# tessera_layer(NAME SOURCES... [LINKS lower layers...])
# A static library of one layer with an explicit source list. Natively it is
# also linked on its own as a shared object that may not leave a symbol
# undefined, so code that calls up into a higher layer fails the build.
function(tessera_layer name)
    cmake_parse_arguments(LAYER "" "" "SOURCES;LINKS" ${ARGN})
    add_library(${name} STATIC ${LAYER_SOURCES})
    target_link_libraries(${name} PUBLIC ${LAYER_LINKS})
    if(NOT WIN32 AND NOT TESSERA_SANITIZE)
        add_library(${name}_alone SHARED ${LAYER_SOURCES})
        target_link_libraries(${name}_alone PRIVATE ${LAYER_LINKS})
        target_link_options(${name}_alone PRIVATE -Wl,--no-undefined)
    endif()
endfunction()

# Includes that point up a layer, or portable files that include system
# headers, fail the build (the rules live in the script).
# One tree checks: `make build` turns it off in the others, so it is told once.
option(TESSERA_LAYER_CHECK "Check the layers' includes on every build" ON)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(layer_check_all "")
if(TESSERA_LAYER_CHECK)
    set(layer_check_all ALL)
endif()
add_custom_target(layer_check ${layer_check_all}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/tools/check_layers.py ${CMAKE_SOURCE_DIR}
    COMMENT "Checking that includes point down the layers")
