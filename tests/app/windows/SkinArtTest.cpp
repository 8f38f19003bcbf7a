// The generated skin: every picture the program names exists at 1x and 2x, the masks fit the
// geometry the previews place them by, the style sheet's pictures exist, and the generator is
// deterministic.

#include "skinart/DeviceGeometry.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRawFont>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zk::art;

namespace {

QString SkinDir() {
    QString stage = qEnvironmentVariable("ZK_STAGE_DIR");
    if (stage.isEmpty())
        stage = QStringLiteral(ZK_TEST_STAGE_DIR);
    return stage + QStringLiteral("/skin/");
}

QString At2x(QString rel) {
    rel.insert(rel.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
    return rel;
}

// Checks the picture and its @2x partner; returns the 1x image.
QImage CheckPair(const QString& rel) {
    const QImage one(SkinDir() + rel);
    const QImage two(SkinDir() + At2x(rel));
    EXPECT_FALSE(one.isNull()) << rel.toStdString();
    EXPECT_FALSE(two.isNull()) << At2x(rel).toStdString();
    EXPECT_EQ(two.size(), one.size() * 2) << rel.toStdString();
    return one;
}

bool HasInk(const QImage& img) {
    const QImage a = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (qAlpha(a.pixel(x, y)) > 128)
                return true;
    return false;
}

QMap<QString, QByteArray> HashTree(const QString& dir) {
    QMap<QString, QByteArray> out;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            out.insert(QDir(dir).relativeFilePath(path),
                       QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256));
    }
    return out;
}

} // namespace

TEST(SkinArtTest, PicturesTheProgramNamesExist) {
    for (int rate : {125, 250, 500, 1000})
        CheckPair(QStringLiteral("qelma/%1.png").arg(rate));
    QImage previous;
    for (int p = 1; p <= 11; ++p) {
        const QImage img = CheckPair(QStringLiteral("qelma/%1.png").arg(p));
        EXPECT_NE(img, previous) << "slider picture " << p << " repeats the one before";
        previous = img;
    }
    for (int m = 1; m <= 7; ++m) {
        const Rect cell = kMouseButtons[static_cast<std::size_t>(m - 1)];
        for (const QString& name :
             {QStringLiteral("qelma/btn_%1.png"), QStringLiteral("qelma/btn_%1_0.png")})
            EXPECT_EQ(CheckPair(name.arg(m)).size(), QSize(cell.w, cell.h));
        const Rect line = kMouseCallouts[static_cast<std::size_t>(m - 1)];
        for (const QString& name :
             {QStringLiteral("qelma/F-%1-normal.png"), QStringLiteral("qelma/F-%1-over.png")})
            EXPECT_EQ(CheckPair(name.arg(m)).size(), QSize(line.w, line.h));
        EXPECT_NE(QImage(SkinDir() + QStringLiteral("qelma/btn_%1.png").arg(m)),
                  QImage(SkinDir() + QStringLiteral("qelma/btn_%1_0.png").arg(m)));
    }
    CheckPair(QStringLiteral("common/base.png"));
    CheckPair(QStringLiteral("common/unuse.png"));
    for (const char* icon : {"icons/zk412v.png", "icons/tray.png", "icons/logo.png"})
        CheckPair(QLatin1String(icon));
    EXPECT_EQ(QImage(SkinDir() + QStringLiteral("icons/zk412v_256.png")).size(), QSize(256, 256));
}

TEST(SkinArtTest, DevicePicturesAndMasksFollowTheGeometry) {
    const auto size = [](const Rect& r) { return QSize(r.w, r.h); };
    EXPECT_EQ(CheckPair(QStringLiteral("device/mouse_front.png")).size(), size(kMouseFrontPicture));
    EXPECT_EQ(CheckPair(QStringLiteral("device/mouse_side.png")).size(), size(kMouseSidePicture));
    EXPECT_EQ(CheckPair(QStringLiteral("device/keyboard.png")).size(), size(kKeyboardPicture));
    EXPECT_EQ(CheckPair(QStringLiteral("device/mousepad.png")).size(), size(kMousepadPicture));

    for (std::size_t i = 0; i < kMouseFrontLeds.size(); ++i) {
        const Rect r = kMouseFrontLeds[i];
        EXPECT_TRUE(kMouseFrontPicture.contains(r)) << "mouse LED " << i;
        const QImage m = CheckPair(QStringLiteral("device/ms_led_%1.png").arg(i));
        EXPECT_EQ(m.size(), size(r)) << i;
        EXPECT_TRUE(HasInk(m)) << "mouse LED " << i << " draws nothing";
    }
    for (std::size_t i = 0; i < kMouseSideLeds.size(); ++i) {
        EXPECT_TRUE(kMouseSidePicture.contains(kMouseSideLeds[i])) << i;
        EXPECT_TRUE(HasInk(CheckPair(QStringLiteral("device/ms_side_led_%1.png").arg(i))));
    }
    for (std::size_t i = 0; i < kMousepadLeds.size(); ++i) {
        EXPECT_TRUE(kMousepadPicture.contains(kMousepadLeds[i])) << i;
        const QImage m = CheckPair(QStringLiteral("device/mp_led_%1.png").arg(i));
        EXPECT_EQ(m.size(), size(kMousepadLeds[i]));
        EXPECT_TRUE(HasInk(m)) << "mousepad LED " << i;
    }
    for (std::size_t m = 0; m < kMouseButtons.size(); ++m) {
        EXPECT_TRUE(kMouseFrontPicture.contains(kMouseButtons[m])) << m;
        EXPECT_TRUE(kMouseFrontPicture.contains(kMouseCallouts[m])) << m;
    }
}

TEST(SkinArtTest, KeyboardKeysArePlacedWithoutOverlap) {
    int present = 0;
    for (int i = 0; i < static_cast<int>(kKeyboardKeys.size()); ++i) {
        const Rect r = KeyRect(i);
        const QString light = SkinDir() + QStringLiteral("device/kb_light_%1.png").arg(i);
        if (r.empty()) {
            EXPECT_FALSE(QFile::exists(light)) << i;
            continue;
        }
        ++present;
        EXPECT_TRUE(kKeyboardPicture.contains(r)) << "key " << i;
        const QImage img = CheckPair(QStringLiteral("device/kb_light_%1.png").arg(i));
        EXPECT_EQ(img.size(), QSize(r.w, r.h)) << i;
        EXPECT_TRUE(HasInk(img)) << "key " << i;
        const QImage mark = CheckPair(QStringLiteral("device/kb_keyset_%1.png").arg(i));
        EXPECT_EQ(mark.size(), img.size()) << i;
        const QRect qr(r.x, r.y, r.w, r.h);
        for (int j = i + 1; j < static_cast<int>(kKeyboardKeys.size()); ++j) {
            const Rect o = KeyRect(j);
            if (!o.empty()) {
                EXPECT_FALSE(qr.intersects(QRect(o.x, o.y, o.w, o.h))) << i << " and " << j;
            }
        }
    }
    EXPECT_EQ(present, 104);
    // Places the keyboard does not have.
    for (int i : {16, 20, 62, 79, 83, 100, 104, 120, 125})
        EXPECT_TRUE(KeyRect(i).empty()) << i;
    EXPECT_TRUE(KeyRect(-1).empty());
    EXPECT_TRUE(KeyRect(126).empty());
}

TEST(SkinArtTest, StyleSheetPicturesExist) {
    QFile qss(SkinDir() + QStringLiteral("style.qss"));
    ASSERT_TRUE(qss.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(qss.readAll());
    const QRegularExpression url(QStringLiteral("url\\(skin:([^)]+)\\)"));
    int count = 0;
    for (auto it = url.globalMatch(text); it.hasNext();) {
        const QString rel = it.next().captured(1);
        ++count;
        EXPECT_TRUE(QFile::exists(SkinDir() + rel)) << rel.toStdString();
        EXPECT_TRUE(QFile::exists(SkinDir() + At2x(rel))) << rel.toStdString();
    }
    EXPECT_GT(count, 10);
    // Braces balance: an unbalanced sheet silently drops every rule after the fault.
    EXPECT_EQ(text.count(QLatin1Char('{')), text.count(QLatin1Char('}')));
}

// The Chinese font beside the program draws every character of the Chinese
// texts, and the style sheet names its family before the system's fonts.
TEST(SkinArtTest, ChineseFontHoldsTheChineseTexts) {
    const QString font = SkinDir() + QStringLiteral("../Font/Simplified_Chinese.ttf");
    if (!QFile::exists(font))
        GTEST_SKIP() << "no Chinese font staged";
    const QRawFont raw(font, 16);
    ASSERT_TRUE(raw.isValid());
    QFile texts(SkinDir() + QStringLiteral("lan_cn.xml"));
    ASSERT_TRUE(texts.open(QIODevice::ReadOnly));
    int checked = 0;
    for (const QChar c : QString::fromUtf8(texts.readAll())) {
        if (c.unicode() < 0x2E80 || c.isSurrogate())
            continue;
        ++checked;
        EXPECT_TRUE(raw.supportsCharacter(c)) << QString(c).toStdString();
    }
    EXPECT_GT(checked, 200);
    QFile qss(SkinDir() + QStringLiteral("style.qss"));
    ASSERT_TRUE(qss.open(QIODevice::ReadOnly));
    const QString sheet = QString::fromUtf8(qss.readAll());
    const qsizetype own = sheet.indexOf(QLatin1Char('"') + raw.familyName() + QLatin1Char('"'));
    EXPECT_GE(own, 0) << raw.familyName().toStdString();
    if (raw.familyName() != QLatin1String("WenQuanYi Micro Hei")) { // cut down
        EXPECT_LT(own, sheet.indexOf(QStringLiteral("\"WenQuanYi Micro Hei\"")));
    }
}

#ifdef ZK_SKINART_TOOL
TEST(SkinArtTest, GeneratorIsDeterministic) {
    QTemporaryDir a, b;
    ASSERT_TRUE(a.isValid() && b.isValid());
    for (const QTemporaryDir* d : {&a, &b}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        QStringList args{d->path()};
        if (QString::fromUtf8(ZK_LATIN_FONT).size() > 0)
            args << QString::fromUtf8(ZK_LATIN_FONT);
        p.start(QString::fromUtf8(ZK_SKINART_TOOL), args);
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
    const auto first = HashTree(a.path());
    const auto second = HashTree(b.path());
    EXPECT_GT(first.size(), 400);
    EXPECT_EQ(first, second);
    // And the staged skin holds the same pictures.
    for (auto it = first.cbegin(); it != first.cend(); ++it)
        EXPECT_TRUE(QFile::exists(SkinDir() + it.key())) << it.key().toStdString();
}
#endif
