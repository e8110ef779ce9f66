#pragma once
// The tray as the logic sees it: hint, picture, balloons and the popup menu's marks.
// The Qt shell mirrors it onto QSystemTrayIcon; tests read RecordingTrayView.
#include <map>
#include <string>
#include <vector>

namespace korvane::routing {

enum class TrayPicture { IconOn, IconOff, UnavailableActivated, UnavailableDeactivated };

enum class TrayMenuItem {
    PauseRefreshing,
    WhiteListOn,
    WhiteListOff,
    Activate,
    Deactivate,
    N4,
    Settings,
    MenuExit
};

struct Balloon {
    std::string title;
    std::string text;
    int timeoutSeconds = 10;
};

class TrayView {
  public:
    virtual ~TrayView() = default;
    virtual void SetHint(const std::string& hint) = 0;
    virtual std::string Hint() const = 0;
    virtual void SetPicture(TrayPicture picture) = 0;
    virtual TrayPicture Picture() const = 0;
    // Always with the information icon; a new balloon replaces the one on screen.
    virtual void ShowBalloon(const Balloon& balloon) = 0;
    virtual void SetChecked(TrayMenuItem item, bool checked) = 0;
    virtual bool Checked(TrayMenuItem item) const = 0;
    virtual void SetEnabled(TrayMenuItem item, bool enabled) = 0;
    virtual bool Enabled(TrayMenuItem item) const = 0;
};

// In-memory tray with the start state of the window definition: picture off,
// hint "deactivated", Deactivate ticked, every item enabled.
class RecordingTrayView : public TrayView {
  public:
    RecordingTrayView() { checked_[TrayMenuItem::Deactivate] = true; }
    void SetHint(const std::string& hint) override { hint_ = hint; }
    std::string Hint() const override { return hint_; }
    void SetPicture(TrayPicture picture) override { picture_ = picture; }
    TrayPicture Picture() const override { return picture_; }
    void ShowBalloon(const Balloon& balloon) override { balloons.push_back(balloon); }
    void SetChecked(TrayMenuItem item, bool checked) override { checked_[item] = checked; }
    bool Checked(TrayMenuItem item) const override {
        auto it = checked_.find(item);
        return it != checked_.end() && it->second;
    }
    void SetEnabled(TrayMenuItem item, bool enabled) override { disabled_[item] = !enabled; }
    bool Enabled(TrayMenuItem item) const override {
        auto it = disabled_.find(item);
        return it == disabled_.end() || !it->second;
    }

    std::vector<Balloon> balloons;

  private:
    std::string hint_ = "Korvane (деактивирована)";
    TrayPicture picture_ = TrayPicture::IconOff;
    std::map<TrayMenuItem, bool> checked_;
    std::map<TrayMenuItem, bool> disabled_;
};

}  // namespace korvane::routing
