list(APPEND VORN_SOURCES
  src/movegen/movegen.cpp
)
