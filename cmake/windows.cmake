# Windows build (mingw-w64): vex.dll, the test stand-ins and the tests that run under Wine.
enable_language(RC)

add_compile_definitions(UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# Static runtime: the DLL and the test programs import only system DLLs.
add_link_options(-static -static-libgcc -static-libstdc++)

# Type library and interface declarations from the IDL.
set(VEX_GENERATED ${CMAKE_BINARY_DIR}/generated)
set(VEX_WINE_IDL /usr/include/wine/wine/windows)
# importlib("stdole2.tlb") needs Wine's copy; only the 64-bit Wine is installed, and the library it
# describes is the same for both architectures.
set(VEX_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
add_custom_command(
    OUTPUT ${VEX_GENERATED}/vex.h ${VEX_GENERATED}/vex_i.c ${VEX_GENERATED}/vex.tlb
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VEX_GENERATED}
    COMMAND ${VEX_WIDL} ${VEX_WIDL_ARCH} -I${VEX_WINE_IDL} -L${VEX_WINE_TLB_DIR}
            -h -H ${VEX_GENERATED}/vex.h -u -U ${VEX_GENERATED}/vex_i.c -t -T ${VEX_GENERATED}/vex.tlb
            ${CMAKE_SOURCE_DIR}/module/vex.idl
    DEPENDS ${CMAKE_SOURCE_DIR}/module/vex.idl
    COMMENT "widl module/vex.idl"
    VERBATIM)
add_custom_target(vex_idl DEPENDS ${VEX_GENERATED}/vex.h ${VEX_GENERATED}/vex.tlb)

# GUIDs of the type library.
add_library(vex_guids STATIC ${VEX_GENERATED}/vex_i.c)
target_compile_options(vex_guids PRIVATE -w)
add_dependencies(vex_guids vex_idl)

# Everything of the product but its entry points, so that unit tests can link the pieces directly.
add_library(vex_objects STATIC
    com/class_factory.cpp
    com/connection_point.cpp
    com/dispatch.cpp
    com/error_info.cpp
    com/module.cpp
    com/type_library.cpp
    com/control/info.cpp
    com/control/in_place.cpp
    com/control/ole_object.cpp
    com/control/persist.cpp
    com/control/view.cpp
    module/class_table.cpp
    module/registration.cpp
    trace/trace.cpp
    trace/tracer.cpp
    trace/trace_objects.cpp
    automation/automation_calls.cpp
    automation/byte_array.cpp
    automation/conversions.cpp
    automation/ole_shutdown.cpp
    automation/temp_files.cpp
    container/container_control.cpp
    container/container_documents.cpp
    environment/environment.cpp
    factory/factory.cpp
    factory/factory_properties.cpp
    factory/factory_transfer.cpp
    factory/factory_link.cpp
    spreadsheet/spreadsheet.cpp
    spreadsheet/spreadsheet_workbook.cpp
    spreadsheet/windows/excel_formats.cpp
    spreadsheet/windows/excel_navigation.cpp
    spreadsheet/windows/excel_ranges.cpp
    spreadsheet/windows/excel_workbook.cpp
    spreadsheet/windows/msxml_dom.cpp
    spreadsheet/windows/tracer_sink.cpp
    word/word.cpp
    word/field_merge.cpp
)
# The spreadsheet component and its Windows side include the table core by "core/..." and
# "windows/...".
target_include_directories(vex_objects PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/spreadsheet ${VEX_GENERATED})
target_link_libraries(vex_objects PUBLIC vex_tablecore vex_guids ole32 oleaut32 uuid advapi32 gdi32 user32)
add_dependencies(vex_objects vex_idl)

add_library(vex SHARED module/entry_points.cpp module/vex.def module/vex.rc)
set_target_properties(vex PROPERTIES PREFIX "" OUTPUT_NAME vex RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_libraries(vex PRIVATE vex_objects)
target_include_directories(vex PRIVATE ${CMAKE_SOURCE_DIR}/module ${VEX_GENERATED})
# windres reports no dependencies: the registrar scripts, the type library and the manifest the
# resource script takes in are listed here, so that a change to any of them rebuilds the DLL.
file(GLOB VEX_REGISTRAR_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/module/registry/*.rgs)
set_source_files_properties(module/vex.rc PROPERTIES OBJECT_DEPENDS
    "${VEX_GENERATED}/vex.tlb;${CMAKE_SOURCE_DIR}/module/vex.manifest;${CMAKE_SOURCE_DIR}/module/resource.h;${VEX_REGISTRAR_SCRIPTS}")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(vex PRIVATE -Wl,--enable-stdcall-fixup)
endif()

# Tests run under Wine (64-bit build only: 32-bit Wine cannot be installed here).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    include(cmake/windows-tests.cmake)
endif()
