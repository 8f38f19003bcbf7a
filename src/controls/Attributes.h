#pragma once
// Layout attributes of the custom controls.
//
// A layout sets an attribute of a control as a property of its element
// (<property name="lightimage" stdset="0"><string>...</string></property>);
// the layout builder gives it to the control as a dynamic property. The
// controls take such properties, and calls of SetAttribute, by name without
// regard to case.

#include <QString>

class QEvent;
class QObject;

namespace zk::controls {

// For a dynamic-property change event of `object`: the property's name and
// its value as text. False for any other event or a removed property.
bool AttributeFromEvent(QObject* object, QEvent* event, QString& name, QString& value);

// The text of a layout flag ("true", case-insensitive, or a non-zero number).
bool AttributeFlag(const QString& value);

} // namespace zk::controls
