list(APPEND VORN_SOURCES
  src/search/compmov.cpp
  src/search/alphabeta.cpp
  src/search/hashtab.cpp
  src/search/movhist.cpp
)
