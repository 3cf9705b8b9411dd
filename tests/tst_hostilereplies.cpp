#include "ConnectorTable.h"
#include "JsonValue.h"
#include "SimulatedDevice.h"
#include "UiStatusInformationItem.h"
#include "VanteloDefinitions.h"
#include "WarningLog.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

// Answers every operation of every connector with random D-Bus values of
// random signatures: wrong types, variants nested to the limit, structs of any
// arity, empty and large arrays; inside the reply envelope and instead of it.
// Nothing may crash or hang, every result is a value or a clear error, and the
// operations that decode items give an empty result with their warning.
//
// VANTELO_CAMPAIGN_SEED repeats a run; VANTELO_CAMPAIGN_SECONDS sets its length.
class HostileRepliesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyOperationSurvivesRandomAnswers();

private:
    SimulatedDevice m_device;
};

namespace {
const QString module = VanteloDefinitions::getModuleName();
const QString itemListSignature = QStringLiteral("a(ssssssssi)");
const QString itemSignature = QStringLiteral("(ssssssssi)");
// The bus refuses deeper values: 32 levels of arrays, 32 of structs, 64 in all.
const int deepestNesting = 30;
// And signatures longer than 255 characters: libdbus writes past the header's room for them.
const int longestSignature = 255;

// Writes one random value and returns its signature.
class RandomValue
{
public:
    explicit RandomValue(quint32 seed)
        : m_random(seed)
    {
    }

    QVariant make(QString* signature)
    {
        const QVariant value = written(0);
        *signature = qvariant_cast<QDBusArgument>(value).currentSignature();
        return value;
    }

private:
    int pick(int bound) { return int(m_random.bounded(bound)); }

    QString text()
    {
        QString result;
        const int length = pick(4) == 0 ? pick(4096) : pick(12);
        for (int i = 0; i < length; ++i)
            result.append(QChar(0x20 + pick(0x2000)));
        return result;
    }

    // A value in an argument, and so a signature, of its own.
    QVariant written(int depth)
    {
        QDBusArgument argument;
        int room = longestSignature;
        write(argument, depth, room);
        return QVariant::fromValue(argument);
    }

    // `room` is what is left of the signature of the argument written to; the values in
    // variants have signatures of their own. A container takes 2 to 5 characters and each of
    // its members at least one, so short of room only basic values, of one character, come.
    void write(QDBusArgument& argument, int depth, int& room)
    {
        const bool deep = depth >= deepestNesting || room < 8;
        const int kind = deep ? pick(9) : pick(14);
        room -= kind == 13 ? 5 : kind == 10 || kind == 12 ? 2 : 1;
        switch (kind) {
        case 0:
            argument << quint8(pick(256));
            break;
        case 1:
            argument << (pick(2) == 1);
            break;
        case 2:
            argument << qint16(pick(65536) - 32768);
            break;
        case 3:
            argument << qint32(m_random.generate());
            break;
        case 4:
            argument << quint32(m_random.generate());
            break;
        case 5:
            argument << qint64(m_random.generate64());
            break;
        case 6:
            argument << quint64(m_random.generate64());
            break;
        case 7:
            argument << m_random.generateDouble();
            break;
        case 8:
            argument << text();
            break;
        case 9:
            argument << QDBusObjectPath(QStringLiteral("/random/p%1").arg(pick(1000)));
            break;
        case 10: { // a struct of any arity
            argument.beginStructure();
            for (int n = 1 + pick(10); n > 0 && room > 0; --n)
                write(argument, depth + 1, room);
            argument.endStructure();
            break;
        }
        case 11: { // a variant of anything, sometimes nested to the limit
            argument << QDBusVariant(written(depth + 1 + (pick(8) == 0 ? deepestNesting : 0)));
            break;
        }
        case 12: { // arrays: empty, short or large
            const int length = pick(3) == 0 ? 0 : pick(8) == 0 ? 50000 + pick(200000) : pick(8);
            if (pick(2) == 0) {
                QByteArray bytes(length, '\0');
                for (char& byte : bytes)
                    byte = char(pick(256));
                argument << bytes;
            } else {
                argument.beginArray(qMetaTypeId<QDBusVariant>());
                for (int i = 0; i < qMin(length, 64); ++i)
                    argument << QDBusVariant(written(depth + 2));
                argument.endArray();
            }
            break;
        }
        default: { // a dictionary
            argument.beginMap(qMetaTypeId<QString>(), qMetaTypeId<QDBusVariant>());
            for (int n = pick(5); n > 0; --n) {
                argument.beginMapEntry();
                argument << text() << QDBusVariant(written(depth + 2));
                argument.endMapEntry();
            }
            argument.endMap();
            break;
        }
        }
    }

    QRandomGenerator m_random;
};

quint32 campaignSeed()
{
    bool given = false;
    const quint32 seed = qEnvironmentVariable("VANTELO_CAMPAIGN_SEED").toUInt(&given);
    return given ? seed : QRandomGenerator::system()->generate();
}

int campaignMilliseconds()
{
    bool given = false;
    const double seconds = qEnvironmentVariable("VANTELO_CAMPAIGN_SECONDS").toDouble(&given);
    return given ? int(seconds * 1000) : 4000;
}
} // namespace

void HostileRepliesTest::initTestCase()
{
    QVERIFY2(m_device.attach(), qPrintable(m_device.errorString()));
    QVERIFY2(m_device.startService(module), qPrintable(m_device.errorString()));
}

void HostileRepliesTest::everyOperationSurvivesRandomAnswers()
{
    const quint32 seed = campaignSeed();
    qInfo("campaign seed %u (VANTELO_CAMPAIGN_SEED=%u repeats it)", seed, seed);
    RandomValue random(seed);
    QRandomGenerator choose(seed ^ 0x5eed);

    struct Target
    {
        QSharedPointer<DBusConnectorBase> connector;
        const OperationEntry* operation;
        QVariantList arguments;
        QString member; // as the bus saw it
    };
    QList<Target> targets;
    for (const ConnectorEntry& entry : connectorTable()) {
        const auto connector = entry.create(module, entry.defaultObject);
        for (const OperationEntry& operation : entry.operations) {
            QVariantList arguments;
            for (const QString& type : operation.parameterTypes) {
                arguments.append(type == QLatin1String("b") ? QVariant(true)
                                 : type == itemSignature    ? QVariant::fromValue(UiStatusInformationItem())
                                                            : QVariant(QStringLiteral("x")));
            }
            QVERIFY2(m_device.clearCalls(), qPrintable(m_device.errorString()));
            operation.run(*connector, arguments);
            targets.append({connector, &operation, arguments, m_device.recordedCalls().value(0).member});
        }
    }

    int cases = 0;
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < campaignMilliseconds() || cases < targets.size()) {
        // Every operation at least once, then at random.
        const Target& target = targets.at(cases < targets.size() ? cases : int(choose.bounded(targets.size())));
        const QString& member = target.member;
        QString signature;
        const QVariant value = random.make(&signature);
        const bool inEnvelope = choose.bounded(2) == 0;
        const int code = choose.bounded(3) == 0 ? int(choose.generate()) : 0;
        if (inEnvelope)
            QVERIFY2(
                m_device.setReply(target.connector->getInterfaceName(), member, code, QStringLiteral("hostile"), value),
                qPrintable(m_device.errorString()));
        else
            QVERIFY2(m_device.setRawReply(target.connector->getInterfaceName(), member, value),
                     qPrintable(m_device.errorString()));
        // The raw answer is the value itself: anything but a variant is the wrong type.
        const QString answer = inEnvelope ? QStringLiteral("(isv)") : signature;

        const QString where =
            QStringLiteral("seed %1, case %2: %3 answered %4 %5")
                .arg(seed)
                .arg(cases)
                .arg(target.operation->name, inEnvelope ? QStringLiteral("(isv) with") : QString(), signature);
        WarningLog log;
        const DBusReply reply = target.operation->run(*target.connector, target.arguments);
        ++cases;

        // A clear error: a code, and a message unless the service's own code says it.
        if (reply.isError()) {
            QVERIFY2(reply.getError().getErrorCode() != 0, qPrintable(where));
            QVERIFY2(reply.getError().getErrorCode() != ErrorContainer::getDefaultErrorCode() ||
                         !reply.getError().getErrorMessage().isEmpty(),
                     qPrintable(where));
        } else {
            // A value the client can print, whatever it holds, in both forms.
            JsonValue::fromVariant(reply.getValue());
            JsonValue::typed(reply.getValue(), target.operation->resultType);
        }
        const bool decodesItems = !target.operation->resultType.isEmpty();
        const bool itemsAnswered =
            inEnvelope && code == 0 && (signature == itemListSignature || signature == itemSignature);
        if (decodesItems && !itemsAnswered) {
            // An empty list, or an item with nothing in it, and the warning.
            QVERIFY2(reply.isError() && !log.records().isEmpty(), qPrintable(where));
            const QVariant shown = reply.getValue();
            QVERIFY2(shown.userType() == QMetaType::QVariantList
                         ? shown.toList().isEmpty()
                         : shown.toMap().value(QStringLiteral("uuid")).toString().isEmpty(),
                     qPrintable(where));
        }
        QVERIFY2(target.connector->isDBusInterfaceValid(), qPrintable(where));
    }
    qInfo("%d cases in %lld ms, every operation of all connectors", cases, elapsed.elapsed());
}

QTEST_GUILESS_MAIN(HostileRepliesTest)
#include "tst_hostilereplies.moc"
