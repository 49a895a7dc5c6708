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
target_sources(audio PRIVATE ${MPEG_TABLES_OUT} ${MPEG_DERIVED_OUT})

# The decoder's inner loops gain from the compiler's full optimisation.
file(GLOB MPEG_DECODER_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/mpeg/*.cpp)
set_source_files_properties(${MPEG_DECODER_SOURCES} PROPERTIES COMPILE_OPTIONS "$<$<NOT:$<CONFIG:Debug>>:-O3>")
