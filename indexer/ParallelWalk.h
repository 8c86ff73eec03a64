// A walk below a root by the rules of TreeWalk with folders listed on several
// threads, whose output comes out in exactly the order of the one-thread walk
// (depth first, the last folder listed first) whatever thread listed what.
//
// Each folder is a unit of work: a thread lists it into a block of its own and
// finds the folders below it. Threads always take the unlisted folder that
// comes first in the output, and a writer hands the blocks out in order, so
// the blocks waiting for their turn stay few; past a bound the threads wait
// for the writer.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "indexer/TreeWalk.h"

namespace zeph {

class ParallelWalk {
public:
    // Lists one folder's entries into a block (called on the listing threads).
    class Lister {
    public:
        virtual ~Lister() = default;
        virtual bool entry(std::string& block, const std::string& gbkFolder,
                           std::string_view gbkName, const EntryState& state) = 0;
    };
    // Takes each folder's block in order (called on the walking thread); false ends the walk.
    using BlockSink = std::function<bool(const std::string& gbkFolder, const std::string& block)>;

    // threads 0: every core.
    ParallelWalk(const TreeWalk& rules, unsigned threads = 0);

    // Walks the folder (GBK) and everything below it. False when a lister or
    // the sink ended the walk, or a stop was asked for; every thread has
    // ended when it returns.
    bool walk(const std::string& gbkRoot, Lister& lister, const BlockSink& sink,
              const std::atomic<bool>& stop);

    // Blocks listed ahead of the writer are held up to this many bytes.
    void setHeldBytesBound(std::size_t bytes) { m_heldBound = bytes; }

private:
    struct Run;
    const TreeWalk& m_rules;
    unsigned m_threads;
    std::size_t m_heldBound = std::size_t{8} << 20;
};

}  // namespace zeph
