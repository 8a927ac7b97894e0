# The header library stand-in, loaded by name as the controls load it, on the real Dorvik (and Pakkel and the
# cabinet library once they are built); and its fake. The sources end in _tests.cpp, apart from the folder's
# *_test.cpp, which make outside_tests.
if(TARGET OvSvInfo)
  vek_add_test(ovsvinfo_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/ovsvinfo_tests.cpp LIBS ovsvinfo_headers)
  # Dorvik's prototypes, for the probe whether its opening is built.
  target_include_directories(ovsvinfo_tests PRIVATE ${CMAKE_SOURCE_DIR}/DBAcs/DBAcs/DBAcsFlDat/Dorvik)
  add_dependencies(ovsvinfo_tests OvSvInfo)
  foreach(needed Dorvik Pakkel CABINET dorvik_sql_libraries)
    if(TARGET ${needed})
      add_dependencies(ovsvinfo_tests ${needed})
    endif()
  endforeach()
endif()

if(TARGET ovsvinfo_fake)
  vek_add_test(ovsvinfo_fake_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/ovsvinfo_fake_tests.cpp LIBS ovsvinfo_fake)
endif()
