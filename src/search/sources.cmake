list(APPEND VORN_SOURCES
  src/search/compmov.cpp
)
