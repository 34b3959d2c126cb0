vorn_library(vorn_movegen
  src/movegen/movegen.cpp
  src/movegen/legal.cpp
  src/movegen/perft.cpp
  src/movegen/see.cpp
  src/movegen/san.cpp
)
target_link_libraries(vorn_movegen PUBLIC vorn_board)
