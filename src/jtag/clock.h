#pragma once

#include <cstdint>

// Millisecond clock and sleep, injected so that timed loops (erase polls,
// transport time-outs) run without real waiting under test.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t Milliseconds() = 0;  // wraps like any 32-bit tick count
  virtual void Sleep(uint32_t ms) = 0;
};

class SystemClock final : public Clock {
 public:
  uint32_t Milliseconds() override;
  void Sleep(uint32_t ms) override;
};

// Time moves only when someone sleeps or advances it.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(uint32_t start = 0) : now_(start) {}
  uint32_t Milliseconds() override { return now_; }
  void Sleep(uint32_t ms) override {
    now_ += ms;
    slept_ += ms;
    ++sleeps_;
  }
  void Advance(uint32_t ms) { now_ += ms; }
  uint64_t TotalSlept() const { return slept_; }
  uint32_t SleepCount() const { return sleeps_; }

 private:
  uint32_t now_;
  uint64_t slept_ = 0;
  uint32_t sleeps_ = 0;
};
