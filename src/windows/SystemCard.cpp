#include "windows/SystemCard.h"

#include "BuildInfo.h"
#include "app/RouterConnectionFlow.h"
#include "app/SettingsWindowActions.h"
#include "logs/EventLogger.h"
#include "platform/LaunchAtLogin.h"
#include "platform/ProgramInstallation.h"
#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

QString buildLabelText(const QString& version, const QString& label, const QString& build) {
    const auto orUnknown = [](const QString& text) { return text.isEmpty() ? QStringLiteral("?") : text; };
    QString text = QStringLiteral("v") + orUnknown(version);
    if (!label.isEmpty())
        text += u' ' + label;
    return text + QStringLiteral(" (build ") + orUnknown(build) + u')';
}

SystemCard::SystemCard(SettingsStore& settings, SettingsWindowActions& actions, QWidget* parent)
    : SettingsCard(QStringLiteral("System"), QStringLiteral("gearshape"), settings, parent)
    , actions(actions) {
    addSwitch(QStringLiteral("Keep on Top"), SettingsKey::settingsWindowOnTop, [](bool onTop) {
        NotificationCenter::shared().post(NotificationName::settingsWindowOnTopToggled, onTop);
    });
    addSwitch(QStringLiteral("Router Auto-Connect"), SettingsKey::routerAutoConnectEnabled);
    QCheckBox* launch = addSwitch(QStringLiteral("Launch at Login"), SettingsKey::launchAtLogin);
    // After the switch's own write: a refused change puts the switch back.
    connect(launch, &QCheckBox::toggled, this, [this](bool enabled) {
        if (loading)
            return;
        if (LaunchAtLogin::setLaunchAtLogin(enabled, QCoreApplication::applicationFilePath())) {
            readBackLaunchAtLogin();
            reload();
        }
    });
    addSwitch(QStringLiteral("Debug Logging"), SettingsKey::debugLogging,
              [](bool enabled) { EventLogger::shared().debugLoggingToggled(enabled); });
    auto* version = new QLabel(buildLabelText(QString::fromUtf8(BuildInfo::version),
                                              QString::fromUtf8(BuildInfo::buildLabel),
                                              QString::fromUtf8(BuildInfo::buildNumber)));
    version->setObjectName(QStringLiteral("version"));
    addRow(QStringLiteral("Version"), version);
    auto* uninstallButton = new QPushButton(QStringLiteral("Uninstall Veltrano\u2026"));
    uninstallButton->setObjectName(QStringLiteral("uninstall"));
    body()->addWidget(uninstallButton, 0, Qt::AlignLeft);
    connect(uninstallButton, &QPushButton::clicked, this, &SystemCard::confirmUninstall);
}

void SystemCard::readBackLaunchAtLogin() {
    settings.writeBool(SettingsKey::launchAtLogin, LaunchAtLogin::isEnabled());
}

void SystemCard::confirmUninstall() {
    // Opened, not executed: a nested event loop would hold up the monitor's timers.
    auto* warning = new QMessageBox(QMessageBox::Warning, QStringLiteral("Veltrano"),
                                    QStringLiteral("Uninstall Veltrano?"), QMessageBox::NoButton, window());
    warning->setInformativeText(QStringLiteral(
        "This will remove all settings and saved credentials from the Keychain, disable Launch "
        "at Login, and move Veltrano to the Trash."));
    QPushButton* confirm = warning->addButton(QStringLiteral("Uninstall"), QMessageBox::DestructiveRole);
    warning->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    warning->setAttribute(Qt::WA_DeleteOnClose);
    connect(warning, &QMessageBox::finished, this, [this, warning, confirm] {
        if (warning->clickedButton() == confirm)
            uninstall();
    });
    warning->open();
}

void SystemCard::uninstall() {
    actions.connectionFlow().endForUninstall();
    const UninstallWipe::Report wiped = actions.wipeAllData();
    const ProgramInstallation::Removal removal =
        ProgramInstallation::moveToTrash(QCoreApplication::applicationFilePath());
    // A packaged copy stays where it is, and the dialog says so instead of
    // claiming the Trash.
    const QString details =
        UninstallWipe::summary(wiped) + u' ' +
        (removal.moved ? QStringLiteral("Veltrano has been moved to the Trash.") : removal.message);
    auto* done = new QMessageBox(QMessageBox::Information, QStringLiteral("Veltrano"),
                                 QStringLiteral("Veltrano data removed"), QMessageBox::NoButton, window());
    done->setInformativeText(details);
    done->addButton(QStringLiteral("Quit Veltrano"), QMessageBox::AcceptRole);
    done->setAttribute(Qt::WA_DeleteOnClose);
    connect(done, &QMessageBox::finished, this, [this] { actions.quitApplication(); });
    done->open();
}
