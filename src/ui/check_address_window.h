#pragma once
// The address check window TFormCheckAddress: a thin view over lists::CheckAddressForm. Edits
// and keys go to the form; after each call the widgets are refreshed from its controls.
#include <QDialog>

#include "lists/check_address_form.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvane::ui {

class CheckAddressWindow : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 345;
    static constexpr int kClientHeight = 138;
    static constexpr int kScreenMargin = 20;

    // Takes over the form's onShow: every Show of the form (from the tray or the clipboard
    // monitor) refreshes and raises this window.
    explicit CheckAddressWindow(lists::CheckAddressForm& form, QWidget* parent = nullptr);

    // The widgets take the form's current controls.
    void Refresh();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void PlaceInScreenCorner();
    void ShowOnTop();

    lists::CheckAddressForm& form_;
    QLineEdit* editAddress_;
    QPushButton* buttonCheck_;
    QLabel* image_;
    QLineEdit* editDomain_;
    QLineEdit* editIP_;
    QLabel* labelResult_;
};

// The three 40 x 40 category pictures: 0 not resolved, 1 exchange (also local), 2 foreign.
QPixmap CategoryPixmap(int index);

}  // namespace korvane::ui
