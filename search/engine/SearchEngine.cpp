#include "SearchEngine.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>

#include <fcntl.h>

#include "common/Codec.h"
#include "common/EntryNames.h"
#include "common/EntryState.h"
#include "common/FileList.h"
#include "common/IndexGeneration.h"
#include "common/KeyScheme.h"
#include "common/Messages.h"
#include "common/NameMatcher.h"
#include "common/Paths.h"
#include "common/PinyinTable.h"
#include "common/Process.h"
#include "common/StartupSettings.h"
#include "search/engine/CandidatePass.h"
#include "search/engine/ContentSearch.h"
#include "search/engine/ContentStoreFailure.h"
#include "search/engine/Intersect.h"
#include "search/engine/LineFilters.h"
#include "search/engine/ResultStore.h"
#include "search/engine/ResultTexts.h"

namespace zeph {

namespace {

[[noreturn]] void systemFilesMissing() {
    fatalExit(-1, "系统文件丢失，请与开发商联系!", "系统文件丢失");
}

}  // namespace

CSearchEngine::CSearchEngine(CSQLiteDB& db, std::string programFolder, std::string dataFolder,
                             std::int64_t now)
    : m_db(db), m_programFolder(std::move(programFolder)), m_dataFolder(std::move(dataFolder)) {
    // A content search copies every file it reads into its workers' buffers
    // (256 KiB each). Taken from the heap they cost a third less system time
    // than as mappings of their own, which the allocator gives blocks of
    // that size until a larger mapped block has been freed.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // Every data path is built from the two folders, so a failed change of
    // directory costs nothing but relative names given by the user.
    [[maybe_unused]] int changed = chdir(osPath(m_dataFolder).c_str());
    openConfigDatabase(m_db, m_dataFolder);
    if (!m_extensions.load(m_db)) fatalExit(1, "数据库查询异常，请与开发商联系！", "SQL查询失败");
    runStartupSettings(m_db, m_programFolder, m_dataFolder, now);
    loadIndex();
}

CSearchEngine::~CSearchEngine() {
    requestStop();
    std::lock_guard wait(m_searchMutex);
}

void CSearchEngine::loadIndex() {
    IndexDirectory::LoadResult result = m_index.load(m_dataFolder);
    // A generation replaced while it was being opened (an index run
    // publishing, its files removed) is read again from the new one.
    for (int attempt = 0; attempt < 3 && result != IndexDirectory::LoadResult::Loaded &&
                          publishedGeneration(m_dataFolder) != m_index.generation();
         ++attempt)
        result = m_index.load(m_dataFolder);
    switch (result) {
        case IndexDirectory::LoadResult::Loaded:
            return;
        case IndexDirectory::LoadResult::NoPostings:
        case IndexDirectory::LoadResult::Damaged:  // rebuilt like a missing index
            if (!askYesNo(
                    "这是您第一次运行ZEPH桌面搜索，您必须建立索引。您现在要退出ZEPH桌面搜索主程序,"
                    "并启动ZEPH桌面搜索索引程序吗？",
                    "第一次运行"))
                fatalExit(2);
            if (!startIndexer(m_programFolder, m_dataFolder))
                showMessage("打开文件失败,可能是未知的文件类型，也可能是文件已经从硬盘删除.");
            fatalExit(1);
        default:
            systemFilesMissing();
    }
}

void CSearchEngine::refreshIndex() {
    if (publishedGeneration(m_dataFolder) != m_index.generation()) {
        IndexDirectory newer;
        // A generation that does not load leaves the one in use.
        if (newer.load(m_dataFolder) == IndexDirectory::LoadResult::Loaded) {
            m_index = std::move(newer);
            m_journal.clear();
            m_groupCache.clear();
        }
    }
    m_journal.update(m_index.folderFd());
}

std::vector<std::uint32_t> CSearchEngine::readBucket(std::uint32_t slot) {
    std::vector<std::uint32_t> postings;
    if (!m_index.readPostings(slot, postings)) systemFilesMissing();
    return postings;
}

std::uint32_t CSearchEngine::slotOf(const IndexKey& key) {
    return key.table == KeyTable::Character ? index::characterSlot(key.key)
                                            : index::pairSlot(key.key);
}

std::vector<std::uint32_t> CSearchEngine::slotCandidates(const std::vector<IndexKey>& keys) {
    std::vector<std::uint32_t> slots;
    for (const IndexKey& key : keys) slots.push_back(slotOf(key));
    std::sort(slots.begin(), slots.end());
    slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
    // Smallest buckets first (an empty one means no candidates); a bucket
    // far larger than the entries left costs more to read than the name test
    // it would spare them.
    std::sort(slots.begin(), slots.end(), [&](std::uint32_t a, std::uint32_t b) {
        return m_index.bucket(a).count < m_index.bucket(b).count;
    });
    if (slots.empty() || m_index.bucket(slots[0]).count == 0) return {};
    std::vector<std::uint32_t> left = readBucket(slots[0]);
    for (size_t i = 1; i < slots.size(); ++i) {
        if (m_index.bucket(slots[i]).count > 64 * (left.size() + 1)) break;
        left = intersectPostings({std::move(left), readBucket(slots[i])});
    }
    return left;
}

// How many postings the group's buckets hold (an entry may be in several).
std::uint64_t CSearchEngine::postingsIn(const std::vector<IndexKey>& group) const {
    std::uint64_t count = 0;
    for (const IndexKey& key : group) count += m_index.bucket(slotOf(key)).count;
    return count;
}

// The entries holding any key of the group. Large groups (every character a
// letter may spell) are kept for the generation, as typing asks for them again.
std::vector<std::uint32_t> CSearchEngine::groupCandidates(const NameMatcher::KeyGroup& group) {
    constexpr size_t kKeptFrom = 16;
    if (group.size() >= kKeptFrom) {
        auto kept = m_groupCache.find(group);
        if (kept != m_groupCache.end()) return kept->second;
    }
    std::vector<std::uint32_t> slots;
    for (const IndexKey& key : group) slots.push_back(slotOf(key));
    std::sort(slots.begin(), slots.end());
    slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
    std::vector<std::vector<std::uint32_t>> lists;
    for (std::uint32_t slot : slots)
        if (m_index.bucket(slot).count != 0) lists.push_back(readBucket(slot));
    std::vector<std::uint32_t> entries = unitePostings(lists);
    if (group.size() >= kKeptFrom) m_groupCache.emplace(group, entries);
    return entries;
}

// The entries that may hold the name: for each wanted term, those that hold,
// for one of its ways, a key of every group of that way.
std::vector<std::uint32_t> CSearchEngine::nameCandidates(const NameMatcher& name) {
    std::vector<IndexKey> allOf;
    std::vector<std::vector<std::uint32_t>> anyOf;
    auto single = [](const NameMatcher::KeyGroup& group) { return group.size() == 1; };
    for (const auto& ways : name.candidateKeys()) {
        if (ways.size() == 1 && std::all_of(ways[0].begin(), ways[0].end(), single)) {
            for (const auto& group : ways[0]) allOf.push_back(group[0]);
            continue;
        }
        std::vector<std::vector<std::uint32_t>> wayEntries;
        for (const auto& way : ways) {
            std::vector<IndexKey> keys;
            std::vector<std::pair<std::uint64_t, const NameMatcher::KeyGroup*>> groups;
            for (const auto& group : way) {
                if (single(group))
                    keys.push_back(group[0]);
                else
                    groups.emplace_back(postingsIn(group), &group);
            }
            std::vector<std::vector<std::uint32_t>> lists;
            if (!keys.empty()) lists.push_back(slotCandidates(keys));
            // Smallest groups first; a group far larger than the entries left
            // costs more to read than the name test it would spare them.
            std::sort(groups.begin(), groups.end());
            for (const auto& [postings, group] : groups) {
                if (!lists.empty()) {
                    std::vector<std::uint32_t> left = intersectPostings(std::move(lists));
                    lists = {};
                    const bool worthReading = postings <= 64 * (left.size() + 1);
                    lists.push_back(std::move(left));
                    if (!worthReading) break;
                }
                lists.push_back(groupCandidates(*group));
            }
            wayEntries.push_back(intersectPostings(std::move(lists)));
        }
        anyOf.push_back(unitePostings(wayEntries));
    }
    if (!allOf.empty()) anyOf.push_back(slotCandidates(allOf));
    return intersectPostings(std::move(anyOf));
}

// Filters alone narrow by their suffixes when every match has one of them
// and all are registered; otherwise every entry of the file list is a candidate.
std::vector<std::uint32_t> CSearchEngine::filterCandidates(const SearchCriteria& criteria) {
    const std::optional<std::vector<std::string>> suffixes =
        LineFilters::requiredSuffixes(criteria.filters);
    bool allKnown = suffixes.has_value();
    SearchCriteria bySuffix = criteria;
    bySuffix.typeTab = 1;
    bySuffix.typeFlags.assign(m_extensions.typeFlagCount(), 0);
    for (const std::string& suffix : suffixes.value_or(std::vector<std::string>{})) {
        const ExtensionTable::Entry* entry = m_extensions.find(suffix);
        if (!entry || entry->id < 0 || static_cast<size_t>(entry->id) >= bySuffix.typeFlags.size())
            allKnown = false;
        else
            bySuffix.typeFlags[static_cast<size_t>(entry->id)] = 1;
    }
    if (allKnown) return typeCandidates(bySuffix);
    // Every line's start, found once for each loaded file list: a program
    // that stays (the window, the launchers' provider) pays for it once.
    const std::string_view list = m_index.fileList();
    if (m_lineStartsOf != m_index.generation() || m_lineStarts.empty() != list.empty()) {
        m_lineStarts.clear();
        m_lineStarts.reserve(list.size() / 100);
        for (size_t at = 0; at < list.size();) {
            m_lineStarts.push_back(static_cast<std::uint32_t>(at));
            size_t end = list.find('\n', at);
            at = end == std::string_view::npos ? list.size() : end + 1;
        }
        m_lineStartsOf = m_index.generation();
    }
    return m_lineStarts;
}

// Without name text: every file of the ticked suffixes, by ExtendID, then by entry.
std::vector<std::uint32_t> CSearchEngine::typeCandidates(const SearchCriteria& criteria) {
    std::vector<std::uint32_t> candidates;
    std::vector<bool> read(index::kSuffixBuckets, false);
    size_t flags = std::min(criteria.typeFlags.size(), m_extensions.typeFlagCount());
    for (size_t id = 0; id < flags; ++id) {
        if (!criteria.typeFlags[id]) continue;
        std::uint32_t bucket = index::suffixBucketOf(static_cast<long long>(id));
        if (read[bucket]) continue;  // ids past the table share the last bucket
        read[bucket] = true;
        std::vector<std::uint32_t> postings = readBucket(index::suffixSlot(bucket));
        candidates.insert(candidates.end(), postings.begin(), postings.end());
    }
    return candidates;
}

int CSearchEngine::Search(const SearchCriteria& criteria, ResultView* view, bool quiet,
                          RowSink* rows) {
    std::lock_guard oneAtATime(m_searchMutex);
    m_running = true;
    m_stop = false;
    m_superseded = false;
    struct Running {
        std::atomic<bool>& flag;
        ~Running() { flag = false; }
    } running{m_running};

    if (auto refused = CContentSearch::refusal(criteria.content)) {
        showMessage(*refused, "查询条件过长");
        return kSearchRefused;
    }
    refreshIndex();
    // A name pattern's literal text narrows the candidates as a word would.
    std::string nameText = criteria.name;
    if (std::string literal = LineFilters::requiredNameText(criteria.filters);
        !literal.empty() && !criteria.exactMatch && literal.find('"') == std::string::npos)
        nameText += (nameText.empty() ? "\"" : " \"") + literal + "\"";
    if (criteria.pinyin && !m_pinyinRead && !nameText.empty()) {
        // Read at the first search with name text that wants it; without it
        // names match by letters only.
        m_pinyin = PinyinTable::load(m_programFolder);
        m_pinyinRead = true;
    }
    NameMatcher name(nameText, criteria.caseSensitive, criteria.exactMatch,
                     criteria.pinyin ? m_pinyin.get() : nullptr);
    ContentPlan plan;
    if (!criteria.content.empty())
        plan = ContentPlan::make(m_db, m_dataFolder, m_index.generation(), criteria, m_extensions);
    if (!plan.failure().empty()) {
        reportContentStoreFailure(m_db, m_dataFolder, plan.failure());
        return kSearchFailed;
    }
    std::vector<std::uint32_t> candidates;
    if (plan.covering() && (criteria.name.empty() || !name.narrows())) {
        // The content index brings the candidates of its suffixes; the others'
        // come from the name index.
        SearchCriteria others = criteria;
        others.typeFlags = plan.uncoveredTypeFlags();
        candidates = typeCandidates(others);
    } else if (!nameText.empty() && name.narrows()) {
        candidates = nameCandidates(name);
    } else if (!nameText.empty() && !name.hasTerms() && criteria.filters.empty()) {
        return evaluateCandidates(criteria, name, {}, {}, view, rows, false);  // separators only: nothing
    } else if (criteria.typeTab == 0 && criteria.content.empty() && !criteria.filters.empty()) {
        // Filters alone: the suffix buckets of a wanted ext:, else every entry.
        candidates = filterCandidates(criteria);
    } else if (criteria.typeTab == 0 && criteria.content.empty()) {
        // No name, or one the index cannot narrow (patterns without a literal
        // run, exclusions only): the type and the filters must.
        if (!quiet) showMessage("请输入查询条件！", "查询为空");
        return kSearchEmpty;
    } else {
        candidates = typeCandidates(criteria);
    }
    return evaluateCandidates(criteria, name, candidates, plan, view, rows, true);
}

int CSearchEngine::evaluateCandidates(const SearchCriteria& criteria, const NameMatcher& name,
                                      const std::vector<std::uint32_t>& candidates,
                                      const ContentPlan& plan, ResultView* view, RowSink* rows,
                                      bool withJournal) {
    std::optional<ResultStore> table;
    if (!rows) rows = &table.emplace(m_db, view);
    std::unique_ptr<CContentSearch> content;
    if (!criteria.content.empty()) {
        content = std::make_unique<CContentSearch>(m_programFolder);
        // Content follows the case option, as the name does.
        content->SetPattern(criteria.content, criteria.caseSensitive);
    }
    // The index's candidates, then the entries the journal adds, then the
    // candidates the content index brings when it covers the search (the
    // filter leaves the suffixes it covers to them).
    const std::vector<std::uint32_t>& entries = candidates;
    static const std::vector<std::string_view> none;
    const std::vector<std::string_view>& added = withJournal ? m_journal.entries() : none;
    const std::vector<ContentPlan::Candidate>& brought = plan.candidates();
    // The lines of the brought candidates are made from the files as they are
    // now, each by the one worker that looks at it, and outlive the pass.
    std::vector<std::string> broughtLines(brought.size());
    CandidateFilter filter(criteria, name, m_extensions, content.get(), &plan, &m_journal, m_stop);
    auto lineOf = [&](size_t i) -> std::optional<CandidateLine> {
        if (i < entries.size()) {
            if (auto line = m_index.line(entries[i])) return CandidateLine{*line, true};
            return std::nullopt;
        }
        i -= entries.size();
        if (i < added.size()) return CandidateLine{added[i], false};
        i -= added.size();
        const ContentPlan::Candidate& candidate = brought[i];
        auto state =
            readEntryState(AT_FDCWD, osPathOf(joinPath(candidate.folder, candidate.name)).c_str());
        if (!state || !state->isRegular) return std::nullopt;
        appendFileListLine(broughtLines[i], false, candidate.name, candidate.folder, state->size,
                           state->times);
        broughtLines[i].pop_back();  // the line feed
        return CandidateLine{broughtLines[i], false, true, candidate.check, candidate.document};
    };
    CandidatePass pass(filter, entries.size() + added.size() + brought.size(), lineOf, *rows, view,
                       m_stop, m_threads);
    bool complete = pass.run();
    if (std::string failure = filter.storeFailure(); !failure.empty()) {
        rows->finish(false);
        reportContentStoreFailure(m_db, m_dataFolder, failure);
        return kSearchFailed;
    }
    if (!rows->finish(!complete && m_superseded) || !complete) return kSearchEnded;
    if (rows->count() == 0 && view) {
        view->setHits(0);
        view->showNoResults(noResultsText());
    }
    return kSearchDone;
}

}  // namespace zeph
