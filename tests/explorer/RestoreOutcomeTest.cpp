// The closing words of a restore: done only when the import ran to its end.
#include "explorer/Backup.h"

#include <gtest/gtest.h>

using namespace brelk;

namespace {

TEST(RestoreOutcome, SaysHowManyWereRestoredWhenTheImportStopped) {
    struct Case {
        const char* Name;
        TImportResult Result;
        std::size_t Missing;
        std::string Text;
        TNotice Kind;
    };
    auto result = [](std::size_t written, bool stopped, bool failed) {
        TImportResult r;
        r.Written = written;
        r.Stopped = stopped;
        r.Failed = failed;
        return r;
    };
    const std::string missing = "\r\r1 object of the backup set has no image file; it was not "
                                "restored.";
    const Case cases[] = {
        {"done", result(5, false, false), 0, "Restore done.", TNotice::Information},
        {"done, one missing", result(5, false, false), 1, "Restore done." + missing,
         TNotice::Warning},
        {"cancelled", result(2, true, false), 0,
         "Restore cancelled: 2 of 5 objects were restored; the others were not.", TNotice::Warning},
        {"stopped by a failure", result(0, true, true), 1,
         "Restore stopped: 0 of 5 objects were restored; the others were not." + missing,
         TNotice::Warning},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RestoreOutcomeText(c.Result, 5, c.Missing), c.Text) << c.Name;
        EXPECT_EQ(RestoreOutcomeKind(c.Result, c.Missing), c.Kind) << c.Name;
    }
}

} // namespace
