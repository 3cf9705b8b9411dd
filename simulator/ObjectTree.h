#ifndef OBJECTTREE_H
#define OBJECTTREE_H

#include <QMap>
#include <QString>
#include <QStringList>

// The object paths one bus name serves, the interfaces of each, and the
// nodes between them and "/" that introspection walks through.
class ObjectTree
{
public:
    void add(const QString& path, const QStringList& interfaces);

    bool isEmpty() const { return m_objects.isEmpty(); }
    QStringList paths() const { return m_objects.keys(); }
    // An object: a path with interfaces of its own.
    bool hasObject(const QString& path) const { return m_objects.contains(path); }
    // An object or a node on the way to one.
    bool hasNode(const QString& path) const;
    QStringList interfacesAt(const QString& path) const { return m_objects.value(path); }
    // The names of the nodes one level below the path.
    QStringList childrenOf(const QString& path) const;

private:
    QMap<QString, QStringList> m_objects;
};

#endif // OBJECTTREE_H
