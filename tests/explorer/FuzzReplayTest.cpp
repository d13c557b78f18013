// Replays the inputs that the tape and card fuzz harnesses found (tests/fixtures/fuzz/uef-*.bin
// and card-*.bin) with the harnesses' own checks, so a fixed fault stays fixed.
#include "FuzzProperties.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace brelktest;

namespace {

std::vector<std::filesystem::path> Findings(const std::string& prefix) {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path folder = std::filesystem::path(BRELK_FIXTURES_DIR) / "fuzz";
    if (!std::filesystem::is_directory(folder))
        return files;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        const std::string name = file.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && file.path().extension() == ".bin")
            files.push_back(file.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Joined(const TFailures& failures) {
    std::string text;
    for (const auto& failure : failures)
        text += failure + "; ";
    return text;
}

} // namespace

TEST(FuzzReplay, TapeFindings) {
    const auto files = Findings("uef-");
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(file);
        EXPECT_EQ(Joined(ExerciseTape(bytes.data(), bytes.size())), "") << file.filename();
    }
}

TEST(FuzzReplay, CardFindings) {
    const auto files = Findings("card-");
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(file);
        EXPECT_EQ(Joined(ExerciseCard(bytes.data(), bytes.size())), "") << file.filename();
    }
}
