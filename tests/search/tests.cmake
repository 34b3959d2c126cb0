vorn_test_suite(search_tests search/hashtab_test.cpp)
vorn_test_suite(search_engine_tests search/search_test.cpp search/ordering_test.cpp search/timecontrol_test.cpp search/budget_test.cpp)
