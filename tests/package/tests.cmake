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

# The release made with a test certificate (release.sh), and its package installed under Wine.
set(_release ${CMAKE_BINARY_DIR}/release-test)
add_test(NAME release COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/package/release_test.sh ${_release})
add_test(NAME msi COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/package/msi_test.sh ${QM_WINE_ENV}
         ${_release}/signed ${CMAKE_BINARY_DIR} ${QM_WINE_ARCH})
set_tests_properties(release PROPERTIES FIXTURES_SETUP release)
set_tests_properties(msi PROPERTIES FIXTURES_REQUIRED "wine;release" RESOURCE_LOCK wine_desktop)
