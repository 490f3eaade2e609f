# Tests of the table core's Windows side under Wine: the core's document tests against MSXML, and the
# MSXML adapter's and the trace forwarding's own tests. (The Windows side itself is part of vex_objects.)

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
