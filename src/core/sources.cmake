vorn_library(vorn_core
  src/core/status.cpp
  src/core/platform.cpp
)
