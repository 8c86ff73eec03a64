// Search lines of any bytes, as typed in the name box, given to zeph-query or
// sent by a launcher: the parser never fails, the places it marks lie within
// the line, and a line it accepts can be searched (its filters' ranges are
// ordered and its patterns compile).
#include <re2/re2.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/SearchLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size > 512) return 0;
    const std::string line(reinterpret_cast<const char*>(data), size);
    const zeph::SearchLine parsed = zeph::parseSearchLine(line, {1'700'000'000, "/home/u"});
    for (const auto& span : parsed.filterSpans)
        if (span.begin > span.end || span.end > line.size()) std::abort();
    if (parsed.error) {
        if (parsed.error->begin > parsed.error->end || parsed.error->end > line.size() ||
            parsed.error->message.empty())
            std::abort();
        return 0;
    }
    for (const zeph::LineFilter& filter : parsed.filters) {
        if (filter.from > filter.to) std::abort();
        if (filter.kind == zeph::LineFilter::Regex && !RE2(filter.pattern).ok()) std::abort();
    }
    return 0;
}
