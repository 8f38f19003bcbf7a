// Every text key that the program or its layouts use must have a text in both
// language files; a missing one would show the bare key to the user.

#include "LanguageFilesTestEnv.h"

#include "macros/MacroLibrary.h"
#include "settings/KeyTables.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <map>

using langtest::LanguageFile;
using langtest::ReadLanguageFile;

namespace {

QString SourceFolder() {
    const char* source = std::getenv("ZK_SOURCE_DIR");
    return QString::fromUtf8(source ? source : ".");
}

// Where each key was found, for the failure message.
using KeyUses = std::map<QString, QStringList>;

void Use(KeyUses& uses, const QString& key, const QString& where) {
    if (!key.isEmpty())
        uses[key] << where;
}

// The families of text keys that code names as literals.
const QRegularExpression kKeyFamilies(
    QStringLiteral("^(message_text_\\d+|profile_full|Modify_Delay_erro_text|close_text"
                   "|macro_(name|action|index|file)_\\w+|keyboard_key_.+"
                   // control names of the button popup are not text keys
                   "|mouse_key_(?!list$|distribute$)[A-Za-z]\\w*"
                   "|mouse_move_to_\\w+_text|mouse_cursor_text|mouse_text|GUN_\\d+"
                   "|system_(power|sleep|wake_up)|combo_[a-z]+|media_(?!key_list$|set_key$)[a-z_]+"
                   "|web_[a-z]+"
                   "|wed_[a-z]+|(kb1?|mp)_light_mode_\\d+|lightpage_\\w+|Deng_FX[A-Z]+_text)$"));
// A string literal.
const QRegularExpression kLiteral(QStringLiteral("\"((?:[^\"\\\\\\n]|\\\\.)*)\""));
// The last literal of a call that passes it with the key flag:
// SetText(c, "key", true), AddItem(c, "key", true), ShowMessage(w, "key", true).
const QRegularExpression
    kKeyFlagged(QStringLiteral("\\b(?:SetText|AddItem|ShowMessage\\w*|showMessage\\w*)\\s*\\([^;]*?"
                               "\"([^\"\\\\\\n]+)\"\\)?\\s*,\\s*true\\s*(?:,[^;]*)?\\)"));

void ScanSources(KeyUses& uses) {
    QDirIterator it(SourceFolder() + QStringLiteral("/src"), {"*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(f.readAll());
        const QString where = path.mid(SourceFolder().size() + 1);
        for (auto m = kLiteral.globalMatch(text); m.hasNext();) {
            const QString literal = m.next().captured(1);
            if (kKeyFamilies.match(literal).hasMatch())
                Use(uses, literal, where);
        }
        for (auto m = kKeyFlagged.globalMatch(text); m.hasNext();) {
            const auto match = m.next();
            // Lines that only describe a call in a comment are no use.
            const qsizetype lineStart = text.lastIndexOf(QLatin1Char('\n'), match.capturedStart());
            const QString line = text.mid(lineStart + 1, match.capturedStart() - lineStart - 1);
            if (!line.trimmed().startsWith(QLatin1String("//")))
                Use(uses, match.captured(1), where + QStringLiteral(" (key flag)"));
        }
    }
}

// Layouts: the "resourceKey" property of controls; menus: items whose text is
// a key ("resourcetext").
void ScanSkin(KeyUses& uses) {
    QDirIterator it(langtest::SkinSourceFolder(), {"*.ui", "*.xml"}, QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QFileInfo(path).fileName();
        if (name.startsWith(QLatin1String("lan_")))
            continue;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        QXmlStreamReader xml(&f);
        bool inKeyProperty = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            const auto attrs = xml.attributes();
            if (xml.name() == QLatin1String("property")) {
                inKeyProperty = attrs.value(QLatin1String("name")) == QLatin1String("resourceKey");
            } else if (xml.name() == QLatin1String("string") && inKeyProperty) {
                Use(uses, xml.readElementText(), name);
                inKeyProperty = false;
            } else if (xml.name() == QLatin1String("MenuElement")) {
                const auto flag = attrs.value(QLatin1String("resourcetext"));
                if (flag == QLatin1String("true") || flag == QLatin1String("1"))
                    Use(uses, attrs.value(QLatin1String("text")).toString(), name);
            }
        }
        EXPECT_FALSE(xml.hasError())
            << name.toStdString() << ": " << xml.errorString().toStdString();
    }
}

KeyUses AllUsedKeys() {
    KeyUses uses;
    for (std::string_view key : zk::settings::KeyNameTable)
        Use(uses, QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())),
            QStringLiteral("KeyNameTable"));
    Use(uses, QString::fromUtf8(zk::settings::kCloseText.data()), QStringLiteral("kCloseText"));
    for (int e = 1;; ++e) {
        const auto key = zk::macros::MacroErrorKey(static_cast<zk::macros::MacroError>(e));
        if (key.empty())
            break;
        Use(uses, QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())),
            QStringLiteral("MacroErrorKey"));
    }
    // The message box texts and the profile and delay messages are shown by
    // pages that may not exist yet; they are part of the program all the same.
    for (int n = 1; n <= 20; ++n)
        Use(uses, QStringLiteral("message_text_%1").arg(n), QStringLiteral("message box"));
    Use(uses, QStringLiteral("profile_full"), QStringLiteral("profile list"));
    Use(uses, QStringLiteral("Modify_Delay_erro_text"), QStringLiteral("macro manager"));
    ScanSources(uses);
    ScanSkin(uses);
    return uses;
}

bool HasCjk(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    return false;
}

class LanguageKeys : public ::testing::Test {
protected:
    LanguageFile en_ = ReadLanguageFile(QStringLiteral("lan_en.xml"));
    LanguageFile cn_ = ReadLanguageFile(QStringLiteral("lan_cn.xml"));
};

} // namespace

TEST_F(LanguageKeys, EveryUsedKeyHasATextInBothLanguages) {
    ASSERT_TRUE(en_.readable) << en_.error.toStdString();
    ASSERT_TRUE(cn_.readable) << cn_.error.toStdString();
    const KeyUses uses = AllUsedKeys();
    // The scan sees the tables, the code and the layouts.
    EXPECT_GE(uses.size(), 200u);
    EXPECT_TRUE(uses.count(QStringLiteral("message_text_1")));
    EXPECT_TRUE(uses.count(QStringLiteral("keyboard_key_Print Scr")));
    EXPECT_TRUE(uses.count(QStringLiteral("tab_mouse")));
    EXPECT_TRUE(uses.count(QStringLiteral("menu_about")));
    EXPECT_TRUE(uses.at(QStringLiteral("message_text_1"))
                    .contains(QStringLiteral("src/app/MainWnd.cpp (key flag)")));

    for (const auto& [key, where] : uses) {
        EXPECT_TRUE(en_.texts.contains(key)) << "lan_en.xml lacks \"" << key.toStdString()
                                             << "\" used in " << where.join(", ").toStdString();
        EXPECT_TRUE(cn_.texts.contains(key)) << "lan_cn.xml lacks \"" << key.toStdString()
                                             << "\" used in " << where.join(", ").toStdString();
    }
}

TEST_F(LanguageKeys, BothFilesHoldTheSameKeysWithRealTexts) {
    ASSERT_TRUE(en_.readable && cn_.readable);
    EXPECT_TRUE(en_.duplicates.isEmpty()) << en_.duplicates.join(", ").toStdString();
    EXPECT_TRUE(cn_.duplicates.isEmpty()) << cn_.duplicates.join(", ").toStdString();
    const auto enKeys = QSet<QString>(en_.texts.keyBegin(), en_.texts.keyEnd());
    const auto cnKeys = QSet<QString>(cn_.texts.keyBegin(), cn_.texts.keyEnd());
    EXPECT_TRUE((enKeys - cnKeys).isEmpty())
        << "only English: " << QStringList((enKeys - cnKeys).values()).join(", ").toStdString();
    EXPECT_TRUE((cnKeys - enKeys).isEmpty())
        << "only Chinese: " << QStringList((cnKeys - enKeys).values()).join(", ").toStdString();

    for (auto it = en_.texts.cbegin(); it != en_.texts.cend(); ++it) {
        const QString& key = it.key();
        const QString cn = cn_.texts.value(key);
        EXPECT_FALSE(it.value().trimmed().isEmpty()) << key.toStdString();
        EXPECT_FALSE(cn.trimmed().isEmpty()) << key.toStdString();
        EXPECT_FALSE(HasCjk(it.value())) << "Chinese in English text " << key.toStdString();
        EXPECT_NE(it.value(), key) << "English text is its key: " << key.toStdString();
        // Sentences are translated, not copied.
        if (it.value().count(QLatin1Char(' ')) >= 3) {
            EXPECT_TRUE(HasCjk(cn)) << "untranslated Chinese text " << key.toStdString();
        }
    }
}

TEST_F(LanguageKeys, MacroOverflowMessageTakesExactlyOneInteger) {
    for (const LanguageFile* file : {&en_, &cn_}) {
        const QString format = file->texts.value(QStringLiteral("message_text_16"));
        EXPECT_EQ(format.count(QLatin1Char('%')), 1) << format.toStdString();
        EXPECT_EQ(format.count(QStringLiteral("%d")), 1) << format.toStdString();
        const QString shown = QString::asprintf(format.toUtf8().constData(), 37);
        EXPECT_TRUE(shown.contains(QStringLiteral("37"))) << shown.toStdString();
        EXPECT_FALSE(shown.contains(QLatin1Char('%')));
    }
}
