vorn_test_suite(shell_tests shell/startup_test.cpp)
vorn_test_suite(xboard_tests shell/xboard_test.cpp shell/console_test.cpp shell/epd_test.cpp)
vorn_test_suite(uci_tests shell/uci_test.cpp)
vorn_slow_test_suite(xboard_match_tests shell/xboard_match_test.cpp)
