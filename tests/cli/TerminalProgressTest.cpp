// brelk's progress line: written in place on a terminal (a pseudo-terminal here), never into a
// pipe or a file, and not at all with -q.
#include "cli/TerminalProgress.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

using brelk::cli::TTerminalProgress;

namespace {

struct TPty {
    int Master = -1, Slave = -1;
    TPty() { EXPECT_EQ(openpty(&Master, &Slave, nullptr, nullptr, nullptr), 0); }
    ~TPty() {
        ::close(Master);
        ::close(Slave);
    }
    // What the terminal received so far.
    std::string Received() const {
        ::fcntl(Master, F_SETFL, O_NONBLOCK);
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = ::read(Master, buffer, sizeof buffer)) > 0;)
            text.append(buffer, std::size_t(n));
        return text;
    }
};

void RunSteps(TTerminalProgress& progress) {
    progress.Begin("Reading files", true, true);
    progress.Report(1, 4, "");
    progress.Report(2, 4, "Adding GAMES.ELITE");
    progress.Report(2, 4, "Adding GAMES.ELITE"); // the same percent at once: no new line
    progress.End();
}

} // namespace

TEST(TerminalProgressTest, OneLineRewrittenInPlaceOnATerminal) {
    TPty pty;
    TTerminalProgress progress(pty.Slave, false);
    ASSERT_TRUE(progress.Shown());
    RunSteps(progress);
    const std::string clear = "\r\033[K";
    EXPECT_EQ(pty.Received(),
              clear + "Reading files 1/4 (25%)" + clear + "2/4 (50%) Adding GAMES.ELITE" + clear);
}

TEST(TerminalProgressTest, NothingIntoAPipeOrWithQuiet) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    TTerminalProgress piped(pipeEnds[1], false);
    EXPECT_FALSE(piped.Shown());
    RunSteps(piped);
    ::close(pipeEnds[1]);
    char c;
    EXPECT_EQ(::read(pipeEnds[0], &c, 1), 0);
    ::close(pipeEnds[0]);
    TPty pty;
    TTerminalProgress quiet(pty.Slave, true);
    EXPECT_FALSE(quiet.Shown());
    RunSteps(quiet);
    EXPECT_EQ(pty.Received(), "");
}
