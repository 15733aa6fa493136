#pragma once

#include <QMetaProperty>
#include <QObject>
#include <QString>
#include <QStringView>
#include <functional>

namespace tarvix {

// The reflection the language engine needs, over the QObject tree and Qt's meta-object
// properties. QtCore only: the user interface registers where its windows come from.
//
// - The "application" owns the top-level components: whatever the registered provider
//   returns (the user interface registers QApplication::topLevelWidgets; tests their own
//   objects). Without a provider there are none.
// - A component owned by X under the name N is a descendant of X (children, their
//   children, ...) whose objectName equals N without regard to ASCII letter case. A
//   window's actions and widgets sit at various depths, so the search is recursive,
//   nearest first: the direct children, then their children, and so on.
// - Properties are the meta-object properties, matched by name without regard to ASCII
//   letter case, with two aliases for the names language files use: "Caption" is `text`,
//   `title` or `windowTitle` (the first the object has), "Hint" is `toolTip`. A property
//   literally named so wins over its alias.

using TopLevelComponentProvider = std::function<QObjectList()>;

// Registers the provider of the top-level components; an empty function removes it.
void SetTopLevelComponentProvider(TopLevelComponentProvider provider);

// The provider's objects (null entries dropped), or none without a provider.
QObjectList TopLevelComponents();

// The first top-level component named `name`, or null.
QObject* FindTopLevelComponent(QStringView name);

// The nearest descendant of `owner` named `name`, or null (also for a null owner or an
// empty name).
QObject* FindOwnedComponent(const QObject* owner, QStringView name);

// The property `name` of `component` (aliases included); invalid when there is none.
QMetaProperty FindComponentProperty(const QObject* component, QStringView name);

// The kinds of property a language file can set. Anything else is Other.
enum class PropertyKind { String, Integer, StringList, Other };
PropertyKind KindOfProperty(const QMetaProperty& property);

} // namespace tarvix
