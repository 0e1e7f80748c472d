#include "driver/listing_follower.hpp"

#include <algorithm>
#include <thread>
#include <utility>

#include "driver/progress_line.hpp"
#include "platform/platform.hpp"
#include "files/input_file.hpp"
#include "records/fatal.hpp"

namespace meridian {

ListingFollower::ListingFollower(std::string name, std::chrono::duration<double> quiet_limit,
                                 ProgressLine* progress)
    : name_(std::move(name)),
      quiet_limit_(quiet_limit),
      progress_(progress),
      started_(Clock::now()),
      model_read_at_(started_),
      last_step_at_(started_),
      last_growth_(started_) {}

void ListingFollower::wait_for_listing() {
  for (;;) {
    const platform::Kind kind = platform::status(name_).kind;
    if (kind != platform::Kind::missing && kind != platform::Kind::directory) return;
    const Clock::time_point now = Clock::now();
    if (now - started_ >= quiet_limit_) fail_file(name_, "the input file is missing");
    if (progress_ != nullptr) {
      progress_->show(ProgressLine::following_text(
          name_, -1, 0, std::chrono::duration_cast<std::chrono::seconds>(now - started_), {}));
    }
    std::this_thread::sleep_for(poll_interval);
  }
}

void ListingFollower::follow(InputFile& listing, std::function<void()> waiting) {
  listing_ = listing.handle();
  identity_ = platform::identity_of(listing_);
  waiting_ = std::move(waiting);
  listing.follow_growth([this](std::uint64_t bytes_read) { return wait_for_growth(bytes_read); });
}

bool ListingFollower::wait_for_growth(std::uint64_t bytes_read) {
  const Clock::time_point now = Clock::now();
  if (bytes_read != bytes_seen_) {
    bytes_seen_ = bytes_read;
    last_growth_ = now;
  }
  if (waiting_) waiting_();
  check_not_shrunk(bytes_read);
  check_not_replaced();
  if (now - last_growth_ >= quiet_limit_) return false;
  show(true, now);
  std::this_thread::sleep_for(poll_interval);
  return true;
}

void ListingFollower::check_not_shrunk(std::uint64_t bytes_read) const {
  if (const std::optional<std::uint64_t> size = platform::size_of(listing_);
      size && *size < bytes_read) {
    fail_file(name_, "the listing shrank from " + std::to_string(bytes_read) + " to " +
                         std::to_string(*size) +
                         " bytes while it was followed (a new analysis?); the files put in "
                         "place so far stay");
  }
}

void ListingFollower::check_not_replaced() const {
  if (const std::optional<platform::FileIdentity> now_named = platform::identity(name_);
      identity_ && now_named && *now_named != *identity_) {
    fail_file(name_,
              "another file took the listing's name while it was followed (a new analysis?); "
              "the files put in place so far stay");
  }
}

ReadWatch ListingFollower::reading_watch() {
  return [this](std::uint64_t) { show(false, Clock::now()); };
}

void ListingFollower::model_read(std::int32_t announced, Clock::time_point at) {
  announced_ = announced;
  model_read_at_ = at;
  last_step_at_ = at;
}

void ListingFollower::step_read(std::int32_t step, Clock::time_point at) {
  steps_read_ = step;
  last_step_at_ = at;
}

std::optional<std::chrono::seconds> ListingFollower::time_left(Clock::time_point now) const {
  if (steps_read_ <= 0 || announced_ <= steps_read_) return std::nullopt;
  const auto pace = (last_step_at_ - model_read_at_) / steps_read_;
  const auto left = pace * (announced_ - steps_read_) - (now - last_step_at_);
  return std::chrono::duration_cast<std::chrono::seconds>(std::max(left, Clock::duration::zero()));
}

void ListingFollower::show(bool waiting, Clock::time_point now) {
  if (progress_ == nullptr) return;
  const std::int32_t step = announced_ < 0 ? 0 : steps_read_ + 1;
  std::optional<std::chrono::seconds> quiet;
  if (waiting) quiet = std::chrono::duration_cast<std::chrono::seconds>(now - last_growth_);
  std::string text = ProgressLine::following_text(name_, step, std::max(announced_, 0), quiet,
                                                  time_left(now));
  progress_->show(text);
}

}  // namespace meridian
