include(GoogleTest)

# vek_add_library(<target> MODULE_NAME <name> EXPORTS <sym>... SOURCES <src>... [LIBS <lib>...])
#
# A shared library of the system: hidden visibility, internal calls bound to the
# library itself (-Bsymbolic), no GNU unique symbols, and a version script that
# exports exactly the listed names. The file is lib<MODULE_NAME>.so, the name the
# module loader maps "<MODULE_NAME>.dll" to.
function(vek_add_library target)
  cmake_parse_arguments(ARG "" "MODULE_NAME" "EXPORTS;SOURCES;LIBS" ${ARGN})
  if(NOT ARG_MODULE_NAME)
    set(ARG_MODULE_NAME ${target})
  endif()
  add_library(${target} SHARED ${ARG_SOURCES})
  set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  set(body "{\n  global:\n")
  foreach(sym ${ARG_EXPORTS})
    string(APPEND body "    ${sym};\n")
  endforeach()
  string(APPEND body "  local:\n    *;\n};\n")
  file(WRITE ${map} "${body}")
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${ARG_MODULE_NAME}
    CXX_VISIBILITY_PRESET hidden
    C_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${map})
  target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-fno-gnu-unique>)
  target_link_options(${target} PRIVATE -Wl,-Bsymbolic -Wl,--version-script=${map} -Wl,--no-undefined)
  if(ARG_LIBS)
    target_link_libraries(${target} PRIVATE ${ARG_LIBS})
  endif()
  set_property(TARGET ${target} PROPERTY VEK_EXPORTS "${ARG_EXPORTS}")
endfunction()

# vek_add_export_test(<target>): a ctest that compares the library's dynamic
# exports (nm -D --defined-only) with the list given to vek_add_library.
function(vek_add_export_test target)
  get_property(exports TARGET ${target} PROPERTY VEK_EXPORTS)
  string(REPLACE ";" "," joined "${exports}")
  add_test(NAME exports.${target}
    COMMAND ${CMAKE_SOURCE_DIR}/tests/support/check_exports.sh $<TARGET_FILE:${target}> "${joined}")
endfunction()

# vek_add_test(<name> SOURCES <src>... [LIBS <lib>...]): a GoogleTest program run by ctest.
function(vek_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE vek_test_support ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  # The discovery script cannot carry a list in a property, so the environment is set on the discovered
  # tests (listed in ${name}_TESTS) by a file that ctest includes after the discovered ones.
  set(env_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
  file(WRITE ${env_file} "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT\n    \"QT_QPA_PLATFORM=offscreen;VEK_MODULE_PATH=${CMAKE_BINARY_DIR}/lib;VEK_SOURCE_DIR=${CMAKE_SOURCE_DIR};VEK_BINARY_DIR=${CMAKE_BINARY_DIR}\")\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_file})
endfunction()
