vorn_library(vorn_shell
  src/shell/startup.cpp
  src/shell/humanmov.cpp
  src/shell/gameloop.cpp
  src/shell/interpreter.cpp
  src/shell/epdsuite.cpp
  src/shell/reports.cpp
  src/shell/uciprotocol.cpp
  src/shell/ucimoves.cpp
  src/shell/bench.cpp
)
target_link_libraries(vorn_shell PUBLIC vorn_search)
