// The worker counts the copy run's reliability tests run under: every call
// on the run's own thread, and a pool with more threads than cores.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace tolvane::copy::testing {

inline constexpr std::size_t pool_of_four = 4;

inline const auto worker_counts = ::testing::Values(std::size_t{1}, pool_of_four);

inline std::string worker_count_name(const ::testing::TestParamInfo<std::size_t>& info) {
  return info.param == 1 ? "Serial" : "Pool" + std::to_string(info.param);
}

}  // namespace tolvane::copy::testing
