# One INTERFACE target carries the warning and strictness flags of every target of the project.
add_library(kavro_warnings INTERFACE)
target_compile_options(kavro_warnings INTERFACE
    $<$<COMPILE_LANG_AND_ID:CXX,GNU,Clang>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
        -Wcast-align -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough>
    $<$<COMPILE_LANG_AND_ID:C,GNU,Clang>:-Wall -Wextra>)
target_compile_definitions(kavro_warnings INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH QT_USE_QSTRINGBUILDER)

if(KAVRO_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Fuzz builds instrument every library for coverage; only the fuzz targets link libFuzzer's main.
if(KAVRO_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "KAVRO_FUZZ needs clang: configure a fresh build folder (CXX=clang++)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# A static library made of every source file of one layer folder (not its subfolders).
# Layers grow file by file; the glob keeps parallel work from fighting over one list.
# A layer without sources yet is an INTERFACE library, so the targets above it link all the same.
# Usage: kavro_layer_library(name folder [DEPENDS targets...])
function(kavro_layer_library name folder)
    cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
    file(GLOB _sources CONFIGURE_DEPENDS ${folder}/*.cpp)
    file(GLOB _headers CONFIGURE_DEPENDS ${folder}/*.h)
    if(_sources)
        add_library(${name} STATIC ${_sources} ${_headers})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/app)
        target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE kavro_warnings)
        set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/app)
        target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
    endif()
endfunction()
