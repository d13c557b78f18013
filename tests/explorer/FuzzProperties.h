// What the tape and card fuzz harnesses do with an input, and the properties that must hold
// for any input. Each returns the properties that failed (empty when all held), so that the
// harness can abort and the replay test can report them.
#pragma once

#include "../formats/UEFBuilder.h"
#include "MemoryCard.h"
#include "explorer/CardInfo.h"
#include "explorer/ObjectImages.h"
#include "formats/TapeDetails.h"
#include "formats/UEF.h"

#include <string>
#include <vector>

namespace brelktest {

using TFailures = std::vector<std::string>;

inline void Expect(TFailures& failures, bool condition, const char* what) {
    if (!condition)
        failures.push_back(what);
}

inline void CheckTapeLines(TFailures& failures, const brelk::TUEF& tape) {
    const std::vector<std::string> lines = brelk::TapeCatalogueLines(tape);
    if (tape.Entries.empty()) {
        Expect(failures, lines.size() == 1, "empty tape text");
        return;
    }
    Expect(failures, lines.size() == tape.Entries.size() + 3, "one line per file");
    for (std::size_t i = 0; i < tape.Entries.size() && i + 3 < lines.size(); ++i) {
        const brelk::TTapeCatEntry& entry = *tape.Entries[i];
        Expect(failures, entry.Name.size() <= 10, "name of at most 10 characters");
        if (entry.Length <= 0xFFFFF)
            Expect(failures, lines[i + 3].size() == 38, "entry line width");
        Expect(failures, lines[i + 3].find_first_of("\r\n") == std::string::npos,
               "one line per entry");
    }
}

// Reads Data, then what was collected as a stored run, which must give the same bytes.
inline void CheckTapeRead(TFailures& failures, const std::uint8_t* data, std::size_t size) {
    brelk::TUEF tape;
    const bool accepted = tape.FetchUEF(data, size);
    Expect(failures, !accepted || tape.IsUEF, "accepted only with the magic");
    Expect(failures, tape.CatEntryCount() == tape.Entries.size(), "entry count");
    Expect(failures, tape.GetUEFCatEntry(tape.Entries.size()) == nullptr, "no entry past the end");
    std::vector<std::uint8_t> copy(tape.UseableDataSize());
    Expect(failures, tape.FetchUseabledata(copy.data()) && copy == tape.UseableData,
           "useable data copy");
    CheckTapeLines(failures, tape);

    brelk::TUEF stored;
    Expect(failures, !stored.FetchUEF(tape.UseableData), "a stored run is no container");
    Expect(failures, stored.UseableData == tape.UseableData, "stored blocks read back");
    Expect(failures, stored.Entries.size() <= tape.UseableData.size() / 23,
           "at most one file per block");
    CheckTapeLines(failures, stored);
}

// The input as it is, behind a UEF header, and behind a sync byte (a stored run). Each sits
// right before an inaccessible page, so a read past its end crashes even without a sanitizer.
inline TFailures ExerciseTape(const std::uint8_t* data, std::size_t size) {
    TFailures failures;
    const TBytes exact(data, data + size);
    TBytes container{'U', 'E', 'F', ' ', 'F', 'i', 'l', 'e', '!', 0, 10, 0};
    container.insert(container.end(), data, data + size);
    TBytes run{'*'};
    run.insert(run.end(), data, data + size);
    const TBytes* inputs[] = {&exact, &container, &run};
    for (const TBytes* bytes : inputs) {
        const TGuardedBytes guarded(*bytes);
        CheckTapeRead(failures, guarded.Data, guarded.Size);
    }
    return failures;
}

inline void CheckCardInfo(TFailures& failures, const brelk::TBrelk& card, std::uint32_t zone) {
    for (bool hex : {true, false}) {
        const std::vector<std::string> lines =
            brelk::CardInfoLines(card, brelk::TNumberFormat{hex, "."}, zone);
        if (!card.State().DeviceOK) {
            Expect(failures, lines.empty(), "no text without a device");
        } else if (!card.State().CatalogueValid) {
            Expect(failures, lines.size() == 1, "physical size alone without a catalogue");
        } else {
            Expect(failures, lines.size() == 13 + card.FreeRecords().size(), "summary line count");
            for (std::size_t i = 13; i < lines.size(); ++i)
                Expect(failures, lines[i].size() == 30, "free map line width");
        }
    }
}

// What the details view does with each object: type text, icon and, for a tape, the tape
// catalogue of its first 64 KiB.
inline void CheckEntries(TFailures& failures, brelk::TBrelk& card) {
    std::vector<std::uint8_t> object;
    for (const auto& entry : card.Entries()) {
        brelk::ObjectTypeText(*entry);
        const int icon = brelk::ObjectImageIndex(*entry);
        Expect(failures, icon >= 0 && icon < int(brelk::ObjectImageTable().size()), "icon index");
        if (entry->Type() != brelk::kTypeImage || entry->Subtype() != brelk::kSubtypeTape)
            continue;
        object.assign(std::min<std::uint32_t>(entry->Size(), 1 << 16), 0);
        if (card.ReadMMC(object.data(), entry->Address(), std::uint32_t(object.size()))) {
            brelk::TUEF tape;
            tape.FetchUEF(object);
            brelk::TapeCatalogueLines(tape);
        }
    }
}

inline void CheckCardFigures(TFailures& failures, const brelk::TBrelk& card) {
    if (card.State().CatalogueValid)
        Expect(failures, card.GetUsedBytes() >= card.Entries().size() * 512ull,
               "used bytes count the object headers");
    std::uint64_t free = 0;
    for (const brelk::TBrelkFreeBlock& record : card.FreeRecords()) {
        Expect(failures, record.Length > 0, "free records hold space");
        Expect(failures, std::uint64_t(record.Start) + record.Length <= card.UsableLimit(),
               "free records below the usable limit");
        free += record.Length;
    }
    Expect(failures, free <= card.State().CardSize, "free space within the card");
}

// Opens the input as a card (see DecodeCardFuzzInput) and reads everything the window shows.
inline TFailures ExerciseCard(const std::uint8_t* data, std::size_t size) {
    TFailures failures;
    TMemoryCard device;
    TCardFuzzInput input;
    if (!DecodeCardFuzzInput(data, size, device, input))
        return failures;
    TQuietReporter reporter;
    brelk::TBrelk card(reporter, device);
    card.Initialize(input.CacheBytes, "memory", input.SafetyZone);
    CheckCardFigures(failures, card);
    CheckCardInfo(failures, card, input.SafetyZone);
    CheckEntries(failures, card);
    return failures;
}

} // namespace brelktest
