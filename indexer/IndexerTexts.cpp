#include "IndexerTexts.h"

#include <unistd.h>

#include "common/Codec.h"
#include "common/IndexFormat.h"
#include "common/Messages.h"
#include "common/Paths.h"

namespace zeph {

namespace {
// The builder's own name in its failure texts.
const char kBuilderSource[] = ".\\BuildIndex";
}  // namespace

std::string indexFailedCaption() {
    return "建立索引失败";
}

std::string fileListTooLargeText() {
    return "文件列表超过 4 GB，无法建立索引。请在系统设置中减少需要建立索引的文件夹。";
}

std::string indexDataTooLargeText() {
    return "索引数据超过 4 GB，无法建立索引。请在系统设置中减少需要建立索引的文件夹。";
}

std::string fileListWriteFailedText() {
    return "写入文件列表失败，请检查磁盘空间后重新建立索引！原来的索引没有改变。";
}

std::string systemFileMissingText(int line) {
    return std::string("系统文件丢失,请与开发商联系!异常点为文件 ") + kBuilderSource + " 的第 " +
           std::to_string(line) + " 行\n";
}

std::string importFailedText(int line) {
    return std::string("导入文件内容失败！文件 ") + kBuilderSource + " 的第 " +
           std::to_string(line) + " 行！";
}

std::string tmpFile(const std::string& programFolder, const char* name) {
    return joinPath(joinPath(programFolder, "tmp"), name);
}

void removeWorkFiles(const std::string& programFolder) {
    for (const char* name : {index::kFileListName, index::kMetaIndexName, index::kIndexDataName})
        ::unlink(osPath(tmpFile(programFolder, name)).c_str());
}

void failRun(const std::string& programFolder, int code, const std::string& text,
             const std::string& caption) {
    removeWorkFiles(programFolder);
    fatalExit(code, text, caption);
}

}  // namespace zeph
