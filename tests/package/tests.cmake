quillmark_test(package_test SOURCES package/package_test.cpp LIBS qm_runtime)
target_link_libraries(package_test PRIVATE version)
add_dependencies(package_test Quillmark)
# The other architecture's Quillmark.exe (the presets name it), read as a file by the same
# checks; test.sh builds both before either's tests run.
set(QUILLMARK_TWIN_EXE "" CACHE FILEPATH "The other architecture's Quillmark.exe")
if(QUILLMARK_TWIN_EXE)
  string(REPLACE "/" "\\" _twin_windows "Z:${QUILLMARK_TWIN_EXE}")
  quillmark_wine_test(package package_test ENV "QUILLMARK_TWIN_EXE=${_twin_windows}")
else()
  quillmark_wine_test(package package_test)
endif()
add_test(NAME package_no_run_time_init
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/package/no_run_time_init.sh ${CMAKE_NM}
                 $<TARGET_FILE:qm_app> $<TARGET_FILE:qm_persist> $<TARGET_FILE:qm_ui>
                 $<TARGET_FILE:qm_runtime>)
