quillmark_test(package_test SOURCES package/package_test.cpp LIBS qm_runtime)
target_link_libraries(package_test PRIVATE version)
add_dependencies(package_test Quillmark)
quillmark_wine_test(package package_test)
