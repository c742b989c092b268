#pragma once

#include "cli/result_table.h"
#include "history/site_change.h"

#include <string>
#include <vector>

// The message linkwatch-cli run --notify sends to a chat robot's web hook
// when the run changed something: which links were lost and which came back
// (and which sites went down or came up), as a short Chinese text; the
// changes of an earlier run whose notice failed come first. Qt-free;
// nothing here blocks or throws but for want of memory.

enum class NoticeFormat {
    Json, // the changes command's json output
    DingTalk, // {"msgtype":"text","text":{"content":…}}
    WeCom, // the same shape as DingTalk
    Feishu, // {"msg_type":"text","content":{"text":…}}
};

// The request body, UTF-8 JSON. listName names the checked list in the text.
// changes must not be empty.
std::string NoticeBody(
    const std::vector<SiteChange>& changes, NoticeFormat format, const std::string& listName);
