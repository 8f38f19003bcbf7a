#include "app/DeviceNotice.h"

#include "ui/ResourceManager.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>

namespace zk::app {

namespace {

const QString kRuleName = QStringLiteral("70-zk412v.rules");

QString Text(const char* key) {
    return ui::ResourceManager::GetInstance().GetText(QString::fromLatin1(key));
}

// Single quotes for the shell: a path with spaces or quotes stays one word.
QString ShellQuoted(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

QStringList DeviceRuleCommands(const QString& ruleSource) {
    QStringList commands;
    if (!ruleSource.isEmpty())
        commands << QStringLiteral("sudo install -m 0644 %1 /etc/udev/rules.d/%2")
                        .arg(ShellQuoted(ruleSource), kRuleName);
    commands << QStringLiteral("sudo udevadm control --reload-rules")
             << QStringLiteral("sudo udevadm trigger --subsystem-match=hidraw");
    return commands;
}

QString InstalledDeviceRule() {
    for (const char* folder : {"/etc/udev/rules.d/", "/run/udev/rules.d/", "/usr/lib/udev/rules.d/",
                               "/lib/udev/rules.d/"}) {
        const QString path = QString::fromLatin1(folder) + kRuleName;
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

QString ShippedDeviceRule() {
    const QString path =
        ui::ResourceManager::GetInstance().GetInstancePath() + QStringLiteral("udev/") + kRuleName;
    return QFileInfo::exists(path) ? QFileInfo(path).absoluteFilePath() : QString();
}

DeviceNotice::DeviceNotice(QWidget* parent)
    : QFrame(parent), title_(new QLabel(this)), text_(new QLabel(this)),
      commandsView_(new QPlainTextEdit(this)), copy_(new QPushButton(this)) {
    setObjectName(QStringLiteral("device_notice"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral(
        "QFrame#device_notice { background-color: #15171C; }"
        "QLabel#device_notice_title { color: #E6E8EB; font-size: 20px; }"
        "QLabel#device_notice_text { color: #A9AFB8; font-size: 13px; }"
        "QPlainTextEdit#device_notice_commands { background-color: #1E2128; color: #E6E8EB;"
        " border: 1px solid #2C313A; border-radius: 6px; padding: 6px;"
        " font-family: monospace; font-size: 12px; }"));
    title_->setObjectName(QStringLiteral("device_notice_title"));
    text_->setObjectName(QStringLiteral("device_notice_text"));
    commandsView_->setObjectName(QStringLiteral("device_notice_commands"));
    copy_->setObjectName(QStringLiteral("device_notice_copy"));
    copy_->setProperty("look", QStringLiteral("primary"));
    for (QLabel* label : {title_, text_}) {
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    commandsView_->setReadOnly(true);
    commandsView_->setLineWrapMode(QPlainTextEdit::NoWrap);
    commandsView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(copy_, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(Commands()); });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(64, 32, 64, 32);
    column->setSpacing(16);
    column->addStretch(1);
    column->addWidget(title_);
    column->addWidget(text_);
    column->addWidget(commandsView_);
    column->addWidget(copy_, 0, Qt::AlignHCenter);
    column->addStretch(2);
    ShowNoDevice();
}

void DeviceNotice::ShowNoDevice() {
    noAccess_ = false;
    path_.clear();
    commands_.clear();
    Retranslate();
}

void DeviceNotice::ShowNoAccess(const QString& path, const QString& ruleSource) {
    noAccess_ = true;
    path_ = path;
    commands_ = DeviceRuleCommands(ruleSource);
    Retranslate();
}

QString DeviceNotice::Commands() const {
    return commands_.join(QLatin1Char('\n'));
}

void DeviceNotice::Retranslate() {
    if (noAccess_) {
        title_->setText(Text("device_access_title"));
        text_->setText(Text("device_access_text").arg(path_));
    } else {
        title_->setText(Text("device_notice_title"));
        text_->setText(Text("device_notice_text"));
    }
    commandsView_->setPlainText(Commands());
    // Every line in view; room below them for the bar of a line wider than the box.
    const QFontMetrics metrics(commandsView_->font());
    const QMargins frame = commandsView_->contentsMargins();
    commandsView_->setFixedHeight(
        metrics.lineSpacing() * static_cast<int>(commands_.size()) +
        2 * static_cast<int>(commandsView_->document()->documentMargin()) + frame.top() +
        frame.bottom() + commandsView_->horizontalScrollBar()->sizeHint().height() + 4);
    commandsView_->setVisible(noAccess_);
    copy_->setText(Text("device_access_copy"));
    copy_->setMinimumWidth(copy_->fontMetrics().horizontalAdvance(copy_->text()) + 48);
    copy_->setVisible(noAccess_);
}

} // namespace zk::app
