#pragma once

#include "windows/SettingsCard.h"

class DeferredTextWrite;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class RouterConnectionFlow;

// The router card: address with the detected gateways, username, password and
// the connection flow's status line and button. Every change of state comes
// from the flow; the card only shows it and passes the user's input on.
class RouterCard : public SettingsCard {
    Q_OBJECT
public:
    RouterCard(SettingsStore& settings, RouterConnectionFlow& flow, QWidget* parent = nullptr);

private:
    void addAddressRows();
    void addCredentialRows();
    void addStatusRows();
    void showFlowState();

    RouterConnectionFlow& flow;
    QLineEdit* address;
    DeferredTextWrite* addressWrite;
    QComboBox* gatewayPicker;
    QLineEdit* username;
    DeferredTextWrite* usernameWrite;
    QLabel* uniFiNote;
    QLineEdit* password;
    QToolButton* eye;
    QLabel* characterCount;
    QProgressBar* progress;
    QLabel* status;
    QLabel* error;
    QPushButton* forgetIdentity;
    QPushButton* connectButton;
    bool showPassword = false;
};
