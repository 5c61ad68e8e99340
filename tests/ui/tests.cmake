quillmark_test(ui_test
  SOURCES ui/dialog_test.cpp ui/controls_test.cpp ui/menu_bar_test.cpp ui/message_box_test.cpp
  LIBS qm_ui)
quillmark_wine_test(ui_cp1252 ui_test ARGS --gtest_filter=-*Cp932*)
quillmark_wine_test(ui_cp932 ui_test ARGS --gtest_filter=*Cp932* ENV LC_ALL=ja_JP.UTF-8)
