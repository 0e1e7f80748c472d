// Corner extrapolation and nodal averaging of one step, and the per-step store.

#include "model/nodal_stress.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "records/fatal.hpp"
#include "model/step_store.hpp"

namespace meridian {
namespace {

ElementPrintout uniform(double value) {
  ElementPrintout gauss;
  for (auto& point : gauss) point.fill(value);
  return gauss;
}

TEST(NodalStress, EqualPointValuesGiveThatValueAtEveryCorner) {
  NodalStressAccumulator accumulator(8);
  accumulator.start_step();
  accumulator.add_element({1, 2, 3, 4, 5, 6, 7, 8}, uniform(-12.5));
  std::vector<double> stress(56);
  accumulator.finish(stress);
  EXPECT_EQ(stress, std::vector<double>(56, -12.5));
}

TEST(NodalStress, CornerExtrapolationUsesTheOppositePoint) {
  // Component c at point p: 10p + c.
  ElementPrintout gauss;
  for (int p = 0; p < 8; ++p) {
    for (int c = 0; c < 7; ++c) gauss[p][c] = 10.0 * (p + 1) + c;
  }
  NodalStressAccumulator accumulator(8);
  accumulator.start_step();
  accumulator.add_element({1, 2, 3, 4, 5, 6, 7, 8}, gauss);
  std::vector<double> stress(56);
  accumulator.finish(stress);
  const int opposite[8] = {7, 8, 5, 6, 3, 4, 1, 2};
  for (int k = 0; k < 8; ++k) {
    for (int c = 0; c < 7; ++c) {
      const double g = 10.0 * (k + 1) + c;
      const double o = 10.0 * opposite[k] + c;
      EXPECT_EQ(stress[k * 7 + c], (g - o) * 0.3660254193280634 + g) << k << " " << c;
    }
  }
  // Corner 1 of point values 10 and 70: 10 - 60 x factor.
  EXPECT_EQ(stress[0], -11.961525159683802);
}

TEST(NodalStress, SharedNodeIsThePlainMeanAndUnusedNodeIsZero) {
  NodalStressAccumulator accumulator(13);
  accumulator.start_step();
  accumulator.add_element({1, 2, 3, 4, 5, 6, 7, 8}, uniform(3.0));
  accumulator.add_element({2, 9, 10, 3, 6, 11, 12, 7}, uniform(4.0));
  std::vector<double> stress(13 * 7, -1.0);
  accumulator.finish(stress);
  EXPECT_EQ(stress[0 * 7], 3.0);
  EXPECT_EQ(stress[1 * 7 + 6], 3.5);
  EXPECT_EQ(stress[8 * 7 + 3], 4.0);
  for (int c = 0; c < 7; ++c) EXPECT_EQ(stress[12 * 7 + c], 0.0);  // node 13: no element
}

TEST(NodalStress, SumsFollowElementThenCornerOrder) {
  // Three additions whose rounding depends on their order.
  NodalStressAccumulator accumulator(3);
  accumulator.start_step();
  accumulator.add_element({1, 2, 2, 2, 2, 2, 2, 2}, uniform(1e16));
  accumulator.add_element({1, 3, 3, 3, 3, 3, 3, 3}, uniform(1.0));
  accumulator.add_element({1, 3, 3, 3, 3, 3, 3, 3}, uniform(1.0));
  std::vector<double> stress(21);
  accumulator.finish(stress);
  // ((0 + 1e16) + 1) + 1 stays 1e16; any other order would reach 1e16 + 2.
  const double expected = 3333333333333333.5;
  EXPECT_EQ(stress[0], expected);
}

TEST(NodalStress, StartStepClearsTheSums) {
  NodalStressAccumulator accumulator(8);
  accumulator.start_step();
  accumulator.add_element({1, 2, 3, 4, 5, 6, 7, 8}, uniform(9.0));
  accumulator.start_step();
  std::vector<double> stress(56, 1.0);
  accumulator.finish(stress);
  EXPECT_EQ(stress, std::vector<double>(56, 0.0));
}

TEST(NodalStress, CornersWithoutANodeAreSkipped) {
  NodalStressAccumulator accumulator(2);
  accumulator.start_step();
  accumulator.add_element({0, 0, 0, 0, 0, 0, 0, 2}, uniform(5.0));
  std::vector<double> stress(14);
  accumulator.finish(stress);
  EXPECT_EQ(stress[7], 5.0);
  EXPECT_EQ(stress[0], 0.0);
}

TEST(StepStore, KeepsEveryStepInOrder) {
  StepStore store(3);
  for (int s = 1; s <= 12; ++s) {
    std::vector<double> result(12), stress(21);
    for (std::size_t i = 0; i < result.size(); ++i) result[i] = s * 100.0 + i;
    for (std::size_t i = 0; i < stress.size(); ++i) stress[i] = -s * 100.0 - i;
    store.append(result, stress);
  }
  EXPECT_EQ(store.step_count(), 12);
  EXPECT_EQ(store.node_capacity(), 3);
  std::vector<double> result, stress;
  for (int s : {7, 1, 12, 3}) {
    store.load(s, result, stress);
    ASSERT_EQ(result.size(), 12u);
    ASSERT_EQ(stress.size(), 21u);
    EXPECT_EQ(result[5], s * 100.0 + 5);
    EXPECT_EQ(stress[20], -s * 100.0 - 20);
  }
  // Appending after a load goes to the end.
  store.append(std::vector<double>(12, 1.5), std::vector<double>(21, 2.5));
  store.load(13, result, stress);
  EXPECT_EQ(result[0], 1.5);
  store.load(2, result, stress);
  EXPECT_EQ(result[0], 200.0);
}

TEST(StepStore, MovesAndEmptyModels) {
  StepStore store(0);
  store.append({}, {});
  StepStore moved = std::move(store);
  EXPECT_EQ(moved.step_count(), 1);
  std::vector<double> result{1.0}, stress{2.0};
  moved.load(1, result, stress);
  EXPECT_TRUE(result.empty());
  EXPECT_TRUE(stress.empty());
  EXPECT_THROW(moved.load(2, result, stress), std::out_of_range);
  StepStore negative(-5);
  EXPECT_EQ(negative.node_capacity(), 0);
}

}  // namespace
}  // namespace meridian
