#include "ContentStoreFailure.h"

#include "common/Messages.h"
#include "common/SystemLog.h"
#include "content/ContentStore.h"

namespace zeph {

void reportContentStoreFailure(CSQLiteDB& config, const std::string& dataFolder,
                               const std::string& why) {
    WriteLog(config, kLiveIndexLogType, "按内容搜索失败：" + why);
    const std::string text = why +
                             "，按内容搜索的结果不完整，所以没有给出。\n"
                             "要现在重建文档内容索引吗？（实时更新索引会立即重建它，否则在下次"
                             "更新索引时重建；重建完成前，按内容搜索会直接读取文件。）";
    if (askYesNo(text, "文档内容索引") && content::ContentStore::requestRebuild(dataFolder))
        WriteLog(config, kLiveIndexLogType, "已安排重建文档内容索引");
}

}  // namespace zeph
