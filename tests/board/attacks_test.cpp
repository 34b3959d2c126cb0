#include <gtest/gtest.h>

#include "board/board.h"
