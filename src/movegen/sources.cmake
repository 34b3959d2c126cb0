list(APPEND VORN_SOURCES
  src/movegen/movegen.cpp
  src/movegen/perft.cpp
)
list(APPEND VORN_SOURCES src/movegen/see.cpp)
