vorn_library(vorn_board
  src/board/bitops.cpp
  src/board/attacks.cpp
  src/board/hashcode.cpp
  src/board/board.cpp
  src/board/hugepages.cpp
  src/board/movetext.cpp
  src/board/movehistory.cpp
  src/board/setup.cpp
)
target_link_libraries(vorn_board PUBLIC vorn_core)
