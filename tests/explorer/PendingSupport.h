// Helpers for the tests of pending objects: a user and a progress display that record what
// they are told and answer from a script, gzip packing, and interleaving of DFS sides.
#pragma once

#include "explorer/PendingObjects.h"

#include <deque>
#include <string>
#include <vector>
#include <zlib.h>

namespace brelktest {

class TScriptedUser : public brelk::TImportUser {
  public:
    void ShowError(const std::string& text) override { Errors.push_back(text); }
    brelk::TOverwriteAnswer AskOverwrite(const std::string& name) override {
        Questions.push_back(name);
        if (Answers.empty())
            return brelk::TOverwriteAnswer::Cancel;
        const brelk::TOverwriteAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    std::vector<std::string> Errors;
    std::vector<std::string> Questions;
    std::deque<brelk::TOverwriteAnswer> Answers;
};

// Reports Cancel from the CancelAt-th report on (counted from 1; 0 never).
class TScriptedProgress : public brelk::TJobProgress {
  public:
    explicit TScriptedProgress(std::size_t cancelAt = 0) : CancelAt(cancelAt) {}
    void Begin(const std::string& text, bool, bool) override { Texts.push_back(text); }
    bool Report(std::size_t done, std::size_t total, const std::string& item) override {
        Percents.push_back(brelk::PercentDone(done, total));
        Extras.push_back(item);
        return CancelAt != 0 && Percents.size() >= CancelAt;
    }
    void End() override { ++Ends; }
    std::size_t CancelAt;
    std::vector<std::string> Texts;
    std::vector<float> Percents;
    std::vector<std::string> Extras;
    int Ends = 0;
};

// One gzip member holding Bytes.
inline std::vector<std::uint8_t> GzipMember(const std::vector<std::uint8_t>& bytes) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<std::uint8_t> out(deflateBound(&stream, uLong(bytes.size())) + 64);
    stream.next_in = const_cast<Bytef*>(bytes.data());
    stream.avail_in = uInt(bytes.size());
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// Lays two sides out track by track: track t of side s at (2t + s) x 2560. The shorter side
// is padded with zeros to whole tracks of the longer.
inline std::vector<std::uint8_t> Interleave(const std::vector<std::uint8_t>& side0,
                                            const std::vector<std::uint8_t>& side1) {
    const std::size_t track = 2560;
    const std::size_t tracks = (std::max(side0.size(), side1.size()) + track - 1) / track;
    std::vector<std::uint8_t> out(tracks * 2 * track, 0);
    for (std::size_t t = 0; t < tracks; ++t)
        for (int s = 0; s < 2; ++s) {
            const auto& side = s == 0 ? side0 : side1;
            for (std::size_t i = 0; i < track && t * track + i < side.size(); ++i)
                out[(2 * t + s) * track + i] = side[t * track + i];
        }
    return out;
}

} // namespace brelktest
