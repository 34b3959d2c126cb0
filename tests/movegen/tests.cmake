vorn_test_suite(movegen_tests
  movegen/movegen_test.cpp
  movegen/movetext_test.cpp
)
