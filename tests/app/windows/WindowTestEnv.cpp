#include "WindowTestEnv.h"

#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace zktest {

void UseStagedSkin() {
    static bool done = false;
    if (done)
        return;
    done = true;
    QString stage = qEnvironmentVariable("ZK_STAGE_DIR");
    if (stage.isEmpty())
        stage = QStringLiteral(ZK_TEST_STAGE_DIR);
    const QString skin = stage + QStringLiteral("/skin/");
    auto& rm = zk::ui::ResourceManager::GetInstance();
    rm.SetResourcePath(skin);
    rm.LoadResource(QStringLiteral("res.xml"));
    rm.SetLanguage(QStringLiteral("en"));
    rm.LoadLanguage(QStringLiteral("lan_en.xml"));
    // The layouts of these windows by the names the program uses, whatever res.xml holds.
    static QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("windows.xml"));
    QFile f(list);
    if (f.open(QIODevice::WriteOnly)) {
        f.write("<Resources>\n"
                " <Layout name=\"XML_MSG\" file=\"msg.ui\"/>\n"
                " <Layout name=\"GmPalletDialog.xml\" file=\"pallet.ui\"/>\n"
                " <Layout name=\"CopyRight.xml\" file=\"copyright.ui\"/>\n"
                "</Resources>\n");
        f.close();
    }
    rm.LoadResource(list);
    QDir::setSearchPaths(QStringLiteral("skin"), {skin});
    QFile qss(skin + QStringLiteral("style.qss"));
    if (qss.open(QIODevice::ReadOnly))
        qApp->setStyleSheet(QString::fromUtf8(qss.readAll()));
}

void Soon(std::function<void()> action, int delayMs) {
    QTimer::singleShot(delayMs, qApp, std::move(action));
}

bool Click(QWidget* root, const QString& name) {
    if (!root)
        return false;
    auto* b = root->findChild<QAbstractButton*>(name);
    if (!b)
        return false;
    b->click();
    return true;
}

void MaybeScreenshot(QWidget* w, const QString& name) {
    const QString dir = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
    if (dir.isEmpty() || !w)
        return;
    QDir().mkpath(dir);
    w->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace zktest
