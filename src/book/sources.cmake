vorn_library(vorn_book
  src/book/book.cpp
  src/book/polyglot.cpp
)
target_link_libraries(vorn_book PUBLIC vorn_movegen)
