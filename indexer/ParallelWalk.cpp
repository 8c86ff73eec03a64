#include "ParallelWalk.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace zeph {

namespace {

struct Node {
    TreeWalk::Folder folder;
    // Where the folder's block goes in the output, compared element by
    // element: a folder comes after its parent and before its parent's later
    // siblings, and the folders below one are numbered last-listed first.
    std::vector<std::uint32_t> place;
    bool isRoot = false;
    enum class State { Waiting, Listing, Listed } state = State::Waiting;
    bool ended = false;  // the lister ended the walk
    std::vector<std::string> pieces;  // of its block, listed and not yet written
    std::vector<std::unique_ptr<Node>> below;  // in the order listed
};

struct EarlierFirst {
    bool operator()(const Node* a, const Node* b) const { return a->place < b->place; }
};

}  // namespace

struct ParallelWalk::Run {
    const TreeWalk& rules;
    Lister& lister;
    const std::atomic<bool>& stop;
    std::size_t heldBound;

    std::mutex mutex;
    std::condition_variable changed;
    std::set<Node*, EarlierFirst> waiting;
    std::size_t held = 0;  // bytes of blocks listed and not yet written
    bool finished = false;

    // Takes the first waiting folder if the held blocks leave room for one;
    // the folder the writer needs next is taken whatever is held, as only
    // its block lets the held ones be written.
    Node* takeLocked(Node* needed = nullptr) {
        if (waiting.empty()) return nullptr;
        Node* node = *waiting.begin();
        if (held >= heldBound && node != needed) return nullptr;
        waiting.erase(waiting.begin());
        node->state = Node::State::Listing;
        return node;
    }

    // A folder's block is handed on in pieces, so a folder of a hundred
    // thousand entries is written while it is listed, not held whole.
    static constexpr std::size_t kPieceBytes = 256 << 10;

    void handOn(Node& node, std::string& piece) {
        if (piece.empty()) return;
        std::lock_guard lock(mutex);
        held += piece.size();
        node.pieces.push_back(std::move(piece));
        piece = std::string();
        changed.notify_all();
    }

    void list(Node& node) {
        struct Visitor : TreeWalk::Visitor {
            Run& run;
            Node& node;
            std::string piece;
            Visitor(Run& r, Node& n) : run(r), node(n) {}
            bool entry(const std::string& gbkFolder, std::string_view gbkName,
                       const EntryState& state) override {
                if (run.stop || !run.lister.entry(piece, gbkFolder, gbkName, state)) return false;
                if (piece.size() >= kPieceBytes) run.handOn(node, piece);
                return true;
            }
        } visitor(*this, node);
        std::vector<TreeWalk::Folder> below;
        node.ended = !rules.list(node.folder, node.isRoot, visitor, below);
        handOn(node, visitor.piece);
        const auto count = static_cast<std::uint32_t>(below.size());
        for (std::uint32_t i = 0; i < count; ++i) {
            auto child = std::make_unique<Node>();
            child->folder = std::move(below[i]);
            child->place = node.place;
            child->place.push_back(count - 1 - i);
            node.below.push_back(std::move(child));
        }
        std::lock_guard lock(mutex);
        node.state = Node::State::Listed;
        if (!node.ended)
            for (auto& child : node.below) waiting.insert(child.get());
        changed.notify_all();
    }

    void work() {
        for (;;) {
            Node* node = nullptr;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return finished || (node = takeLocked()) != nullptr; });
                if (finished) return;
            }
            list(*node);
        }
    }

    // Writes the next folder's block as its pieces come, listing other
    // folders while it waits; false when the sink ended the walk.
    bool writeInOrder(Node& next, const BlockSink& sink) {
        for (;;) {
            Node* other = nullptr;
            std::vector<std::string> pieces;
            bool listed = false;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] {
                    listed = next.state == Node::State::Listed;
                    return listed || !next.pieces.empty() || (other = takeLocked(&next)) != nullptr;
                });
                pieces.swap(next.pieces);
            }
            std::size_t written = 0;
            for (const std::string& piece : pieces) {
                if (!sink(next.folder.gbkPath, piece)) return false;
                written += piece.size();
            }
            if (written) {
                std::lock_guard lock(mutex);
                held -= written;
                changed.notify_all();
            }
            if (listed && pieces.empty()) return true;
            if (other) list(*other);
        }
    }
};

ParallelWalk::ParallelWalk(const TreeWalk& rules, unsigned threads)
    : m_rules(rules),
      m_threads(threads ? threads : std::max(1u, std::thread::hardware_concurrency())) {}

bool ParallelWalk::walk(const std::string& gbkRoot, Lister& lister, const BlockSink& sink,
                        const std::atomic<bool>& stop) {
    std::optional<TreeWalk::Folder> rootFolder = m_rules.rootFolder(gbkRoot);
    if (!rootFolder) return true;
    auto root = std::make_unique<Node>();
    root->folder = std::move(*rootFolder);
    root->isRoot = true;
    // Blocks not yet written, the next on top.
    std::vector<std::unique_ptr<Node>> stack;
    stack.push_back(std::move(root));

    Run run{m_rules, lister, stop, m_heldBound, {}, {}, {}, 0, false};
    run.waiting.insert(stack.back().get());
    // Declared after the nodes so the threads end before the nodes go.
    struct Threads {
        Run& run;
        std::vector<std::jthread> threads;
        ~Threads() {
            {
                std::lock_guard lock(run.mutex);
                run.finished = true;
            }
            run.changed.notify_all();
        }
    } helpers{run, {}};
    for (unsigned i = 1; i < m_threads; ++i) helpers.threads.emplace_back([&run] { run.work(); });

    while (!stack.empty()) {
        std::unique_ptr<Node> node = std::move(stack.back());
        stack.pop_back();
        if (!run.writeInOrder(*node, sink) || stop || node->ended) {
            stack.push_back(std::move(node));  // what lies below it lives until the threads end
            return false;
        }
        for (auto& child : node->below) stack.push_back(std::move(child));
    }
    return true;
}

}  // namespace zeph
