// Helpers for the tests of pending objects: a user and a progress display that record what
// they are told and answer from a script, gzip packing, and interleaving of DFS sides.
#pragma once

#include "explorer/PendingObjects.h"

#include <deque>
#include <string>
#include <variant>
#include <vector>
#include <zlib.h>

namespace brelktest {

// Records errors (other notices apart), every query and report; the overwrite question is
// answered from Answers (Cancel when it is empty), every other question with Other. Progress
// is the one given in Shown.
class TScriptedUser : public brelk::TJobUser {
  public:
    void Notify(brelk::TNotice kind, const std::string& text) override {
        (kind == brelk::TNotice::Error ? Errors : Notices).push_back(text);
    }
    brelk::TAnswer Ask(const brelk::TQuery& question) override {
        Asked.push_back(question);
        const auto* overwrite = std::get_if<brelk::query::TOverwrite>(&question);
        if (!overwrite)
            return Other;
        Questions.push_back(overwrite->Name);
        if (Answers.empty())
            return brelk::TAnswer::Cancel;
        const brelk::TAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    void Tell(const brelk::TReport& report) override { Told.push_back(report); }
    brelk::TJobProgress* Progress() override { return Shown; }
    std::vector<std::string> Errors;
    std::vector<std::string> Notices;
    std::vector<brelk::TQuery> Asked;
    std::vector<std::string> Questions; // the names of the overwrite questions
    std::deque<brelk::TAnswer> Answers;
    brelk::TAnswer Other = brelk::TAnswer::Yes;
    std::vector<brelk::TReport> Told;
    brelk::TJobProgress* Shown = nullptr;
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
