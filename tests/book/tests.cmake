vorn_test_suite(book_tests book/book_test.cpp)
