vorn_test_suite(eval_tests
  eval/poseval_test.cpp
  eval/terms_test.cpp
  eval/symmetry_test.cpp
  eval/pawn_reference_test.cpp
)

# Evaluations per second on the benchmark positions, with and without the pawn hash.
add_executable(eval_bench eval/eval_bench.cpp)
target_link_libraries(eval_bench PRIVATE vorn_shell)
target_include_directories(eval_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
