list(APPEND VORN_SOURCES
  src/hash/hashcode.cpp
)
