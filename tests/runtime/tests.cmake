quillmark_test(text_test SOURCES runtime/text_test.cpp LIBS qm_ui)
target_link_libraries(text_test PRIVATE oleaut32)
quillmark_wine_test(text_cp1252 text_test ARGS --gtest_filter=-*Cp932*)
quillmark_wine_test(text_cp932 text_test ARGS --gtest_filter=*Cp932* ENV LC_ALL=ja_JP.UTF-8)
