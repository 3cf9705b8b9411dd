#ifndef INTERFACECATALOGUE_H
#define INTERFACECATALOGUE_H

#include <QHash>
#include <QString>
#include <QStringList>

// The interfaces the simulator serves, read from their introspection files:
// each interface's XML for introspection, and the input signature of each
// method and signal for checking calls and emissions.
class InterfaceCatalogue
{
public:
    struct Member
    {
        QString signature;
        QStringList argumentNames;
    };

    struct Interface
    {
        QString xml;
        QHash<QString, Member> methods;
        QHash<QString, Member> signalMembers;
    };

    // Reads every *.xml in the directory; on failure says which file and why.
    bool load(const QString& directory, QString* error);

    bool contains(const QString& interfaceName) const { return m_interfaces.contains(interfaceName); }
    const Interface* find(const QString& interfaceName) const;
    QStringList names() const;

private:
    bool parse(const QString& fileName, const QByteArray& data, QString* error);

    QHash<QString, Interface> m_interfaces;
};

#endif // INTERFACECATALOGUE_H
