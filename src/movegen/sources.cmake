list(APPEND VORN_SOURCES
  src/movegen/movegen.cpp
  src/movegen/perft.cpp
)
