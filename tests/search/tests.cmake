vorn_test_suite(search_tests
  search/hashtab_test.cpp
  search/movhist_test.cpp
)
