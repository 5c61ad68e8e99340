quillmark_test(persist_test
  SOURCES persist/registry_path_test.cpp persist/registry_value_test.cpp
          persist/file_output_test.cpp persist/save_log_test.cpp persist/notice_store_test.cpp
          persist/notice_policy_test.cpp
  LIBS qm_persist)
quillmark_wine_test(persist_cp1252 persist_test ARGS --gtest_filter=-*Cp932*:*Cp65001*)
quillmark_wine_test(persist_cp932 persist_test ARGS --gtest_filter=*Cp932* ENV LC_ALL=ja_JP.UTF-8)
