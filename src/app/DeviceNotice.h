#pragma once
// The main window's "no device" state: a panel over the pages that says that no device is
// connected, or that a device is plugged in but this user may not open it, with the commands
// that install the device rule and make udev apply it (selectable, and a button that copies
// them).

#include <QFrame>
#include <QString>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zk::app {

// The shell commands that install the device rule found at `ruleSource` and make udev apply it
// to the hidraw nodes that exist. Without `ruleSource` (the rule is already installed) only the
// reload and the trigger.
QStringList DeviceRuleCommands(const QString& ruleSource);

// Where udev reads the device rule from, when it is installed in one of its rule folders.
QString InstalledDeviceRule();
// The copy of the rule that ships with the program ("udev/70-zk412v.rules" in the folder of the
// program's resources); empty when there is none.
QString ShippedDeviceRule();

class DeviceNotice : public QFrame {
    Q_OBJECT
public:
    explicit DeviceNotice(QWidget* parent);

    // No device connected.
    void ShowNoDevice();
    // The device at `path` refuses this user; the commands install `ruleSource` (empty: the
    // rule is installed already).
    void ShowNoAccess(const QString& path, const QString& ruleSource);
    bool IsNoAccess() const { return noAccess_; }
    // The current language's texts.
    void Retranslate();
    QString Commands() const;

private:
    bool noAccess_ = false;
    QString path_;
    QStringList commands_;
    QLabel* title_;
    QLabel* text_;
    QPlainTextEdit* commandsView_;
    QPushButton* copy_;
};

} // namespace zk::app
