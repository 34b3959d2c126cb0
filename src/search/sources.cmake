list(APPEND VORN_SOURCES
  src/search/compmov.cpp
)
list(APPEND VORN_SOURCES
  src/search/hashtab.cpp
  src/search/movhist.cpp
)
