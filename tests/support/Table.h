#pragma once

#include "CaseName.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

// One row of a table: what the code is given and what it must give back.
template <typename Input, typename Expected = Input> struct Row {
    const char* name;
    Input input;
    Expected expected;

    // A failure then names its row instead of dumping the row's bytes.
    friend void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }
};

template <typename Input, typename Expected = Input>
using TableTest = testing::TestWithParam<Row<Input, Expected>>;

// Runs every test of `suite` once for each row given after it, each named after its row.
#define INSTANTIATE_TABLE(prefix, suite, ...)                                                      \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        prefix, suite, testing::ValuesIn(std::vector<suite::ParamType>{__VA_ARGS__}), CaseName())
