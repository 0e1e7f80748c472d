// The hand-over of time steps from the reading thread to the writing thread.

#include "driver/step_pipeline.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace meridian {
namespace {

// What the writer saw, step by step ("start", "<step>:<first value>:<peak>",
// "finish"), failing at step `failing` when set.
struct Recorder {
  std::vector<std::string> seen;
  std::int32_t failing = 0;

  StepPipeline::Work work() {
    return {[this] { seen.push_back("start"); },
            [this](std::int32_t step, const StepValues& values) {
              if (step == failing) throw std::runtime_error("step " + std::to_string(step));
              seen.push_back(std::to_string(step) + ":" + std::to_string(int(values.node_result[0])) +
                             ":" + std::to_string(int(values.node_stress[6])) + ":" +
                             std::to_string(values.peak.element) + ":" +
                             std::to_string(int(values.spring_force[0])));
            },
            [this] { seen.push_back("finish"); },
            [this] { seen.push_back("idle"); }};
  }
};

// The reader's side: steps 1..count, each table marked with its step.
// Two nodes and one spring.
StepValues shape() {
  StepValues values;
  values.node_result.assign(2 * 4, 0.0);
  values.node_stress.assign(2 * 7, 0.0);
  values.spring_force.assign(1, 0.0);
  values.spring_deflection.assign(1, 0.0);
  return values;
}

void hand_over_steps(StepPipeline& pipeline, std::int32_t count) {
  StepValues values = shape();
  for (std::int32_t step = 1; step <= count; ++step) {
    ASSERT_EQ(values.node_result.size(), 8u) << "the tables come back in their sizes";
    ASSERT_EQ(values.node_stress.size(), 14u);
    ASSERT_EQ(values.spring_force.size(), 1u);
    values.node_result.assign(8, step * 10.0);
    values.node_stress.assign(14, step * 100.0);
    values.spring_force.assign(1, step * 1000.0);
    values.peak = StressPeak{1.0, step};
    pipeline.hand_over(step, values);
  }
}

TEST(StepPipeline, WritesEveryStepInOrderThenFinishes) {
  Recorder recorder;
  StepPipeline pipeline(recorder.work(), shape());
  hand_over_steps(pipeline, 5);
  EXPECT_EQ(pipeline.finish(), nullptr);
  EXPECT_EQ(recorder.seen, (std::vector<std::string>{"start", "1:10:100:1:1000", "2:20:200:2:2000",
                                                     "3:30:300:3:3000", "4:40:400:4:4000", "5:50:500:5:5000",
                                                     "finish"}));
}

TEST(StepPipeline, KeepsTheFirstFailureAndTakesTheRemainingSteps) {
  Recorder recorder;
  recorder.failing = 2;
  StepPipeline pipeline(recorder.work(), shape());
  hand_over_steps(pipeline, 5);
  const std::exception_ptr failure = pipeline.finish();
  ASSERT_NE(failure, nullptr);
  EXPECT_THROW(std::rethrow_exception(failure), std::runtime_error);
  EXPECT_EQ(recorder.seen, (std::vector<std::string>{"start", "1:10:100:1:1000"}));
}

TEST(StepPipeline, AbandonedItWritesNothingMore) {
  Recorder recorder;
  {
    StepPipeline pipeline(recorder.work(), shape());
    hand_over_steps(pipeline, 2);
    pipeline.abandon();
    // A reader that goes on after the abandon is not held up.
    hand_over_steps(pipeline, 3);
  }
  ASSERT_FALSE(recorder.seen.empty());
  EXPECT_NE(recorder.seen.back(), "finish");
  EXPECT_LE(recorder.seen.size(), 3u);
}

}  // namespace
}  // namespace meridian
