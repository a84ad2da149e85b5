#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/error.h"

// Expects `statement` to throw orlscr::Error (or a type derived from it) whose
// message is exactly `message`.
#define EXPECT_ERROR_MSG(statement, message)                                          \
    do {                                                                              \
        try {                                                                         \
            statement;                                                                \
            ADD_FAILURE() << "expected an error \"" << (message) << "\", none thrown"; \
        } catch (const orlscr::Error& error_) {                                       \
            EXPECT_EQ(std::string(error_.what()), std::string(message));              \
        }                                                                             \
    } while (0)
