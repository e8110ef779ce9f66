#include "lists/update_log.h"

namespace korvane::lists {

LogPicture LogPictureFor(std::string_view line) {
    if (line.find("загружен") != std::string_view::npos) return LogPicture::ImageOK;
    if (line.find("ошибка") != std::string_view::npos) return LogPicture::ImageError;
    return LogPicture::ImageInfo;
}

void UpdateLog::AddLogLine(std::string line, bool select) {
    lines_.push_back(std::move(line));
    if (select) selected_ = static_cast<int>(lines_.size()) - 1;
    Changed();
}

void UpdateLog::SelectLastLine() {
    selected_ = static_cast<int>(lines_.size()) - 1;
    Changed();
}

}  // namespace korvane::lists
