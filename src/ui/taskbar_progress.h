#pragma once

// The launcher entry's progress display: a value out of 100, drawn normal or
// as an error.
class TaskbarProgress {
 public:
  enum class State { Normal, Error };
  virtual ~TaskbarProgress() = default;
  virtual void SetProgressValue(int completed, int total) = 0;
  virtual void SetProgressState(State state) = 0;
};
