list(APPEND VORN_SOURCES
  src/shell/status.cpp
  src/shell/platform.cpp
  src/shell/startup.cpp
  src/shell/humanmov.cpp
  src/shell/gameloop.cpp
  src/shell/interpreter.cpp
  src/shell/epdsuite.cpp
  src/shell/protocol.cpp
  src/shell/uciprotocol.cpp
  src/shell/ucimoves.cpp
  src/shell/bench.cpp
)
