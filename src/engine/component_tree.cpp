#include "engine/component_tree.h"

#include "engine/letter_case.h"

#include <QMetaObject>
#include <QMetaType>
#include <utility>

namespace tarvix {

namespace {

TopLevelComponentProvider& Provider()
{
    static TopLevelComponentProvider provider;
    return provider;
}

// The property literally named `name` (ASCII case ignored), or an invalid one.
QMetaProperty PropertyNamed(const QMetaObject* meta, QStringView name)
{
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (EqualsIgnoringAsciiCase(QString::fromLatin1(property.name()), name))
            return property;
    }
    return {};
}

} // namespace

void SetTopLevelComponentProvider(TopLevelComponentProvider provider)
{
    Provider() = std::move(provider);
}

QObjectList TopLevelComponents()
{
    if (!Provider())
        return {};
    QObjectList list = Provider()();
    list.removeAll(nullptr);
    return list;
}

QObject* FindTopLevelComponent(QStringView name)
{
    if (name.isEmpty())
        return nullptr;
    for (QObject* component : TopLevelComponents())
        if (EqualsIgnoringAsciiCase(component->objectName(), name))
            return component;
    return nullptr;
}

QObject* FindOwnedComponent(const QObject* owner, QStringView name)
{
    if (!owner || name.isEmpty())
        return nullptr;
    // Breadth first: a component placed directly on the owner wins over a deeper namesake.
    QObjectList level = owner->children();
    while (!level.isEmpty()) {
        QObjectList next;
        for (QObject* child : std::as_const(level)) {
            if (EqualsIgnoringAsciiCase(child->objectName(), name))
                return child;
            next.append(child->children());
        }
        level = std::move(next);
    }
    return nullptr;
}

QMetaProperty FindComponentProperty(const QObject* component, QStringView name)
{
    if (!component || name.isEmpty())
        return {};
    const QMetaObject* meta = component->metaObject();
    QMetaProperty property = PropertyNamed(meta, name);
    if (property.isValid())
        return property;

    if (EqualsIgnoringAsciiCase(name, u"Caption")) {
        for (const char16_t* alias : { u"text", u"title", u"windowTitle" }) {
            property = PropertyNamed(meta, QStringView(alias));
            if (property.isValid())
                return property;
        }
    } else if (EqualsIgnoringAsciiCase(name, u"Hint")) {
        return PropertyNamed(meta, u"toolTip");
    }
    return {};
}

PropertyKind KindOfProperty(const QMetaProperty& property)
{
    if (!property.isValid())
        return PropertyKind::Other;
    switch (property.metaType().id()) {
    case QMetaType::QString:
        return PropertyKind::String;
    case QMetaType::Int:
    case QMetaType::UInt:
        return PropertyKind::Integer;
    case QMetaType::QStringList:
        return PropertyKind::StringList;
    default:
        return PropertyKind::Other;
    }
}

} // namespace tarvix
