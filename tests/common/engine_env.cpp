// Fills the engine's tables once before any test of a suite runs.

#include <gtest/gtest.h>

#include "shell/startup.h"

namespace {

class EngineEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { InitEngine(); }
};

const auto *const ENVIRONMENT = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

} // namespace
