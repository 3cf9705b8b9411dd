#ifndef SCENARIO_H
#define SCENARIO_H

#include "StatusItemRecord.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class InterfaceCatalogue;

// What the simulated device serves and answers, read from a JSON file:
//
//   {"objects": [{"module": M, "object": O, "interfaces": [...]}],
//    "answers": [{"interface": I, "method": M, "arguments": [...],
//                 "value": V, "code": 0, "message": ""}],
//    "uiStatusItems": [{"uuid": ..., "priority": n}]}
//
// An answer without "arguments" serves every call of its method that no
// answer with arguments matches.
class Scenario
{
public:
    struct ServedObject
    {
        QString service;
        QString path;
        QStringList interfaces;
    };

    struct Reply
    {
        bool anyArguments = true;
        QVariantList arguments;
        int code = 0;
        QString message;
        QVariant value;
    };

    // Refuses a malformed scenario with the file, the place and the reason.
    bool load(const QString& fileName, const InterfaceCatalogue& catalogue, QString* error);

    QStringList services() const;
    QStringList interfacesAt(const QString& path) const;
    QList<StatusItemRecord> uiStatusItems() const { return m_uiStatusItems; }

    // The reply for a call; null when the method has answers but none fits
    // the arguments, with the known argument lists in *known.
    const Reply* find(const QString& interface, const QString& method, const QVariantList& arguments,
                      QString* known) const;
    bool hasReplies(const QString& interface, const QString& method) const;

private:
    bool readObject(const QJsonObject& object, const InterfaceCatalogue& catalogue, QString* error);
    bool readAnswer(const QJsonObject& object, const InterfaceCatalogue& catalogue, QString* error);
    bool readUiStatusItem(const QJsonObject& object, QString* error);

    QList<ServedObject> m_objects;
    QHash<QString, QList<Reply>> m_replies; // "interface.method" -> replies in file order
    QList<StatusItemRecord> m_uiStatusItems;
};

#endif // SCENARIO_H
