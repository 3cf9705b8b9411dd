#ifndef SCENARIO_H
#define SCENARIO_H

#include "StatusItemRecord.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// What the simulated device serves and answers: its objects, the answers of
// their methods and the UI status items it starts with. ScenarioReader reads
// it from a file.
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
        QString path; // the object it is for; empty for every object of its interface
        bool anyArguments = true;
        QVariantList arguments;
        int code = 0;
        QString message;
        QVariant value;
    };

    // How the scenario answers one call.
    struct Match
    {
        const Reply* reply = nullptr; // null: no answer fits
        bool hasReplies = false; // whether any answer is for this method of this object
        QString known; // with no fitting reply: the argument lists that have one
    };

    void addObject(const ServedObject& object) { m_objects.append(object); }
    void addReply(const QString& interface, const QString& method, const Reply& reply);
    void addUiStatusItem(const StatusItemRecord& item) { m_uiStatusItems.append(item); }

    const QList<ServedObject>& objects() const { return m_objects; }
    QStringList services() const;
    const QList<StatusItemRecord>& uiStatusItems() const { return m_uiStatusItems; }

    // An answer for the object at the path fits better than one for every
    // object, and an answer naming the call's arguments better than one for any.
    Match find(const QString& interface, const QString& method, const QString& path,
               const QVariantList& arguments) const;

private:
    QList<ServedObject> m_objects;
    QHash<QString, QList<Reply>> m_replies; // "interface.method" -> replies in file order
    QList<StatusItemRecord> m_uiStatusItems;
};

#endif // SCENARIO_H
