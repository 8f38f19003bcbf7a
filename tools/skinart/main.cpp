// Draws every picture of the skin into a folder (normally <stage>/skin):
//   skinart <output folder> [<font file>]
// The output is a pure function of this program and the font: the same inputs give the same
// files, so the build can regenerate them at any time.

#include "skinart/Art.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: skinart <output folder> [<font file>]\n");
        return 2;
    }
    QString family = QStringLiteral("DejaVu Sans");
    if (args.size() >= 3 && QFile::exists(args[2])) {
        const int id = QFontDatabase::addApplicationFont(args[2]);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            family = families.first();
    }

    zk::art::ArtWriter w(args[1], family);
    zk::art::DrawControlArt(w);
    zk::art::DrawMouseArt(w);
    zk::art::DrawKeyboardArt(w);
    zk::art::DrawMousepadArt(w);
    zk::art::DrawIconArt(w);
    zk::art::DrawLightPageArt(w);

    for (const QString& e : w.Errors())
        std::fprintf(stderr, "skinart: cannot write %s\n", qPrintable(e));
    if (!w.Errors().isEmpty())
        return 1;

    // The list of pictures lets the tests and the packaging see what the skin holds.
    QFile list(args[1] + QStringLiteral("/images.txt"));
    if (!list.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "skinart: cannot write images.txt\n");
        return 1;
    }
    QTextStream out(&list);
    for (const QString& rel : w.Written())
        out << rel << '\n';
    return 0;
}
