#include "controls/Attributes.h"

#include <QDynamicPropertyChangeEvent>
#include <QEvent>
#include <QObject>
#include <QVariant>

namespace zk::controls {

bool AttributeFromEvent(QObject* object, QEvent* event, QString& name, QString& value) {
    if (event->type() != QEvent::DynamicPropertyChange)
        return false;
    const QByteArray key = static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName();
    const QVariant v = object->property(key.constData());
    if (!v.isValid())
        return false;
    name = QString::fromUtf8(key);
    value = v.toString();
    return true;
}

bool AttributeFlag(const QString& value) {
    const QString t = value.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    bool ok = false;
    const long long n = t.toLongLong(&ok);
    return ok && n != 0;
}

} // namespace zk::controls
