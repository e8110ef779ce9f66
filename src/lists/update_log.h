#pragma once
// The update log: lines in memory, oldest first, never trimmed, cleared or saved.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::lists {

enum class LogPicture { ImageOK, ImageError, ImageInfo };

// Chosen by plain, case-sensitive substring: "загружен" first, then "ошибка".
LogPicture LogPictureFor(std::string_view line);

class UpdateLog {
  public:
    // Appends the line; with select, the new last line becomes the selected one.
    void AddLogLine(std::string line, bool select);
    void SelectLastLine();

    const std::vector<std::string>& Lines() const { return lines_; }
    // -1 while nothing is selected.
    int SelectedIndex() const { return selected_; }

    // Lets the view follow: called after every change of the lines or the selection.
    std::function<void()> onChanged;

  private:
    void Changed() {
        if (onChanged) onChanged();
    }

    std::vector<std::string> lines_;
    int selected_ = -1;
};

}  // namespace korvane::lists
