#pragma once

// The calls the game made on the world outside it, oldest first, as the
// recording sound control and desktop of the script runner and the tests
// note them.

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace lilyhops {

struct RecordedCall {
    using Arg = std::variant<std::string, std::int64_t>;
    std::string what;
    std::vector<Arg> args;

    bool operator==(const RecordedCall&) const = default;
};

class CallLog {
  public:
    void record(std::string what, std::vector<RecordedCall::Arg> args = {}) {
        calls_.push_back({std::move(what), std::move(args)});
    }
    // Hands over what was recorded since the last take and forgets it.
    std::vector<RecordedCall> take() { return std::exchange(calls_, {}); }
    const std::vector<RecordedCall>& calls() const { return calls_; }

  private:
    std::vector<RecordedCall> calls_;
};

} // namespace lilyhops
