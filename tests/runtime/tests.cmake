quillmark_test(text_test SOURCES runtime/text_test.cpp LIBS qm_ui)
target_link_libraries(text_test PRIVATE oleaut32)
quillmark_wine_test(text_cp1252 text_test ARGS --gtest_filter=-*Cp932*:*Cp65001*)
quillmark_wine_test(text_cp932 text_test ARGS --gtest_filter=*Cp932* ENV LC_ALL=ja_JP.UTF-8)
# The flag table too: in code page 65001 the code page behind CP_ACP decides.
quillmark_wine_test(text_cp65001 text_test
                    ARGS --gtest_filter=*Cp65001*:TextConversion.PrecomposedOnlyWhereTheCodePageTakesIt
                    ENV LC_ALL=hi_IN.UTF-8)
quillmark_test(process_test SOURCES runtime/process_test.cpp LIBS qm_ui)
quillmark_wine_test(process process_test)
