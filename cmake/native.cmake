# Native (Linux) build of the table core's surroundings: the pugixml and the streaming (expat) DOM
# adapters, the file texts, the core's tests, the libFuzzer targets, the table document generator and
# the parse benchmarks.
#
# Options:
#   VEX_TABLECORE_FUZZ   build the libFuzzer target (needs clang)        default: ON with clang
#   VEX_TABLECORE_BENCH  build the generator and the benchmark           default: ON

find_package(pugixml REQUIRED CONFIG)
find_package(EXPAT REQUIRED)

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(_vex_fuzz_default ON)
else()
    set(_vex_fuzz_default OFF)
endif()
option(VEX_TABLECORE_FUZZ "Build the table parser fuzz target" ${_vex_fuzz_default})
option(VEX_TABLECORE_BENCH "Build the table document generator and parse benchmark" ON)

set(VEX_NATIVE_DOM_SOURCES
    ${CMAKE_SOURCE_DIR}/spreadsheet/native/document_checks.cpp
    ${CMAKE_SOURCE_DIR}/spreadsheet/native/file_text.cpp
    ${CMAKE_SOURCE_DIR}/spreadsheet/native/markup_checks.cpp
    ${CMAKE_SOURCE_DIR}/spreadsheet/native/pugixml_dom.cpp
    ${CMAKE_SOURCE_DIR}/spreadsheet/native/streaming_dom.cpp
    ${CMAKE_SOURCE_DIR}/spreadsheet/native/xml_references.cpp
    ${CMAKE_SOURCE_DIR}/spreadsheet/native/xml_scanner.cpp
)

add_library(vex_native_dom STATIC ${VEX_NATIVE_DOM_SOURCES})
target_include_directories(vex_native_dom PUBLIC ${CMAKE_SOURCE_DIR}/spreadsheet)
target_link_libraries(vex_native_dom PUBLIC vex_tablecore pugixml::static EXPAT::EXPAT)

add_subdirectory(tests/spreadsheet/core)

# The workbook port on libxlsxwriter (an .xlsx file holding what Excel holds after the renderer's
# calls), vex-render on it, and their tests and benchmark.
find_library(VEX_XLSXWRITER_LIBRARY xlsxwriter REQUIRED)
find_path(VEX_XLSXWRITER_INCLUDE_DIR xlsxwriter.h REQUIRED)
add_library(vex_xlsx_workbook STATIC
    ${CMAKE_SOURCE_DIR}/spreadsheet/native/excel_locale.cpp
    ${CMAKE_SOURCE_DIR}/spreadsheet/native/excel_number_format.cpp
    ${CMAKE_SOURCE_DIR}/spreadsheet/native/xlsx_workbook.cpp
)
target_include_directories(vex_xlsx_workbook PUBLIC ${CMAKE_SOURCE_DIR}/spreadsheet)
target_include_directories(vex_xlsx_workbook SYSTEM PRIVATE ${VEX_XLSXWRITER_INCLUDE_DIR})
target_link_libraries(vex_xlsx_workbook PUBLIC vex_tablecore ${VEX_XLSXWRITER_LIBRARY})
add_subdirectory(render)
add_subdirectory(tests/render)

if(VEX_TABLECORE_FUZZ)
    # The fuzz target compiles the core and the adapter itself, so that they carry the fuzzer's
    # coverage instrumentation without it leaking into the other targets.
    add_executable(table_parser_fuzzer
        ${CMAKE_SOURCE_DIR}/tests/spreadsheet/core/fuzz/table_parser_fuzzer.cpp
        ${VEX_TABLECORE_SOURCES}
        ${VEX_NATIVE_DOM_SOURCES}
    )
    target_include_directories(table_parser_fuzzer PRIVATE ${CMAKE_SOURCE_DIR}/spreadsheet)
    target_compile_options(table_parser_fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_options(table_parser_fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_libraries(table_parser_fuzzer PRIVATE pugixml::pugixml EXPAT::EXPAT)

    # The streaming adapter reading a document as a stream, held against pugixml's reading of it.
    add_executable(streaming_parser_fuzzer
        ${CMAKE_SOURCE_DIR}/tests/spreadsheet/core/fuzz/streaming_parser_fuzzer.cpp
        ${VEX_TABLECORE_SOURCES}
        ${VEX_NATIVE_DOM_SOURCES}
    )
    target_include_directories(streaming_parser_fuzzer PRIVATE
        ${CMAKE_SOURCE_DIR}/spreadsheet ${CMAKE_SOURCE_DIR}/tests/spreadsheet/core)
    target_compile_options(streaming_parser_fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_options(streaming_parser_fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_libraries(streaming_parser_fuzzer PRIVATE pugixml::pugixml EXPAT::EXPAT)
endif()

if(VEX_TABLECORE_BENCH)
    add_library(vex_table_generator STATIC ${CMAKE_SOURCE_DIR}/tests/spreadsheet/core/bench/table_document_generator.cpp)
    target_include_directories(vex_table_generator PUBLIC ${CMAKE_SOURCE_DIR}/tests/spreadsheet/core/bench)
    target_link_libraries(vex_table_generator PUBLIC vex_tablecore)

    add_executable(table_document_generator ${CMAKE_SOURCE_DIR}/tests/spreadsheet/core/bench/generator_main.cpp)
    target_link_libraries(table_document_generator PRIVATE vex_table_generator)

    add_executable(table_parse_bench ${CMAKE_SOURCE_DIR}/tests/spreadsheet/core/bench/table_parse_bench.cpp)
    target_link_libraries(table_parse_bench PRIVATE vex_table_generator vex_native_dom)

    add_executable(table_stream_bench ${CMAKE_SOURCE_DIR}/tests/spreadsheet/core/bench/table_stream_bench.cpp)
    target_link_libraries(table_stream_bench PRIVATE vex_table_generator vex_native_dom)
endif()
