vorn_test_suite(hash_tests hash/hashcode_test.cpp)
