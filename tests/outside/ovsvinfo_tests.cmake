# The header library stand-in, loaded by name as the controls load it, on the real Dorvik, Pakkel and cabinet
# library; and its fake. The sources end in _tests.cpp, apart from the folder's *_test.cpp, which make
# outside_tests.
vek_require_targets("The header library's tests" OvSvInfo ovsvinfo_fake Dorvik Pakkel CABINET dorvik_sql_libraries)
vek_add_test(ovsvinfo_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/ovsvinfo_tests.cpp LIBS ovsvinfo_headers)
target_include_directories(ovsvinfo_tests PRIVATE ${CMAKE_SOURCE_DIR}/DBAcs/DBAcs/DBAcsFlDat/Dorvik)
add_dependencies(ovsvinfo_tests OvSvInfo Dorvik Pakkel CABINET dorvik_sql_libraries)

vek_add_test(ovsvinfo_fake_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/ovsvinfo_fake_tests.cpp LIBS ovsvinfo_fake)
