# The table core's tests that every build runs: the document tests (parameterised by the DOM adapters
# a build lists in its dom_adapters()) and the tests of the core's pure functions. The native build
# adds the native adapters' own tests; the Windows build adds those of the MSXML adapter.
set(VEX_TABLECORE_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/test_area_renderer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_documents.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_dom_calls.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_dom_reading.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_values.cpp
)
set(VEX_TABLECORE_TEST_DOCUMENTS ${CMAKE_CURRENT_LIST_DIR}/documents)
set(VEX_TABLECORE_REGRESSIONS ${CMAKE_CURRENT_LIST_DIR}/regressions)
