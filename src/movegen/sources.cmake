list(APPEND VORN_SOURCES
  src/movegen/movegen.cpp
  src/movegen/ordering.cpp
  src/movegen/perft.cpp
  src/movegen/see.cpp
)
