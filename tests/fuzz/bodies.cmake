# Sources of the fuzz targets' bodies, shared by the fuzz build and the replay test.
set(FUZZ_BODY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/fuzz_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/listing_body.cpp
  ${CMAKE_CURRENT_LIST_DIR}/profile_body.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rom_name_body.cpp
  ${CMAKE_CURRENT_LIST_DIR}/table_info_body.cpp
)
