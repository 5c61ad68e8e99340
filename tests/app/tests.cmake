# End-to-end tests: the built Quillmark.exe driven from another process under Wine.
quillmark_test(app_e2e_test
  SOURCES app/driver.cpp app/startup_test.cpp app/layout_test.cpp
  app/editor_test.cpp app/screenshot_test.cpp app/save_refusal_test.cpp
  LIBS qm_app)
add_dependencies(app_e2e_test Quillmark)
quillmark_wine_test(app_e2e app_e2e_test ARGS --gtest_filter=-*Cp932*:*Cp65001*)
quillmark_wine_test(app_e2e_cp932 app_e2e_test ARGS --gtest_filter=*Cp932* ENV LC_ALL=ja_JP.UTF-8)
quillmark_wine_test(app_e2e_cp65001 app_e2e_test ARGS --gtest_filter=*Cp65001*
                    ENV LC_ALL=hi_IN.UTF-8)

add_test(NAME app_no_window COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/app/no_window.sh ${QM_WINE_ENV}
         ${QM_TEST_EXE})
set_tests_properties(app_no_window PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine_desktop
                     TIMEOUT 90)

add_test(NAME app_load_order COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/app/load_order.sh ${QM_WINE_ENV}
         ${QM_TEST_EXE})
set_tests_properties(app_load_order PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine_desktop
                     TIMEOUT 90)

# The marker DLL the start-up test plants beside a copy of the program, beside the test program.
add_library(planted_dll SHARED app/planted_dll.c)
target_compile_options(planted_dll PRIVATE -Os -Wall -Wextra)
target_link_options(planted_dll PRIVATE -nostdlib -s
                    -Wl,--entry=${QM_SYMBOL_PREFIX}PlantedEntry$<$<EQUAL:${CMAKE_SIZEOF_VOID_P},4>:@12>)
target_link_libraries(planted_dll PRIVATE kernel32)
set_target_properties(planted_dll PROPERTIES PREFIX "" OUTPUT_NAME planted)
add_dependencies(app_e2e_test planted_dll)

# The recording stand-in for the annotation service, beside the test program.
add_library(accprop_standin SHARED app/accprop_standin.c)
target_compile_options(accprop_standin PRIVATE -Os -Wall -Wno-unused-parameter)
target_link_options(accprop_standin PRIVATE -static-libgcc -s -Wl,--kill-at)
target_link_libraries(accprop_standin PRIVATE ole32)
set_target_properties(accprop_standin PROPERTIES PREFIX "")
add_dependencies(app_e2e_test accprop_standin)
