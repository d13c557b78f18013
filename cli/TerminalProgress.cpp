#include "cli/TerminalProgress.h"

#include <algorithm>
#include <sys/ioctl.h>
#include <unistd.h>

namespace brelk::cli {

namespace {

// A line shorter than the terminal, so that it never wraps and "\r" returns to its start.
std::size_t LineRoom(int fd) {
    winsize size{};
    return ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 ? size.ws_col - 1u : 79u;
}

} // namespace

TTerminalProgress::TTerminalProgress(int fd, bool quiet) : Fd(fd), Active(!quiet && isatty(fd)) {}

TTerminalProgress::~TTerminalProgress() {
    End();
}

void TTerminalProgress::Begin(const std::string& text, bool, bool) {
    Step = text;
    LastPercent = -1;
}

bool TTerminalProgress::Report(std::size_t done, std::size_t total, const std::string& item) {
    if (!Active)
        return false;
    // A new line when the whole percent changes, at most ten a second otherwise.
    const int percent = int(PercentDone(done, total));
    const auto now = std::chrono::steady_clock::now();
    if (percent == LastPercent && now - LastWrite < std::chrono::milliseconds(100))
        return false;
    LastPercent = percent;
    LastWrite = now;
    // The item names what happens ("Adding NAME"); without one the step does.
    std::string line =
        std::to_string(done) + "/" + std::to_string(total) + " (" + std::to_string(percent) + "%)";
    line = item.empty() ? (Step.empty() ? line : Step + " " + line) : line + " " + item;
    Write(line);
    return false;
}

void TTerminalProgress::End() {
    if (!LineShown)
        return;
    static const char kClear[] = "\r\033[K";
    [[maybe_unused]] const auto written = ::write(Fd, kClear, sizeof kClear - 1);
    LineShown = false;
}

void TTerminalProgress::Write(const std::string& line) {
    std::size_t length = std::min(line.size(), LineRoom(Fd));
    while (length > 0 && length < line.size() && (line[length] & 0xC0) == 0x80)
        --length; // not inside a UTF-8 character
    const std::string out = "\r\033[K" + line.substr(0, length);
    [[maybe_unused]] const auto written = ::write(Fd, out.data(), out.size());
    LineShown = true;
}

} // namespace brelk::cli
