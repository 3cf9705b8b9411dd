#include "ObjectTree.h"

void ObjectTree::add(const QString& path, const QStringList& interfaces)
{
    QStringList& served = m_objects[path];
    for (const QString& interface : interfaces) {
        if (!served.contains(interface))
            served.append(interface);
    }
}

bool ObjectTree::hasNode(const QString& path) const
{
    return hasObject(path) || !childrenOf(path).isEmpty();
}

QStringList ObjectTree::childrenOf(const QString& path) const
{
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    QStringList children;
    for (auto it = m_objects.lowerBound(prefix); it != m_objects.end() && it.key().startsWith(prefix); ++it) {
        const QString child = it.key().mid(prefix.size()).section(QLatin1Char('/'), 0, 0);
        if (!child.isEmpty() && !children.contains(child))
            children.append(child);
    }
    return children;
}
