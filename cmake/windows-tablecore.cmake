# Tests of the spreadsheet path under Wine: the table core's document tests against MSXML, the MSXML
# adapter's and the trace forwarding's own tests, and the spreadsheet component against the stand-in
# Excel. (The Windows side itself is part of vex_objects.)

include(${CMAKE_SOURCE_DIR}/tests/spreadsheet/core/sources.cmake)
vex_wine_test(tablecore_windows_tests
    ${VEX_TABLECORE_TEST_SOURCES}
    tests/spreadsheet/core/bench/table_document_generator.cpp
    tests/spreadsheet/windows/msxml_dom_adapters.cpp
    tests/spreadsheet/windows/test_msxml_dom.cpp
    tests/spreadsheet/windows/test_tracer_sink.cpp
)
target_include_directories(tablecore_windows_tests PRIVATE
    ${CMAKE_SOURCE_DIR}/tests/spreadsheet/core ${CMAKE_SOURCE_DIR}/tests/spreadsheet/core/bench
    ${CMAKE_SOURCE_DIR}/tests/spreadsheet/windows)
# Unix paths: Wine resolves them on the current drive, which is Z: (the root of the Unix file
# system) for programs started from the build directory.
target_compile_definitions(tablecore_windows_tests PRIVATE
    VEX_TABLECORE_TEST_DOCUMENTS="${VEX_TABLECORE_TEST_DOCUMENTS}"
    VEX_TABLECORE_REGRESSIONS="${VEX_TABLECORE_REGRESSIONS}")

vex_wine_test(spreadsheet_tests tests/spreadsheet/spreadsheet_test.cpp)
target_compile_definitions(spreadsheet_tests PRIVATE VEX_TABLECORE_TEST_DOCUMENTS="${VEX_TABLECORE_TEST_DOCUMENTS}")
vex_script_test(script_spreadsheet tests/script/spreadsheet.js)

# The rendering benchmark (run by hand, see spreadsheet/core/README.md), built with the tests.
add_executable(render_bench tests/spreadsheet/bench/render_bench.cpp tests/spreadsheet/core/bench/table_document_generator.cpp)
target_include_directories(render_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/spreadsheet/core ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(render_bench PRIVATE vex_standins psapi)
set_target_properties(render_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)

# The stand-in Excel's workbook after a rendering, as JSON: one side of the comparison with vex-render
# (tests/render/compare-targets, run by scripts/test).
add_executable(workbook_dump tests/render/workbook_dump.cpp)
target_link_libraries(workbook_dump PRIVATE vex_standins)
set_target_properties(workbook_dump PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
add_dependencies(workbook_dump vex standins)

vex_wine_test(word_tests tests/word/word_test.cpp)
vex_script_test(script_word tests/script/word.js)
vex_script_test(script_errors tests/script/errors.js)
vex_script_test(script_errors_vbs tests/script/errors.vbs)
