#ifndef BUSLOSS_H
#define BUSLOSS_H

#include <QDBusConnection>
#include <QObject>
#include <QString>

// Ends the simulator with one line on stderr and exit status 1 when its bus
// goes away, rather than serving nothing until someone notices.
class BusLoss : public QObject
{
    Q_OBJECT
public:
    explicit BusLoss(const QString& busDescription, QObject* parent = nullptr);

    // Follows the connection's bus, also if it is gone already.
    void watch(QDBusConnection connection);

private Q_SLOTS:
    void disconnected();

private:
    QString m_busDescription;
    bool m_reported = false;
};

#endif // BUSLOSS_H
