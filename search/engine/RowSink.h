// Where a search's rows go, one by one in result order: the result table the
// windows page through (ResultStore), or a terminal's output. Called on the
// thread that runs the search.
#pragma once

#include <cstdint>

#include "search/engine/ResultView.h"

namespace zeph {

class RowSink {
public:
    virtual ~RowSink() = default;
    // Takes one row; false ends the search (the sink has said why).
    virtual bool add(const ResultRowView& row) = 0;
    // After the last row. superseded: a newer search takes this one's place.
    // False when what was taken could not be kept (the sink has said why).
    virtual bool finish(bool superseded) = 0;
    virtual std::int64_t count() const = 0;
};

}  // namespace zeph
