vorn_test_suite(shell_tests shell/startup_test.cpp)
