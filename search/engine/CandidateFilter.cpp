#include "CandidateFilter.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "common/Codec.h"
#include "common/EntryNames.h"
#include "common/FileList.h"
#include "common/KeyScheme.h"
#include "common/Paths.h"
#include "content/ContentStore.h"
#include "content/DocumentKind.h"
#include "search/engine/ExtensionTable.h"
#include "search/engine/JournalView.h"

namespace zeph {

namespace {

std::int64_t timeOfKind(const FileListLine& line, int kind) {
    switch (kind) {
        case kModificationTime:
            return line.times.modified;
        case kAccessTime:
            return line.times.accessed;
        default:
            return line.times.created;
    }
}

}  // namespace

CandidateFilter::CandidateFilter(const SearchCriteria& criteria, const NameMatcher& name,
                                 const ExtensionTable& extensions, const CContentSearch* content,
                                 const ContentPlan* plan, const JournalView* journal,
                                 const std::atomic<bool>& stop)
    : m_criteria(criteria),
      m_name(name),
      m_extensions(extensions),
      m_content(content),
      m_plan(content && plan && plan->active() ? plan : nullptr),
      m_journal(journal && !journal->empty() ? journal : nullptr),
      m_stop(stop),
      m_lineFilters(criteria.filters, criteria.caseSensitive) {}

CandidateFilter::Worker::Worker(const CandidateFilter& filter) {
    if (filter.m_content) m_content = std::make_unique<CContentSearch>(*filter.m_content);
}

CandidateFilter::Worker::~Worker() = default;

bool CandidateFilter::Worker::folderHidden(const JournalView& journal, std::string_view gbkFolder) {
    if (!m_hiddenKnown || gbkFolder != m_hiddenFolder) {
        m_hiddenFolder.assign(gbkFolder);
        m_hidden = journal.hidesFolder(gbkFolder);
        m_hiddenKnown = true;
    }
    return m_hidden;
}

int CandidateFilter::Worker::folderHandle(std::string_view gbkFolder) {
    if (m_folderFd.valid() && gbkFolder == m_folder) return m_folderFd.get();
    m_folder.assign(gbkFolder);
    std::string os = isEscapedName(m_folder) ? std::string() : osPath(m_folder);
    m_folderFd = os.empty() ? UniqueFd() : openDeep(os, O_PATH | O_DIRECTORY);
    m_folderAsUtf8 = m_folderFd.valid();
    // A folder whose name on disk is not its UTF-8 form (raw GBK bytes, say).
    if (!m_folderFd.valid() && !(os = osPathOf(m_folder)).empty())
        m_folderFd = openDeep(os, O_PATH | O_DIRECTORY);
    return m_folderFd.get();
}

const char* CandidateFilter::Worker::osNameOnDisk(int dirFd, std::string_view gbkName) {
    const char* os = isEscapedName(gbkName) ? nullptr : osName(gbkName);
    struct stat st;
    m_nameAsUtf8 = os && ::fstatat(dirFd, os, &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (m_nameAsUtf8) return os;
    // Only a name that is held other than as its UTF-8 form is looked for.
    if (isAscii(gbkName) && gbkName.find('\\') == std::string_view::npos) return nullptr;
    m_osName = osNameIn(dirFd, gbkName);
    return m_osName.empty() ? nullptr : m_osName.c_str();
}

const char* CandidateFilter::Worker::osName(std::string_view gbkName) {
    if (isAscii(gbkName)) {
        m_osName.assign(gbkName);
    } else {
        auto utf8 = toUtf8(gbkName);
        if (!utf8) return nullptr;
        m_osName = std::move(*utf8);
    }
    return m_osName.c_str();
}

// The existence test of every result: something is at the path now (a
// dangling link counts); with content text, a regular file holding it.
bool CandidateFilter::existsWithContent(Worker& worker, std::string_view folder,
                                        std::string_view name, ContentCheck check,
                                        std::int64_t document) const {
    int dirFd = worker.folderHandle(folder);
    if (dirFd < 0) return false;
    const char* os = worker.osNameOnDisk(dirFd, name);
    if (!os) return false;
    if (worker.m_content && check == ContentCheck::Scan)
        return worker.m_content->SearchFileAt(dirFd, os, &m_stop) >= 0;
    return !worker.m_content || storedTextHolds(worker, document);
}

// A text that cannot be read is no "not found": the search says the store failed.
bool CandidateFilter::storedTextHolds(Worker& worker, std::int64_t document) const {
    if (m_plan->keysAreExact()) return true;
    std::string problem;
    if (!worker.m_store) worker.m_store = m_plan->takeStore();
    if (!worker.m_store)
        worker.m_store = content::ContentStore::open(m_plan->dataFolder(), false, &problem);
    std::optional<bool> holds;
    if (worker.m_store) {
        holds = worker.m_store->holds(document, m_plan->piecesOf(document), m_plan->formText(),
                                      m_plan->letterCase());
        if (!holds) problem = worker.m_store->failed() ? worker.m_store->failureText()
                                                       : std::string("文档内容索引已损坏");
    } else if (problem.empty()) {
        problem = "文档内容索引无法打开";
    }
    if (!problem.empty()) {
        std::lock_guard lock(m_failureMutex);
        if (m_storeFailure.empty()) m_storeFailure = problem;
        return false;
    }
    return *holds;
}

std::string CandidateFilter::storeFailure() const {
    std::lock_guard lock(m_failureMutex);
    return m_storeFailure;
}

Verdict CandidateFilter::evaluate(Worker& worker, const CandidateLine& candidate,
                                  FoundRows& found) const {
    const std::string_view text = candidate.text;
    const bool isFolder = !text.empty() && text[0] == kFolderKind;
    const bool anyType = !m_content && m_criteria.typeTab == 0;
    if (isFolder && !anyType) return Verdict::Skip;
    auto line = parseFileListLine(text);
    if (!line || line->numberCount < 2 + std::clamp(m_criteria.timeKind, 0, 2))
        return Verdict::Malformed;
    if (!m_name.matches(line->name, worker.m_lowered)) return Verdict::Skip;
    if (!m_criteria.showHidden && isHiddenEntry(line->folder, line->name)) return Verdict::Skip;
    ContentCheck check = candidate.check;
    std::int64_t document = candidate.document;
    if (m_plan && !candidate.fromContentIndex)
        check = m_plan->checkFor(line->folder, line->name, line->size, line->times.modified,
                                 document);
    if (check == ContentCheck::NotFound) return Verdict::Skip;
    // An entry of the index that changed since is the journal's to answer for.
    if (candidate.fromIndex && m_journal &&
        (worker.folderHidden(*m_journal, line->folder) ||
         m_journal->names(line->folder, line->name)))
        return Verdict::Skip;

    const std::string* typeText = nullptr;
    static const std::string kFolderType = folderTypeText(), kUnknownType = unknownTypeText();
    const ExtensionTable::Entry* known = nullptr;
    worker.m_suffix.clear();
    if (isFolder) {
        typeText = &kFolderType;
    } else {
        Suffix suffix = nameSuffix(line->name);
        if (suffix.hasSuffix) {
            worker.m_suffix.assign(suffix.text);
            lowerBytesInPlace(worker.m_suffix);
            known = m_extensions.find(worker.m_suffix);
        }
        if (!known) {
            // A document the content index reads is searched by content under
            // "all types" even where the suffix table lacks its suffix.
            const bool readDocument = m_content && m_criteria.typeTab == 0 &&
                                      content::documentKind(worker.m_suffix, false) !=
                                          content::DocumentKind::None;
            if (!anyType && !readDocument) return Verdict::Skip;
            typeText = &kUnknownType;
        } else {
            bool wanted = known->id >= 0 &&
                          static_cast<size_t>(known->id) < m_criteria.typeFlags.size() &&
                          m_criteria.typeFlags[static_cast<size_t>(known->id)];
            if (!wanted && !anyType) return Verdict::Skip;
            typeText = &known->description;
        }
    }
    if (!m_criteria.folder.empty() && !folderContains(m_criteria.folder, line->folder))
        return Verdict::Skip;
    std::int64_t time = timeOfKind(*line, m_criteria.timeKind);
    if (time < m_criteria.timeFrom || time > m_criteria.timeTo) return Verdict::Skip;
    if (line->size < m_criteria.sizeMin || line->size > m_criteria.sizeMax) return Verdict::Skip;
    if (!m_lineFilters.empty() &&
        !m_lineFilters.accepts(*line, isFolder, worker.m_suffix, known ? known->type : 0))
        return Verdict::Skip;
    if (!existsWithContent(worker, line->folder, line->name, check, document)) return Verdict::Skip;

    found.begin(line->name, line->folder, *typeText,
                worker.m_folderAsUtf8 && worker.m_nameAsUtf8);
    appendSizeText(found.texts(), line->size);
    found.endSize();
    worker.m_times.append(found.texts(), time);
    return Verdict::Accept;
}

}  // namespace zeph
