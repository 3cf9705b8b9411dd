#include "QtWaiting.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <QTimer>

void Arrivals::expect(int count)
{
    m_expected = count;
    m_seen = 0;
}

void Arrivals::arrived()
{
    if (++m_seen >= m_expected && m_loop.isRunning())
        m_loop.quit();
}

bool Arrivals::wait()
{
    if (m_seen >= m_expected)
        return true;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &m_loop, &QEventLoop::quit);
    bound.start(Bench::boundMs);
    m_loop.exec();
    return m_seen >= m_expected;
}

void SignalClock::await(int count, std::vector<double>* latencies, const QString& peer)
{
    if (int(m_latencies.size()) < count) {
        m_arrivals.expect(count - int(m_latencies.size()));
        if (!m_arrivals.wait())
            fail(QStringLiteral("%1: %2 of %3 signals arrived").arg(peer).arg(m_latencies.size()).arg(count));
    }
    handOverLatencies(&m_latencies, count, latencies, peer);
}

void SignalClock::configurationChanged(const QString& stamp)
{
    m_latencies.push_back(double(nowNs() - stamp.toLongLong()));
    m_arrivals.arrived();
}

QByteArray envelopeValue(const QVariant& reply, const QString& peer)
{
    const QDBusArgument envelope = qvariant_cast<QDBusArgument>(reply);
    if (envelope.currentSignature() != QLatin1String("(isv)"))
        fail(peer + QStringLiteral(": the reply is no envelope"));
    int code = -1;
    QString message;
    QDBusVariant value;
    envelope.beginStructure();
    envelope >> code >> message >> value;
    envelope.endStructure();
    if (code != 0)
        fail(peer + QStringLiteral(": the reply carries code %1: %2").arg(code).arg(message));
    return value.variant().toByteArray();
}

void checkSize(qint64 size, const Request& request, const QString& peer)
{
    if (size != request.size)
        fail(QStringLiteral("%1: %2 bytes came back, %3 were asked for").arg(peer).arg(size).arg(request.size));
}
