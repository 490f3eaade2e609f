# The table core's Windows side: the MSXML DOM adapter and the trace forwarding, and their tests
# under Wine (the core's document tests against MSXML, and the adapters' own tests).

add_library(vex_spreadsheet_windows STATIC
    spreadsheet/windows/msxml_dom.cpp
    spreadsheet/windows/tracer_sink.cpp
)
target_include_directories(vex_spreadsheet_windows PUBLIC ${CMAKE_SOURCE_DIR}/spreadsheet)
target_link_libraries(vex_spreadsheet_windows PUBLIC vex_tablecore vex_objects)

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
target_link_libraries(tablecore_windows_tests PRIVATE vex_spreadsheet_windows)
