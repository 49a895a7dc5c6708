# The decoder's tables, raw and derived, generated from the verified MPEG table data in mpeg/data.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(MPEG_TABLES_DIR ${CMAKE_CURRENT_SOURCE_DIR}/mpeg/data)
set(MPEG_TABLES_OUT ${CMAKE_CURRENT_BINARY_DIR}/mpeg_tables_data.cpp)
set(MPEG_DERIVED_OUT ${CMAKE_CURRENT_BINARY_DIR}/mpeg_decodetables_data.cpp)
file(GLOB MPEG_TABLES_JSON CONFIGURE_DEPENDS ${MPEG_TABLES_DIR}/*.json)
add_custom_command(
  OUTPUT ${MPEG_TABLES_OUT} ${MPEG_DERIVED_OUT}
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/mpeg/gen_tables.py ${MPEG_TABLES_DIR} ${MPEG_TABLES_OUT} ${MPEG_DERIVED_OUT}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/mpeg/gen_tables.py ${MPEG_TABLES_JSON}
  COMMENT "Generating MPEG decoder tables")
target_sources(audio_core PRIVATE ${MPEG_TABLES_OUT} ${MPEG_DERIVED_OUT})

# The decoder's inner loops gain from the compiler's full optimisation.
file(GLOB MPEG_DECODER_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/mpeg/*.cpp)
set_source_files_properties(${MPEG_DECODER_SOURCES} PROPERTIES COMPILE_OPTIONS "$<$<NOT:$<CONFIG:Debug>>:-O3>")

# The AVX2 kernels: one file compiled for those instructions on x86-64; the
# decoder runs it only where the CPU reports them.
include(CheckCXXCompilerFlag)
if(NOT EMSCRIPTEN AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  check_cxx_compiler_flag(-mavx2 TESS_HAVE_AVX2_FLAGS)
endif()
# The kernels round as written: no multiply-add contracted by the compiler.
check_cxx_compiler_flag(-ffp-contract=off TESS_HAVE_FP_CONTRACT_FLAG)
if(TESS_HAVE_FP_CONTRACT_FLAG)
  set_property(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/mpeg/kernels.cpp ${CMAKE_CURRENT_SOURCE_DIR}/mpeg/kernels_avx2.cpp
               APPEND PROPERTY COMPILE_OPTIONS -ffp-contract=off)
endif()
if(TESS_HAVE_AVX2_FLAGS)
  set_property(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/mpeg/kernels_avx2.cpp APPEND PROPERTY COMPILE_OPTIONS -mavx2)
  set_property(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/mpeg/kernels.cpp APPEND PROPERTY COMPILE_DEFINITIONS TESS_MPEG_AVX2)
endif()
