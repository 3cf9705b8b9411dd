#ifndef QTWAITING_H
#define QTWAITING_H

#include "Peer.h"

#include <QByteArray>
#include <QEventLoop>
#include <QObject>
#include <QVariant>

#include <vector>

// Counts what arrives through the event loop and runs the loop until all
// that is expected has come, or the bound has passed.
class Arrivals
{
public:
    void expect(int count);
    void arrived();
    // False when the bound passed first.
    bool wait();
    int seen() const { return m_seen; }

private:
    int m_expected = 0;
    int m_seen = 0;
    QEventLoop m_loop;
};

// Takes the stamped signals for the Qt peers: how long each took from the
// server's sending to this slot.
class SignalClock : public QObject
{
    Q_OBJECT
public:
    // Waits for `count` signals and hands over their latencies.
    void await(int count, std::vector<double>* latencies, const QString& peer);

public Q_SLOTS:
    void configurationChanged(const QString& stamp);
    // For the signals of clients that are only made, never fed.
    void received() { }

private:
    Arrivals m_arrivals;
    std::vector<double> m_latencies;
};

// The byte array inside the reply envelope, or a failed run.
QByteArray envelopeValue(const QVariant& reply, const QString& peer);
// Fails the run unless the value has the size asked for.
void checkSize(qint64 size, const Request& request, const QString& peer);

#endif // QTWAITING_H
