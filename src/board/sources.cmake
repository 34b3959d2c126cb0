list(APPEND VORN_SOURCES
  src/board/bitops.cpp
  src/board/attacks.cpp
  src/board/board.cpp
  src/board/hugepages.cpp
  src/board/setup.cpp
)
