// The card summary and the object type text of the details view.
#include "explorer/CardInfo.h"

#include "formats/Filingsystem.h"

#include <algorithm>
#include <cstdio>

namespace brelk {

namespace {

// Hexadecimal with at least 8 digits: figures summed over the catalogue may pass 4 GiB.
std::string Hex8(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%8.8llX", static_cast<unsigned long long>(value));
    return text;
}

std::string Number(std::uint64_t value, const TNumberFormat& numbers) {
    return numbers.Hex ? Hex8(value) : FormatDecimal13(value, numbers.ThousandsSeparator);
}

std::uint64_t NotBelowZero(std::int64_t value) {
    return value < 0 ? 0 : std::uint64_t(value);
}

struct TObjectCounts {
    std::uint64_t Deleted = 0, DeletedBytes = 0, FilingSystems = 0, Tools = 0, Images = 0;
};

TObjectCounts CountObjects(TEntriesView catalogue) {
    TObjectCounts counts;
    for (const TBrelkCatEntry* entry : catalogue) {
        switch (entry->Type()) {
        case kTypeDeleted:
            ++counts.Deleted;
            counts.DeletedBytes += entry->Size();
            break;
        case kTypeFilingSystem:
            ++counts.FilingSystems;
            break;
        case kTypeTool:
            ++counts.Tools;
            break;
        case kTypeImage:
            ++counts.Images;
            break;
        default:
            break;
        }
    }
    return counts;
}

void AddObjectLines(std::vector<std::string>& lines, const TObjectCounts& counts,
                    const TNumberFormat& numbers) {
    const std::string& separator = numbers.ThousandsSeparator;
    std::string deleted = "Deleted objects : " + FormatDecimal6(counts.Deleted, separator);
    if (counts.DeletedBytes != 0)
        deleted += " (" +
                   (numbers.Hex ? Hex8(counts.DeletedBytes)
                                : FormatDecimal(counts.DeletedBytes, separator)) +
                   " bytes)";
    lines.push_back(deleted);
    lines.push_back("Filing systems  : " + FormatDecimal6(counts.FilingSystems, separator));
    lines.push_back("Tools           : " + FormatDecimal6(counts.Tools, separator));
    lines.push_back("Discs/tapes     : " + FormatDecimal6(counts.Images, separator));
}

void AddFreeSpaceMap(std::vector<std::string>& lines, const TBrelk& card,
                     const TNumberFormat& numbers) {
    lines.push_back("Free space map:");
    lines.push_back("        Address           Size");
    lines.push_back("  -------------  -------------");
    for (const TBrelkFreeBlock& record : card.FreeRecords()) {
        if (numbers.Hex)
            lines.push_back("       " + Hex8(record.Start) + "       " + Hex8(record.Length));
        else
            lines.push_back("  " + FormatDecimal13(record.Start, numbers.ThousandsSeparator) +
                            "  " + FormatDecimal13(record.Length, numbers.ThousandsSeparator));
    }
}

} // namespace

std::vector<std::string> CardInfoLines(const TBrelk& card, const TNumberFormat& numbers,
                                       std::uint32_t safetyZone) {
    std::vector<std::string> lines;
    if (!card.State().DeviceOK)
        return lines;
    lines.push_back("Physical size   : " + Number(card.State().CardSize, numbers) + " bytes");
    if (!card.State().CatalogueValid)
        return lines;
    const std::int64_t size = card.State().CardSize;
    const std::int64_t used = std::int64_t(std::min<std::uint64_t>(card.GetUsedBytes(), INT64_MAX));
    lines.push_back("Usable size     : " + Number(NotBelowZero(size - safetyZone), numbers) +
                    " bytes");
    lines.push_back("Used            : " + Number(std::uint64_t(used), numbers) + " bytes");
    lines.push_back("Free            : " + Number(NotBelowZero(size - safetyZone - used), numbers) +
                    " bytes");
    lines.push_back("");
    AddObjectLines(lines, CountObjects(card.Entries()), numbers);
    lines.push_back("");
    AddFreeSpaceMap(lines, card, numbers);
    return lines;
}

std::string ObjectTypeText(const TBrelkCatEntry& entry) {
    switch (entry.Type()) {
    case kTypeDeleted:
        return "Deleted object";
    case kTypeFilingSystem:
        return "Filingsystem" + FilingsystemDescription(entry.Subtype());
    case kTypeTool:
        return "Tool";
    case kTypeImage:
        switch (entry.Subtype()) {
        case kSubtypeDFS:
            return "Discimage (DFS)";
        case kSubtypeADFS:
            return "Discimage (ADFS)";
        case kSubtypeTape:
            return "Discimage (TAPE)";
        default:
            return "Discimage";
        }
    default:
        return "";
    }
}

} // namespace brelk
