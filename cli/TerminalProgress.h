// brelk's progress: one line on standard error, rewritten in place ("Adding 12/200 (6%) NAME"),
// shown only when standard error is a terminal and -q was not given.
#pragma once

#include "explorer/JobProgress.h"

#include <chrono>
#include <string>

namespace brelk::cli {

class TTerminalProgress final : public TJobProgress {
  public:
    // Writes to the terminal open as Fd, unless Quiet or Fd is no terminal.
    TTerminalProgress(int fd, bool quiet);
    ~TTerminalProgress() override;
    bool Shown() const { return Active; }
    void Begin(const std::string& text, bool cancelable = true, bool counted = true) override;
    // Never cancels: brelk is stopped with Ctrl+C.
    bool Report(std::size_t done, std::size_t total, const std::string& item) override;
    void End() override;

  private:
    void Write(const std::string& line);
    int Fd;
    bool Active;
    bool LineShown = false;
    std::string Step;
    int LastPercent = -1;
    std::chrono::steady_clock::time_point LastWrite{};
};

} // namespace brelk::cli
