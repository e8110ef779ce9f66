#pragma once
// CConfigDlg: the filter-set file and the group name, taken over on OK after the group check.
#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "grouplink/plugin_settings.h"
#include "platform/messages.h"

class QLineEdit;

namespace korvane::grouplink {

class ConfigDialog : public QDialog {
  public:
    // Asks for a filter-set file, starting at the given name; nothing when cancelled.
    using FileChooser =
        std::function<std::optional<QString>(QWidget* parent, const QString& initial)>;

    ConfigDialog(const std::string& nameText, const PluginSettings& settings,
                 platform::Messages& messages, FileChooser chooseFile = OpenFileDialog);

    // The settings taken over by the last successful check (the initial ones before that).
    const PluginSettings& Settings() const { return settings_; }

    void accept() override;

    static std::optional<QString> OpenFileDialog(QWidget* parent, const QString& initial);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool TakeOverFields();
    void Browse();
    void SelectFileName();

    std::string nameText_;
    PluginSettings settings_;
    platform::Messages& messages_;
    FileChooser chooseFile_;
    QLineEdit* fileEdit_;
    QLineEdit* groupEdit_;
};

}  // namespace korvane::grouplink
