vorn_library(vorn_eval
  src/eval/poseval.cpp
  src/eval/pieces.cpp
  src/eval/pawns.cpp
  src/eval/king.cpp
)
target_link_libraries(vorn_eval PUBLIC vorn_board)
