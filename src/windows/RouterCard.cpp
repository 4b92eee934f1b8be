#include "windows/RouterCard.h"

#include "app/RouterConnectionFlow.h"
#include "display/QtColour.h"
#include "router/RouterFamily.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "windows/DeferredTextWrite.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int fieldWidth = 170;

QString buttonLabel(ConnectionState state) {
    switch (state) {
    case ConnectionState::disconnected:
        return QStringLiteral("Connect");
    case ConnectionState::connecting:
        return QStringLiteral("Connecting\u2026");
    case ConnectionState::connected:
        return QStringLiteral("Disconnect");
    case ConnectionState::failed:
        return QStringLiteral("Retry");
    case ConnectionState::lost:
        return QStringLiteral("Reconnect");
    }
    return QString();
}

QString familyText(const QString& family) {
    if (family == RouterFamily::glinet)
        return QStringLiteral("GL.iNet router detected");
    if (family == RouterFamily::unifi)
        return QStringLiteral("UniFi OS detected");
    if (family == RouterFamily::peplink)
        return QStringLiteral("Peplink router detected (beta)");
    return QStringLiteral("Router type not recognized");
}

QLabel* noteLabel(const QString& text) {
    auto* note = new QLabel(text);
    note->setWordWrap(true);
    note->setStyleSheet(QStringLiteral("color: %1;").arg(toQColor(Colour::secondaryLabel).name()));
    return note;
}

void setTextKeepingCursor(QLineEdit* field, const QString& text) {
    if (field->text() != text)
        field->setText(text);
}

} // namespace

RouterCard::RouterCard(SettingsStore& settings, RouterConnectionFlow& flow, QWidget* parent)
    : SettingsCard(QStringLiteral("Router"), QStringLiteral("network"), settings, parent)
    , flow(flow) {
    addAddressRows();
    addCredentialRows();
    addStatusRows();
    onReload([this] { showFlowState(); });
}

void RouterCard::addAddressRows() {
    address = new QLineEdit;
    address->setObjectName(SettingsKey::routerIP);
    gatewayPicker = new QComboBox;
    gatewayPicker->setObjectName(QStringLiteral("gatewayPicker"));
    address->setMinimumWidth(fieldWidth);
    addRow(QStringLiteral("Router IP"), address);
    body()->addWidget(gatewayPicker, 0, Qt::AlignRight);
    // Detection starts once the address is typed, not at each digit of it.
    addressWrite =
        new DeferredTextWrite(*address, [this](const QString& text) { this->flow.setRouterIP(text); });
    connect(gatewayPicker, &QComboBox::activated, this, [this](int index) {
        const QList<GatewayOption> gateways = this->flow.detectedGateways();
        if (index >= 0 && index < gateways.size())
            this->flow.setRouterIP(gateways[index].ip);
    });
}

void RouterCard::addCredentialRows() {
    username = new QLineEdit;
    username->setObjectName(SettingsKey::routerUsername);
    username->setPlaceholderText(QStringLiteral("admin"));
    username->setMinimumWidth(fieldWidth);
    addRow(QStringLiteral("Username"), username);
    usernameWrite = new DeferredTextWrite(*username, [this](const QString& text) {
        this->settings.writeString(SettingsKey::routerUsername, text);
    });
    uniFiNote = noteLabel(QStringLiteral("Local admin account required. SSO accounts are not supported."));
    body()->addWidget(uniFiNote);

    password = new QLineEdit;
    password->setMinimumWidth(fieldWidth - 30);
    password->setObjectName(QStringLiteral("localPassword"));
    eye = new QToolButton;
    eye->setObjectName(QStringLiteral("showPassword"));
    auto* line = new QWidget;
    auto* fields = new QHBoxLayout(line);
    fields->setContentsMargins(0, 0, 0, 0);
    fields->addWidget(password, 1);
    fields->addWidget(eye);
    addRow(QStringLiteral("Password"), line);
    characterCount = noteLabel(QString());
    characterCount->setObjectName(QStringLiteral("characterCount"));
    body()->addWidget(characterCount);
    connect(password, &QLineEdit::textEdited, this, [this](const QString& text) {
        this->flow.setLocalPassword(text);
        showFlowState();
    });
    connect(eye, &QToolButton::clicked, this, [this] {
        showPassword = !showPassword;
        showFlowState();
    });
}

void RouterCard::addStatusRows() {
    auto* line = new QHBoxLayout;
    progress = new QProgressBar;
    progress->setRange(0, 0);
    progress->setMaximumSize(60, 10);
    progress->setTextVisible(false);
    line->addWidget(progress);
    status = new QLabel;
    status->setObjectName(QStringLiteral("routerStatus"));
    // It shows the model name the router gave.
    status->setTextFormat(Qt::PlainText);
    line->addWidget(status, 1);
    forgetIdentity = new QPushButton(QStringLiteral("Forget router identity"));
    forgetIdentity->setObjectName(QStringLiteral("forgetRouterIdentity"));
    line->addWidget(forgetIdentity);
    body()->addLayout(line);
    error = new QLabel;
    error->setObjectName(QStringLiteral("connectionError"));
    error->setTextFormat(Qt::PlainText);
    error->setWordWrap(true);
    error->setStyleSheet(QStringLiteral("color: %1;").arg(toQColor(Colour::systemRed).name()));
    body()->addWidget(error);
    connectButton = new QPushButton;
    connectButton->setObjectName(QStringLiteral("connectButton"));
    body()->addWidget(connectButton, 0, Qt::AlignRight);
    connect(forgetIdentity, &QPushButton::clicked, this, [this] { this->flow.forgetRouterIdentity(); });
    connect(connectButton, &QPushButton::clicked, this, [this] { this->flow.press(); });
}

void RouterCard::showFlowState() {
    const ConnectionState state = flow.connectionState();
    const QString family = stringSetting(SettingsKey::detectedRouterType);
    addressWrite->show(stringSetting(SettingsKey::routerIP));
    gatewayPicker->clear();
    for (const GatewayOption& gateway : flow.detectedGateways())
        gatewayPicker->addItem(gateway.label, gateway.ip);
    gatewayPicker->setCurrentIndex(gatewayPicker->findData(stringSetting(SettingsKey::routerIP)));
    usernameWrite->show(stringSetting(SettingsKey::routerUsername));
    uniFiNote->setVisible(family == RouterFamily::unifi);

    setTextKeepingCursor(password, flow.localPassword());
    password->setEchoMode(showPassword ? QLineEdit::Normal : QLineEdit::Password);
    eye->setIcon(symbolIcon(showPassword ? QStringLiteral("eye.slash") : QStringLiteral("eye")));
    eye->setToolTip(showPassword ? QStringLiteral("Hide password") : QStringLiteral("Show password"));
    characterCount->setVisible(!showPassword && !password->text().isEmpty());
    characterCount->setText(QString::number(password->text().size()) + QStringLiteral(" characters entered"));
    username->setEnabled(state != ConnectionState::connected);
    password->setEnabled(state != ConnectionState::connected);

    const QString modelName = stringSetting(SettingsKey::detectedModelName);
    // Detection before a login can take seconds: it shows as the login does.
    const bool working = flow.isBusy() && state != ConnectionState::connected;
    progress->setVisible(working);
    QString statusText;
    QString statusColour = toQColor(Colour::secondaryLabel).name();
    if (state == ConnectionState::lost) {
        statusText = QStringLiteral("Router unreachable");
        statusColour = toQColor(Colour::systemRed).name();
    } else if (state == ConnectionState::connected && !modelName.isEmpty()) {
        statusText = modelName;
        statusColour = toQColor(Colour::excellentTeal).name();
    } else if (state != ConnectionState::connecting && !family.isEmpty()) {
        statusText = familyText(family);
    }
    if (state == ConnectionState::connected && flow.isUnencrypted())
        statusText += QStringLiteral(" (unencrypted)");
    status->setText(statusText);
    status->setStyleSheet(QStringLiteral("color: %1;").arg(statusColour));
    error->setText(flow.connectionError());
    error->setVisible(!flow.connectionError().isEmpty());
    forgetIdentity->setVisible(flow.identityChanged());
    connectButton->setText(buttonLabel(working ? ConnectionState::connecting : state));
    connectButton->setEnabled(!flow.isBusy());
}
