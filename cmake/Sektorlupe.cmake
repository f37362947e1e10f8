# Shared compile settings and the one-library-per-folder helper.

# Sources are UTF-8; 8-bit literals become code page 1252, the program's ANSI code page,
# so German texts such as "Größe" are written as they stand.
add_compile_options(
  $<$<COMPILE_LANGUAGE:C,CXX>:-finput-charset=UTF-8>
  $<$<COMPILE_LANGUAGE:C,CXX>:-fexec-charset=CP1252>
  $<$<COMPILE_LANGUAGE:C,CXX>:-Wall>
  $<$<COMPILE_LANGUAGE:C,CXX>:-Wextra>
  $<$<COMPILE_LANGUAGE:CXX>:-Wno-missing-field-initializers>
)
add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0800 STRICT)
# Static runtime: the .exe runs on a bare Windows or Wine without mingw DLLs beside it.
add_link_options(-static -static-libgcc -static-libstdc++)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 1252")

# sl_library(<name> [DEPS <targets and system libraries>...] [EXCLUDE <regex>...])
# Builds every .cpp/.c of the calling folder into one static library; headers are included
# as "folder/Header.h" from the source root.
function(sl_library name)
  cmake_parse_arguments(SL "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c
       ${CMAKE_CURRENT_SOURCE_DIR}/*/*.cpp)
  foreach(_ex IN LISTS SL_EXCLUDE)
    list(FILTER _src EXCLUDE REGEX "${_ex}")
  endforeach()
  file(GLOB _hdr CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*/*.h)
  if(_src)
    add_library(${name} STATIC ${_src} ${_hdr})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${SL_DEPS})
  else()
    # A folder whose subsystem is not built yet: headers only.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${SL_DEPS})
  endif()
endfunction()

# sl_test_suite(<folder> DEPS <libraries>...)
# One test executable per source folder (each Wine start costs seconds), registered as one
# CTest test that needs the shared Wine prefix and display.
function(sl_test_suite folder)
  cmake_parse_arguments(SL "" "" "DEPS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*/*.cpp)
  if(NOT _src)
    return()
  endif()
  set(exe test_${folder})
  # CrashExit.cpp makes a test program that crashes end with a failure.
  add_executable(${exe} ${_src} ${PROJECT_SOURCE_DIR}/tests/support/CrashExit.cpp)
  target_link_libraries(${exe} PRIVATE ${SL_DEPS} sl_testsupport gtest_main)
  add_test(NAME ${folder} COMMAND ${exe} --gtest_color=no)
  # The suites share one display: focus, activation and the clipboard are per display, so
  # they take turns rather than steal them from each other.
  set_tests_properties(${folder} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 900 RESOURCE_LOCK display
    ENVIRONMENT "SL_SOURCE_DIR=${PROJECT_SOURCE_DIR};SL_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()
