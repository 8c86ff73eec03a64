#include "ContentPlan.h"

#include "common/Codec.h"
#include "common/Paths.h"
#include "content/ContentStore.h"
#include "content/ContentTokenizer.h"
#include "search/engine/ExtensionTable.h"
#include "search/engine/SearchCriteria.h"

namespace zeph {

std::string ContentPlan::key(std::string_view folder, std::string_view name) {
    std::string path(folder);
    path += '\0';
    path += name;
    return path;
}

ContentPlan ContentPlan::make(CSQLiteDB& config, const std::string& dataFolder,
                              const std::string& generation, const SearchCriteria& criteria,
                              const ExtensionTable& extensions) {
    ContentPlan plan;
    auto utf8 = toUtf8(criteria.content);
    if (criteria.content.empty() || !utf8) return plan;
    content::ContentScope scope = content::ContentScope::read(config);
    if (!scope.enabled()) return plan;
    std::string problem;
    auto store = content::ContentStore::open(dataFolder, false, &problem);
    if (!store) {
        plan.m_failure = std::move(problem);  // none yet is no failure
        return plan;
    }
    // Only a store compared for this scope knows the files it covers.
    const std::string diffed = store->meta(content::kDiffedGeneration);
    if (diffed.empty() || store->meta(content::kScopeFingerprint) != scope.fingerprint()) {
        plan.m_failure = store->failureText();
        return plan;
    }
    plan.m_compared = diffed == generation;
    plan.m_active = true;
    plan.m_dataFolder = dataFolder;
    plan.m_utf8Text = std::move(*utf8);
    plan.m_letterCase =
        criteria.caseSensitive ? content::LetterCase::Kept : content::LetterCase::Folded;
    plan.m_formText = content::searchForm(plan.m_utf8Text, plan.m_letterCase);
    plan.m_scope = std::move(scope);

    for (auto& [folder, name] : store->pending()) plan.m_pending.insert(key(folder, name));
    for (const content::Document& document : store->partlyHeldPaths())
        if (plan.m_scope.kindOf(document.folder, document.name) == content::DocumentKind::PlainText)
            plan.m_partlyHeld.insert(key(document.folder, document.name));
    auto keys = content::queryKeys(plan.m_utf8Text);
    plan.m_keysExact = plan.m_letterCase == content::LetterCase::Folded && keys &&
                       keys->size() == 1 && keys->front() == plan.m_formText;
    std::vector<content::Document> documents =
        keys ? store->candidateDocuments(*keys) : store->allDocumentPaths();

    const std::string lookIn = normalizeFolder(criteria.folder);
    // A store compared with an older name index cannot bring the files new since.
    const bool covering =
        plan.m_compared && (plan.m_scope.coversFolder(lookIn.empty() ? "/" : lookIn) ||
                            store->meta(content::kListInScope) == "1");
    if (!plan.m_compared)
        for (const content::Document& document : store->allDocumentStates())
            plan.m_states.emplace(key(document.folder, document.name),
                                  std::make_pair(document.size, document.modified));
    plan.m_covering = covering;
    plan.m_uncoveredFlags = criteria.typeFlags;
    extensions.forEach([&](const std::string& suffix, const ExtensionTable::Entry& entry) {
        if (entry.id >= 0 && static_cast<size_t>(entry.id) < plan.m_uncoveredFlags.size() &&
            plan.m_scope.coversSuffix(suffix))
            plan.m_uncoveredFlags[static_cast<size_t>(entry.id)] = 0;
    });

    for (content::Document& document : documents) {
        std::string path = key(document.folder, document.name);
        if (plan.m_pending.contains(path) || plan.m_partlyHeld.contains(path)) continue;
        if (!document.pieces.empty()) plan.m_pieces.emplace(document.id, std::move(document.pieces));
        if (covering) {
            content::DocumentKind kind = plan.m_scope.kindOf(document.folder, document.name);
            plan.m_candidates.push_back({std::move(document.folder), std::move(document.name),
                                         kind == content::DocumentKind::PlainText
                                             ? ContentCheck::Scan
                                             : ContentCheck::StoredText,
                                         document.id});
        } else {
            plan.m_hits.emplace(std::move(path), document.id);
        }
    }
    if (store->failed()) {
        // A reading that ended early (a damaged page, a busy store) is no answer.
        plan.m_active = false;
        plan.m_failure = store->failureText();
        return plan;
    }
    if (covering)
        for (const std::string& path : plan.m_partlyHeld) {
            if (plan.m_pending.contains(path)) continue;  // brought below
            size_t cut = path.find('\0');
            plan.m_candidates.push_back(
                {path.substr(0, cut), path.substr(cut + 1), ContentCheck::Scan, -1});
        }
    if (covering)
        for (const std::string& path : plan.m_pending) {
            size_t cut = path.find('\0');
            plan.m_candidates.push_back(
                {path.substr(0, cut), path.substr(cut + 1), ContentCheck::Scan, -1});
        }
    plan.m_store = std::move(store);
    return plan;
}

std::unique_ptr<content::ContentStore> ContentPlan::takeStore() const {
    std::lock_guard lock(*m_storeMutex);
    return std::move(m_store);
}

const std::vector<std::int64_t>& ContentPlan::piecesOf(std::int64_t document) const {
    static const std::vector<std::int64_t> all;
    auto found = m_pieces.find(document);
    return found == m_pieces.end() ? all : found->second;
}

ContentCheck ContentPlan::checkFor(std::string_view folder, std::string_view name,
                                   std::int64_t size, std::int64_t modified,
                                   std::int64_t& document) const {
    if (!m_active) return ContentCheck::Scan;
    content::DocumentKind kind = m_scope.kindOf(folder, name);
    if (kind == content::DocumentKind::None) return ContentCheck::Scan;
    if (m_covering) return ContentCheck::NotFound;  // the index brings it itself
    std::string path = key(folder, name);
    if (m_pending.contains(path) || m_partlyHeld.contains(path)) return ContentCheck::Scan;
    if (!m_compared) {
        auto state = m_states.find(path);
        if (state == m_states.end() || state->second != std::make_pair(size, modified))
            return ContentCheck::Scan;  // new or changed since the comparison
    }
    auto hit = m_hits.find(path);
    if (hit == m_hits.end()) return ContentCheck::NotFound;
    document = hit->second;
    return kind == content::DocumentKind::PlainText ? ContentCheck::Scan : ContentCheck::StoredText;
}

}  // namespace zeph
