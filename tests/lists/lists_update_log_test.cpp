// The update log: pictures by wording and the selection.
#include <gtest/gtest.h>

#include "lists/update_log.h"

namespace korvane::lists {
namespace {

TEST(ListsUpdateLog, PictureBySubstring) {
    const std::pair<std::string, LogPicture> rows[] = {
        {"10:00:00, загружен /opt/korvane/Lists/tarvel-list.lst", LogPicture::ImageOK},
        {"10:00:00, успешно загружено 120 подсетей", LogPicture::ImageOK},
        {"10:00:00, ошибка. подсетей не обнаружено, попытка через 5 сек.", LogPicture::ImageError},
        {"загружен, но ошибка", LogPicture::ImageOK},
        {"10:00:00, попытка соединения с http://example.org/list.txt", LogPicture::ImageInfo},
        {"Изменились интерфейсы:  Gateway = 10.0.0.1. IP = 10.0.0.5", LogPicture::ImageInfo},
        {"Ошибка с заглавной", LogPicture::ImageInfo},  // case-sensitive
    };
    for (const auto& [line, picture] : rows) EXPECT_EQ(LogPictureFor(line), picture) << line;
}

TEST(ListsUpdateLog, OnlySelectingLinesMoveTheSelection) {
    UpdateLog log;
    int changes = 0;
    log.onChanged = [&] { ++changes; };
    EXPECT_EQ(log.SelectedIndex(), -1);
    log.AddLogLine("a", true);
    log.AddLogLine("Активация по запросу внешнего приложения", false);
    EXPECT_EQ(log.SelectedIndex(), 0);
    log.AddLogLine("b", true);
    EXPECT_EQ(log.SelectedIndex(), 2);
    for (int i = 0; i < 500; ++i) log.AddLogLine("line " + std::to_string(i), false);
    EXPECT_EQ(log.Lines().size(), 503u);
    EXPECT_EQ(log.Lines().front(), "a");
    log.SelectLastLine();
    EXPECT_EQ(log.SelectedIndex(), 502);
    EXPECT_EQ(changes, 504);
}

}  // namespace
}  // namespace korvane::lists
