// The windows in both languages: texts fit their controls, Chinese texts
// have glyphs, and pictures of the windows for review in
// <stage>/screenshots/lang_*.png.

#include "MainWndTestEnv.h"

#include "app/SkinFrame.h"
#include "app/windows/Copyright.h"
#include "app/windows/MsgWnd.h"
#include "app/windows/PalletDialog.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "platform/PrivateFonts.h"
#include "ui/Controls.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScreen>

using namespace std::chrono_literals;
using apptest::MainWndTest;
using apptest::Spin;
using zk::app::CMainWnd;
namespace ui = zk::ui;

namespace {

QString ShotFolder() {
    const QString dir = apptest::StageDir() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    return dir;
}

void Save(QWidget* w, const QString& name) {
    Spin(50ms);
    const QImage shot = w->grab().toImage();
    ASSERT_FALSE(shot.isNull()) << name.toStdString();
    EXPECT_TRUE(shot.save(ShotFolder() + QStringLiteral("/lang_") + name + QStringLiteral(".png")));
}

// Single-line texts of visible labels and buttons that do not fit their
// control, as "name: text".
QStringList ClippedTexts(QWidget* top) {
    QStringList clipped;
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(top) || w->width() <= 0)
            continue;
        QString text;
        int room = 0;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->wordWrap() || !label->pixmap().isNull())
                continue;
            text = label->text();
            room = label->contentsRect().width() - 2 * label->margin() - label->indent();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
            room = button->contentsRect().width() -
                   (button->icon().isNull() ? 0 : button->iconSize().width() + 4);
        }
        if (text.isEmpty() || text.contains(QLatin1Char('<')) || text.contains(QLatin1Char('\n')))
            continue;
        const int need = w->fontMetrics().horizontalAdvance(text);
        if (need > room)
            clipped << QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                           .arg(w->objectName(), text)
                           .arg(need)
                           .arg(room);
    }
    return clipped;
}

QImage Render(const QFont& font, const QString& text) {
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(image.rect(), Qt::AlignCenter, text);
    return image;
}

// Whether every character of the text is drawn with a glyph of some font
// (font fallback included): not blank, and not the box of a character that
// no font has.
bool HasGlyphs(QWidget* w, const QString& text) {
    const QImage missing = Render(w->font(), QString(QChar(0x0378)));
    for (QChar c : text) {
        if (c.isSpace())
            continue;
        const QImage drawn = Render(w->font(), QString(c));
        if (drawn == missing || drawn == Render(w->font(), QString()))
            return false;
    }
    return true;
}

class LanguageLookTest : public MainWndTest {
protected:
    void SetUp() override {
        MainWndTest::SetUp();
        // The program's own CJK font, as the entry point loads it.
        zk::platform::LoadPrivateFont(apptest::StageDir() + QStringLiteral("/"),
                                      QStringLiteral("Font/Simplified_Chinese.ttf"));
        zk::platform::LoadPrivateFont(apptest::StageDir() + QStringLiteral("/"),
                                      QStringLiteral("Font/Talvane-Regular.otf"));
    }
    void Switch(bool chinese) {
        ui::MenuCmd cmd;
        cmd.szName = chinese ? QStringLiteral("lan_cn") : QStringLiteral("lan_en");
        wnd_->SendMessage(ui::UIMSG_MENUCLICK, reinterpret_cast<ui::WPARAM>(&cmd));
        Spin(50ms);
    }
};

} // namespace

TEST_F(LanguageLookTest, ChineseTextsHaveGlyphs) {
    Open();
    wnd_->Channel(zk::app::kChannelMouse).connected = 1;
    wnd_->SendMessage(zk::app::kActivationMessage);
    EXPECT_FALSE(QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty());
    Switch(true);
    int checked = 0;
    for (QWidget* w : wnd_->findChildren<QWidget*>()) {
        const QString key = ui::GetResourceKey(w);
        if (key.isEmpty() || !w->isVisibleTo(wnd_.get()))
            continue;
        const QString text = ui::GetText(w);
        EXPECT_TRUE(HasGlyphs(w, text)) << key.toStdString() << " " << text.toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 5);
}

TEST_F(LanguageLookTest, SkinChooserAndMessageTextsFitInBothLanguages) {
    Open();
    wnd_->Channel(zk::app::kChannelMouse).connected = 1;
    wnd_->SendMessage(zk::app::kActivationMessage);
    for (bool chinese : {false, true}) {
        Switch(chinese);
        const QString lang = chinese ? QStringLiteral("cn") : QStringLiteral("en");

        wnd_->FindControl<QAbstractButton>(QStringLiteral("skinbtn"))->click();
        zk::app::CSkinFrame* chooser = zk::app::CSkinFrame::Current();
        ASSERT_NE(chooser, nullptr);
        EXPECT_EQ(ClippedTexts(chooser), QStringList());
        Save(chooser, QStringLiteral("skin_chooser_") + lang);
        // The screen as the user sees it (under a real display server).
        Spin(100ms);
        const QPixmap screen = chooser->screen()->grabWindow(0);
        if (!screen.isNull())
            screen.save(ShotFolder() + QStringLiteral("/lang_screen_skin_chooser_") + lang +
                        QStringLiteral(".png"));
        chooser->Close();

        // The longest message in a real message box: its text wraps inside it.
        auto* box = new zk::app::CMsgWnd;
        ASSERT_TRUE(box->Create(wnd_.get(), QStringLiteral("msgwnd"), ui::WindowStyle::Dialog));
        box->SetMessage(QStringLiteral("message_text_11"), true);
        box->CenterWindow();
        box->ShowWindow(true);
        auto* text = box->FindControl<QLabel>(QStringLiteral("MessageText"));
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(text->wordWrap());
        EXPECT_LE(text->heightForWidth(text->width()), text->height())
            << "message text cut off in " << lang.toStdString();
        EXPECT_EQ(ClippedTexts(box), QStringList());
        Save(box, QStringLiteral("message_box_") + lang);
        box->Close();
    }
}

// Pictures for review; the clipped texts of the other windows are listed in
// the test's output.
TEST_F(LanguageLookTest, Screenshots) {
    Open();
    wnd_->Channel(zk::app::kChannelMouse).connected = 1;
    wnd_->SendMessage(zk::app::kActivationMessage);
    for (bool chinese : {false, true}) {
        Switch(chinese);
        const QString lang = chinese ? QStringLiteral("cn") : QStringLiteral("en");
        for (const char* tab : {"ms_tab", "kb_tab", "mp_tab"}) {
            ui::SetCheck(wnd_->FindControl<QAbstractButton>(QString::fromLatin1(tab)), true, true);
            Spin(50ms);
            const QStringList clipped = ClippedTexts(wnd_.get());
            if (!clipped.isEmpty())
                std::printf("main %s %s clipped:\n  %s\n", tab, qPrintable(lang),
                            qPrintable(clipped.join(QStringLiteral("\n  "))));
            Save(wnd_.get(), QStringLiteral("main_%1_%2").arg(QString::fromLatin1(tab), lang));
        }
        ui::SetCheck(wnd_->FindControl<QAbstractButton>(QStringLiteral("ms_tab")), true, true);

        auto* palette = new zk::app::CPalletDialog(0xFF7E00FF);
        ASSERT_TRUE(palette->Create(wnd_.get(), QStringLiteral("UIPalletDialog"),
                                    ui::WindowStyle::Dialog, QRect(0, 0, 800, 572)));
        palette->ShowWindow(true);
        std::printf("palette %s clipped: %s\n", qPrintable(lang),
                    qPrintable(ClippedTexts(palette).join(QStringLiteral("; "))));
        Save(palette, QStringLiteral("palette_") + lang);
        palette->Close();

        zk::app::Ccopyright* about = zk::app::Ccopyright::Open(wnd_.get());
        ASSERT_NE(about, nullptr);
        std::printf("about %s clipped: %s\n", qPrintable(lang),
                    qPrintable(ClippedTexts(about).join(QStringLiteral("; "))));
        Save(about, QStringLiteral("about_") + lang);
        about->Close();
        Spin(50ms);
    }
}
