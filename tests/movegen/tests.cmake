vorn_test_suite(movegen_tests
  movegen/movegen_test.cpp
  movegen/perft_test.cpp
  movegen/movetext_test.cpp
)
vorn_slow_test_suite(movegen_slow_tests
  movegen/perft_slow_test.cpp
)
vorn_test_suite(see_tests movegen/see_test.cpp)
