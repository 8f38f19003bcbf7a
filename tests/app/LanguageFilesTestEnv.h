#pragma once
// The language files of the skin folder in the source tree, read on their own
// (not through the resource manager) so that tests compare the program's
// texts with what the files hold.

#include <QFile>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include <cstdlib>

namespace langtest {

inline QString SkinSourceFolder() {
    const char* source = std::getenv("ZK_SOURCE_DIR");
    return QString::fromUtf8(source ? source : ".") + QStringLiteral("/skin/");
}

struct LanguageFile {
    bool readable = false;
    QString error;
    QHash<QString, QString> texts;
    QStringList duplicates; // ids that appear more than once
};

inline LanguageFile ReadLanguageFile(const QString& name) {
    LanguageFile file;
    QFile f(SkinSourceFolder() + name);
    if (!f.open(QIODevice::ReadOnly)) {
        file.error = QStringLiteral("cannot open ") + f.fileName();
        return file;
    }
    QXmlStreamReader xml(&f);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("Text"))
            continue;
        const QString id = xml.attributes().value(QLatin1String("id")).toString();
        const QString text = xml.readElementText();
        if (file.texts.contains(id))
            file.duplicates << id;
        file.texts.insert(id, text);
    }
    file.readable = !xml.hasError();
    if (xml.hasError())
        file.error = xml.errorString();
    return file;
}

} // namespace langtest
