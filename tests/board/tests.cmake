vorn_test_suite(board_tests
  board/attacks_test.cpp
  board/board_test.cpp
  board/makemove_test.cpp
  board/fen_test.cpp
  board/hashcode_test.cpp
  board/movhist_test.cpp
)
