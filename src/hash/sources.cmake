list(APPEND VORN_SOURCES
  src/hash/hashcode.cpp
  src/hash/book.cpp
)
