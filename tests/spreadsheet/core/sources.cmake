# The table core's tests that every build runs: the document tests (parameterised by the DOM adapters
# a build lists in its dom_adapters()) and the tests of the core's pure functions. The native build
# adds the pugixml adapter's own tests; the Windows build adds those of the MSXML adapter.
set(VEX_TABLECORE_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/test_area_renderer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_bad_input.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_cells.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_colour_justify_lookup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_dom_failures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_dom_reading.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_fields_columns_units.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_handle_balance.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_header_areas.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_layout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_list_blocks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_number_formats.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_preconditions_load.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_rows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_sibling_trace.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_text_values.cpp
)
set(VEX_TABLECORE_TEST_DOCUMENTS ${CMAKE_CURRENT_LIST_DIR}/documents)
set(VEX_TABLECORE_REGRESSIONS ${CMAKE_CURRENT_LIST_DIR}/regressions)
