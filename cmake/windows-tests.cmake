# Tests of the Windows build, run under Wine in the build's private prefix.

# GoogleTest from Debian's source package, cross-compiled with the rest.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)

set(VEX_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run)
set(VEX_WINE_ENV "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all")

# The stand-ins of the host's services: a static library for the test programs (which register them
# as class objects of their own process) and standins.dll for script hosts and the main job.
add_library(vex_standins STATIC
    tests/support/standins/document_services.cpp
    tests/support/standins/excel.cpp
    tests/support/standins/excel_dispatch.cpp
    tests/support/standins/excel_display.cpp
    tests/support/standins/excel_objects.cpp
    tests/support/standins/excel_range.cpp
    tests/support/standins/excel_values.cpp
    tests/support/standins/host_trace_service.cpp
    tests/support/standins/script_log.cpp
    tests/support/standins/scripted_dispatch.cpp
    tests/support/standins/word.cpp
    tests/support/standins/word_dispatch.cpp
    tests/support/standins/word_merge.cpp
    tests/support/standins/word_objects.cpp
)
target_include_directories(vex_standins PUBLIC ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(vex_standins PUBLIC vex_objects)

add_library(standins SHARED tests/support/standins/standins_dll.cpp tests/support/standins/standins.def)
set_target_properties(standins PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/support)
target_link_libraries(standins PRIVATE vex_standins)

add_library(vex_testsupport STATIC tests/support/com_test.cpp)
target_include_directories(vex_testsupport PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(vex_testsupport PUBLIC vex_standins gtest gtest_main)

# The prefix: created once per build, vex.dll and the stand-ins registered, wineserver kept running.
add_test(NAME wine_prefix COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix ${CMAKE_BINARY_DIR})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine)
add_test(NAME wine_prefix_stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix ${CMAKE_BINARY_DIR} --stop)
set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)

# One GoogleTest program per subsystem, run under Wine.
function(vex_wine_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE vex_testsupport)
    set_target_properties(${name} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
        CROSSCOMPILING_EMULATOR ${VEX_WINE_RUN})
    add_dependencies(${name} vex standins)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${VEX_WINE_ENV}" TIMEOUT 120)
endfunction()

# The stand-ins' own tests: they check the test doubles, not the product.
vex_wine_test(standin_tests tests/support/standins/tests/excel_test.cpp tests/support/standins/tests/word_test.cpp)
vex_wine_test(trace_tests tests/trace/trace_test.cpp)
vex_wine_test(environment_tests tests/environment/environment_test.cpp)
vex_wine_test(factory_tests
    tests/factory/factory_test.cpp
    tests/factory/factory_transfer_test.cpp
    tests/factory/factory_container_test.cpp)
vex_wine_test(module_tests
    tests/module/entry_points_test.cpp
    tests/module/type_library_test.cpp
    tests/module/control_test.cpp)
# Unregisters and registers vex.dll: no other test may run meanwhile.
vex_wine_test(registration_tests tests/module/registration_test.cpp)
set_tests_properties(registration_tests PROPERTIES RUN_SERIAL TRUE)

# Script-host tests: JScript and VBScript under cscript, creating everything by ProgID.
function(vex_script_test name script)
    add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/scripts/cscript ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}/${script})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${VEX_WINE_ENV}" TIMEOUT 120
                                            FAIL_REGULAR_EXPRESSION "FAIL:")
endfunction()
vex_script_test(script_foundation tests/script/foundation.js)
vex_script_test(script_container tests/script/container.js)
vex_wine_test(container_tests tests/container/container_test.cpp)
vex_wine_test(automation_tests tests/automation/automation_test.cpp)

# The table core's Windows side (MSXML adapter, trace forwarding) and its tests under Wine.
include(cmake/windows-tablecore.cmake OPTIONAL)
