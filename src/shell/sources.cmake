vorn_library(vorn_shell
  src/shell/text.cpp
  src/shell/input.cpp
  src/shell/thinking.cpp
  src/shell/startup.cpp
  src/shell/reports.cpp
  src/shell/uci.cpp
  src/shell/dialogue.cpp
  src/shell/pgn.cpp
  src/shell/xboard.cpp
  src/shell/gameloop.cpp
  src/shell/epdsuite.cpp
  src/shell/bench.cpp
)
target_link_libraries(vorn_shell PUBLIC vorn_search)
