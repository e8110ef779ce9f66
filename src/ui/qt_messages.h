#pragma once
// Message boxes on screen: platform::Messages as modal QMessageBox dialogs.
#include "platform/messages.h"

class QWidget;

namespace korvane::ui {

class QtMessages : public platform::Messages {
  public:
    // Boxes are centred on the parent when it is shown; without one they stand alone.
    explicit QtMessages(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    platform::MessageAnswer Show(const platform::Message& message) override;

  private:
    QWidget* parent_;
};

}  // namespace korvane::ui
