// Helpers of the benchmarks: a reporter that prints the card's messages, temporary images.
#pragma once

#include "card/Reporter.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace brelkbench {

class TQuietReporter : public brelk::TBrelkReporter {
  public:
    void ReportError(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

// An image file of the benchmarks in the temporary folder.
inline std::filesystem::path TempImage(const char* name) {
    return std::filesystem::temp_directory_path() / (std::string("brelkbench-") + name);
}

} // namespace brelkbench
