list(APPEND VORN_SOURCES
  src/eval/poseval.cpp
  src/eval/pieces.cpp
  src/eval/pawns.cpp
  src/eval/king.cpp
)
