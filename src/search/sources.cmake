vorn_library(vorn_search
  src/search/timeman.cpp
  src/search/driver.cpp
  src/search/alphabeta.cpp
  src/search/ordering.cpp
  src/search/hashtab.cpp
  src/search/linetext.cpp
  src/search/threads.cpp
  src/search/strength.cpp
)
target_link_libraries(vorn_search PUBLIC vorn_book vorn_eval vorn_movegen Threads::Threads)
