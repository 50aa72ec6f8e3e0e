#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariant>

namespace kavro {

// Controls carry the name and class they were designed with. The placement pass finds a control
// by its name and decides what a text does to it from the designed class, because one Qt class
// stands for several designed ones (a QLineEdit is both an edit and a masked edit, a QTreeWidget
// both a tree view and a list view).
inline constexpr char designedClassProperty[] = "designedClass";

template <class T> T* designed(T* object, const char* name, const char* designedClass)
{
    object->setObjectName(QString::fromLatin1(name));
    object->setProperty(designedClassProperty, QByteArray(designedClass));
    return object;
}

inline QByteArray designedClassOf(const QObject& object)
{
    return object.property(designedClassProperty).toByteArray();
}

} // namespace kavro
