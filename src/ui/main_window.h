#pragma once
// The settings window TKorvaneMainForm: a thin view over core::KorvaneCore. Every control is
// bound to its field of core::Controls; an edit writes the field, runs the core's handler and
// then every widget is refreshed from the fields. It is also the core's ShellView.
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "core/controls.h"
#include "core/shell_view.h"
#include "platform/messages.h"
#include "platform/resolver.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace korvane::core {
class KorvaneCore;
}

namespace korvane::ui {

class MainWindow : public QWidget, public core::ShellView {
    Q_OBJECT

  public:
    MainWindow(platform::Messages& messages, platform::Resolver& resolver);

    // The core is built over this window (as its ShellView), so it is attached afterwards.
    void Attach(core::KorvaneCore& core);
    // Every widget takes its field's current state.
    void Refresh();

    bool MainWindowVisible() const override { return isVisible(); }
    void ShowMainWindow() override;
    void HideMainWindow() override { hide(); }
    void SelectFirstPage() override;
    void BringToFront() override;
    std::optional<std::string> AskPassword() override;
    std::optional<std::string> AskNewPassword() override;
    void EndProgram() override;

  protected:
    // Closing the window hides it to the tray; the program goes on.
    void closeEvent(QCloseEvent* event) override;

  private:
    using Handler = std::function<void()>;

    // Runs a core handler on the UI's behalf, then refreshes every widget.
    void Run(const Handler& handler);

    QCheckBox* Check(const char* name, const char* caption, bool core::Controls::*tick,
                     bool core::Controls::*enabled = nullptr, Handler click = {});
    QSpinBox* Spin(const char* name, int minimum, int maximum, int core::Controls::*value,
                   bool core::Controls::*enabled = nullptr, Handler change = {});
    QLineEdit* Line(const char* name, std::string core::Controls::*text,
                    bool core::Controls::*enabled = nullptr, Handler change = {});
    QLineEdit* ReadOnly(const char* name, std::string core::Controls::*text);
    QComboBox* IndexCombo(const char* name, const std::vector<const char*>& items,
                          int core::Controls::*index, Handler select = {});
    QComboBox* StateCombo(const char* name, bool editable, core::ComboState core::Controls::*state,
                          Handler select = {});
    QPlainTextEdit* Memo(const char* name, std::vector<std::string> core::Controls::*lines,
                         bool core::Controls::*enabled = nullptr);
    QLabel* Label(const char* name, std::string core::Controls::*text);
    QPushButton* Button(const char* name, const char* caption, Handler click,
                        bool core::Controls::*enabled = nullptr);

    QWidget* ParametersPage();
    QWidget* AdaptersPage();
    QWidget* SubnetListPage();
    QWidget* WhiteListPage();
    QWidget* PluginsPage();
    QWidget* BlackListPage();
    QWidget* AboutPage();
    QListWidget* LogList();
    QListWidget* PluginList();

    core::Controls& controls();

    platform::Messages& messages_;
    platform::Resolver& resolver_;
    core::KorvaneCore* core_ = nullptr;
    QTabWidget* pages_;
    QWidget* blackListPage_ = nullptr;
    std::vector<Handler> refreshers_;
    bool refreshing_ = false;
};

}  // namespace korvane::ui
