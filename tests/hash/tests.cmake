vorn_test_suite(hash_tests hash/hashcode_test.cpp hash/book_test.cpp)
