# Included by tests/Dorvik/CMakeLists.txt: the Pakkel that saving and opening are tested with.

# A Pakkel that really packs and unpacks, through the peers gcab and cabextract.
vek_add_library(gcab_pakkel MODULE_NAME Pakkel
  EXPORTS CompressFile UncompressFile GcabPakkelSet GcabPakkelCompressCalls
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fakes/gcab_pakkel.cpp
  LIBS vekplatform)
set_target_properties(gcab_pakkel PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/gcabpakkel)
add_dependencies(dorvik_tests gcab_pakkel)
target_compile_definitions(dorvik_tests PRIVATE GCAB_PAKKEL_DIR="${CMAKE_CURRENT_BINARY_DIR}/gcabpakkel")

# Saving and opening run on the real Pakkel and cabinet library.
vek_require_targets("The saving and opening tests" Pakkel CABINET)
target_compile_definitions(dorvik_tests PRIVATE SAVE_PAKKEL_DIR="${CMAKE_BINARY_DIR}/lib")
add_dependencies(dorvik_tests Pakkel CABINET)
