# One helper for every target: standard, warnings, sanitizers.

set(TESS_WARNINGS -Wall -Wextra -Wshadow=local -Wno-unused-parameter)

function(tess_apply_options target)
  target_compile_options(${target} PRIVATE ${TESS_WARNINGS})
  target_compile_features(${target} PUBLIC cxx_std_17)
  if(TESS_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# Sources of a folder (not recursing into sub-folders that hold their own CMakeLists).
function(tess_glob out)
  set(files)
  foreach(dir ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# tess_library(name SOURCES ... DEPS ... [PUBLIC_INCLUDE dir])
function(tess_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS})
  tess_apply_options(${name})
endfunction()

# tess_executable(name SOURCES ... DEPS ...)
function(tess_executable name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  tess_apply_options(${name})
endfunction()

# tess_test(name SOURCES ... DEPS ... [LABELS ...] [TIMEOUT s])
# One GoogleTest executable; each TEST becomes its own CTest entry.
function(tess_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  if(NOT A_LABELS)
    set(A_LABELS unit)
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 60)
  endif()
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_DEPS} tess_test_support GTest::gtest)
  tess_apply_options(${name})
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES LABELS "${A_LABELS}" TIMEOUT ${A_TIMEOUT}
               ENVIRONMENT "TESS_SHARED=${TESS_SHARED_DIR};TESS_BUILD=${PROJECT_BINARY_DIR};TESS_SOURCE=${PROJECT_SOURCE_DIR}"
    DISCOVERY_TIMEOUT 60)
endfunction()

# Add every sub-folder of the current folder that has a CMakeLists.txt.
function(tess_add_subfolders)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  list(SORT children)
  foreach(child ${children})
    get_filename_component(dir ${child} DIRECTORY)
    add_subdirectory(${dir})
  endforeach()
endfunction()
