#pragma once
// The wall as the list download, the tray commands and the settings call it.

namespace korvane::routing {

class WallHooks {
  public:
    virtual ~WallHooks() = default;
    virtual void ActivateWall() = 0;
    virtual void DeactivateWall() = 0;
    // The check mark of the tray item Activate: the requested wall state.
    virtual bool ActivateChecked() const = 0;
    virtual bool ActivationImpossible() const = 0;
};

}  // namespace korvane::routing
