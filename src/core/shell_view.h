#pragma once
// The parts of the program's windows the core drives: the settings window's visibility and
// page, the two password dialogs, and the end of the program. The Qt shell implements it;
// tests use RecordingShellView.
#include <deque>
#include <optional>
#include <string>

namespace korvane::core {

class ShellView {
  public:
    virtual ~ShellView() = default;
    virtual bool MainWindowVisible() const = 0;
    // Restores, shows and raises the settings window / hides it to the tray.
    virtual void ShowMainWindow() = 0;
    virtual void HideMainWindow() = 0;
    // Selects the page "Параметры".
    virtual void SelectFirstPage() = 0;
    // Brings the application's active window to the front.
    virtual void BringToFront() = 0;
    // The password prompt, modal: the typed text when it ends with OK, nothing when cancelled.
    virtual std::optional<std::string> AskPassword() = 0;
    // The set-password dialog, modal: the accepted new password (its OK button checks the two
    // edits with core::CheckNewPassword), nothing when cancelled.
    virtual std::optional<std::string> AskNewPassword() = 0;
    // Ends the program: tray mode closes the hidden window, service mode stops the service.
    // Called at most once; the core does nothing more afterwards.
    virtual void EndProgram() = 0;
};

// Test double: window state in memory, dialogs answered from queues (empty queue: cancelled).
class RecordingShellView : public ShellView {
  public:
    bool MainWindowVisible() const override { return visible; }
    void ShowMainWindow() override { visible = true; }
    void HideMainWindow() override { visible = false; }
    void SelectFirstPage() override { ++firstPageSelections; }
    void BringToFront() override { ++broughtToFront; }
    std::optional<std::string> AskPassword() override {
        return Next(typedPasswords, passwordPrompts);
    }
    std::optional<std::string> AskNewPassword() override {
        return Next(newPasswords, newPasswordDialogs);
    }
    void EndProgram() override { ++programEnds; }

    bool visible = false;
    int firstPageSelections = 0;
    int broughtToFront = 0;
    int passwordPrompts = 0;
    int newPasswordDialogs = 0;
    int programEnds = 0;
    std::deque<std::optional<std::string>> typedPasswords;
    std::deque<std::optional<std::string>> newPasswords;

  private:
    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& queue,
                                           int& count) {
        ++count;
        if (queue.empty()) return std::nullopt;
        auto answer = queue.front();
        queue.pop_front();
        return answer;
    }
};

}  // namespace korvane::core
