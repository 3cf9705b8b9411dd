#include "JsonSource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

// The one reader of JSON text: what it refuses, where it says the fault is,
// and how numbers come out exactly.
class JsonSourceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusesWithPlaceAndReason_data();
    void refusesWithPlaceAndReason();
    void readsWhatJsonAllows_data();
    void readsWhatJsonAllows();
    void readsNumbersExactly_data();
    void readsNumbersExactly();
};

namespace {
QByteArray nested(int depth)
{
    return QByteArray(depth, '[') + QByteArray(depth, ']');
}
} // namespace

void JsonSourceTest::refusesWithPlaceAndReason_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("refusal");

    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF{}") << "1:1: a byte-order mark is not allowed";
    QTest::newRow("key given twice") << QByteArray("{\"a\": 1,\n \"a\": 2}") << "2:2: a: given twice";
    QTest::newRow("key given twice after a container")
        << QByteArray(R"({"a": {"b": [1]}, "a": 2})") << "1:19: a: given twice";
    QTest::newRow("key given twice, nested") << QByteArray(R"({"x": {"a": 1, "a": 2}})") << "1:16: x.a: given twice";
    QTest::newRow("NUL escape") << QByteArray(R"(["u\u0000x"])")
                                << "1:4: \\u0000: D-Bus text cannot carry the NUL character";
    QTest::newRow("NUL escape in a key") << QByteArray(R"({"\u0000": 1})")
                                         << "1:3: \\u0000: D-Bus text cannot carry the NUL character";
    QTest::newRow("lone high surrogate") << QByteArray(R"(["\ud800"])") << "1:3: a lone high surrogate";
    QTest::newRow("high surrogate before a letter")
        << QByteArray(R"(["\ud800\u0041"])") << "1:3: a lone high surrogate";
    QTest::newRow("lone low surrogate") << QByteArray(R"(["\uDC00"])") << "1:3: a lone low surrogate";
    QTest::newRow("invalid escape") << QByteArray(R"(["\q"])")
                                    << "1:3: invalid escape; \\\" \\\\ \\/ \\b \\f \\n \\r \\t or \\uXXXX?";
    QTest::newRow("short \\u") << QByteArray(R"(["\u12"])") << "1:3: \\u needs four hexadecimal digits";
    QTest::newRow("raw control character")
        << QByteArray("[\"a\x01\"]") << "1:4: a control character (0x01) must be escaped";
    QTest::newRow("raw line feed") << QByteArray("[\"a\nb\"]") << "1:4: a control character (0x0a) must be escaped";
    QTest::newRow("invalid UTF-8 byte") << QByteArray("[\"\xff\"]") << "1:3: invalid UTF-8";
    QTest::newRow("overlong UTF-8") << QByteArray("[\"\xc0\xaf\"]") << "1:3: invalid UTF-8";
    QTest::newRow("overlong three bytes") << QByteArray("[\"\xe0\x80\xaf\"]") << "1:3: invalid UTF-8";
    QTest::newRow("surrogate in UTF-8") << QByteArray("[\"\xed\xa0\x80\"]") << "1:3: invalid UTF-8";
    QTest::newRow("cut UTF-8") << QByteArray("[\"\xe2\x82\"]") << "1:3: invalid UTF-8";
    QTest::newRow("beyond U+10FFFF") << QByteArray("[\"\xf4\x90\x80\x80\"]") << "1:3: invalid UTF-8";
    QTest::newRow("too small for a double") << QByteArray("[1e-400]") << "1:2: 1e-400 is too small for a double";
    QTest::newRow("too large for a double") << QByteArray("[-1e400]") << "1:2: -1e400 is too large for a double";
    QTest::newRow("too large, the exponent small")
        << QByteArray("[123.5e307]") << "1:2: 123.5e307 is too large for a double";
    QTest::newRow("too small, zeros after the point")
        << QByteArray("[0.001e-321]") << "1:2: 0.001e-321 is too small for a double";
    QTest::newRow("leading zero") << QByteArray("[01]") << "1:2: a number does not start with 0";
    QTest::newRow("no digits after the point") << QByteArray("[1.]") << "1:2: a number needs digits after '.'";
    QTest::newRow("plus sign") << QByteArray("[+1]") << "1:2: unexpected '+'";
    QTest::newRow("text after the value") << QByteArray("{} x") << "1:4: unexpected text after the value";
    QTest::newRow("trailing comma") << QByteArray("[1,]") << "1:4: unexpected ']'";
    QTest::newRow("missing colon") << QByteArray("{\n  \"a\" 1}") << "2:7: unexpected '1'; ':' after the key?";
    QTest::newRow("empty text") << QByteArray() << "1:1: the text ends too early";
    QTest::newRow("open string") << QByteArray("[\"abc") << "1:6: the text ends inside a string";
    QTest::newRow("misspelt literal") << QByteArray("[tru]") << "1:2: unexpected text; true, false or null?";
    QTest::newRow("nested too deeply") << nested(JsonSource::maximumDepth + 1)
                                       << QStringLiteral("1:%1: nested too deeply").arg(JsonSource::maximumDepth + 1);
}

void JsonSourceTest::refusesWithPlaceAndReason()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, refusal);
    JsonSource source;
    QJsonValue value;
    QString error;
    QVERIFY(!source.read(text, &value, &error));
    QCOMPARE(error, refusal);
}

void JsonSourceTest::readsWhatJsonAllows_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QJsonValue>("expected");

    QTest::newRow("escapes and characters")
        << QByteArray(
               "{\"a\": [\"\\\"\\\\\\/\\b\\f\\n\\r\\t\", \"\\u00e9\xc3\xa9\", \"\\ud83d\\ude00\xf0\x9f\x98\x80\"]}")
        << QJsonValue(QJsonObject{
               {QStringLiteral("a"), QJsonArray{QStringLiteral("\"\\/\b\f\n\r\t"), QStringLiteral("\u00e9\u00e9"),
                                                QStringLiteral("\U0001F600\U0001F600")}}});
    QTest::newRow("scalars") << QByteArray(" [true, false, null, -0.5e1, 0] ")
                             << QJsonValue(QJsonArray{true, false, QJsonValue::Null, -5.0, 0.0});
    QTest::newRow("zero written small") << QByteArray("0e-400") << QJsonValue(0.0);
    QJsonValue deepest = QJsonArray();
    for (int depth = 1; depth < JsonSource::maximumDepth; ++depth)
        deepest = QJsonArray{deepest};
    QTest::newRow("as deep as allowed") << nested(JsonSource::maximumDepth) << deepest;
}

void JsonSourceTest::readsWhatJsonAllows()
{
    QFETCH(QByteArray, text);
    QFETCH(QJsonValue, expected);
    JsonSource source;
    QJsonValue value;
    QString error;
    QVERIFY2(source.read(text, &value, &error), qPrintable(error));
    QCOMPARE(value, expected);
}

void JsonSourceTest::readsNumbersExactly_data()
{
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<QString>("refusal");

    QTest::newRow("whole") << QByteArray("42") << QVariant(qlonglong(42)) << QString();
    QTest::newRow("whole, written with a fraction") << QByteArray("1.50e1") << QVariant(qlonglong(15)) << QString();
    QTest::newRow("largest unsigned") << QByteArray("18446744073709551615")
                                      << QVariant(std::numeric_limits<qulonglong>::max()) << QString();
    QTest::newRow("smallest signed") << QByteArray("-9223372036854775808")
                                     << QVariant(std::numeric_limits<qlonglong>::min()) << QString();
    QTest::newRow("fraction") << QByteArray("2.5") << QVariant(2.5) << QString();
    QTest::newRow("beyond 64 bits") << QByteArray("1e30") << QVariant(1e30) << QString();
    QTest::newRow("fraction a double can't hold")
        << QByteArray("2147483647.0000001") << QVariant()
        << "1:7: 2147483647.0000001 is not a whole number, and a double can't tell it from one";
}

void JsonSourceTest::readsNumbersExactly()
{
    QFETCH(QByteArray, number);
    QFETCH(QVariant, expected);
    QFETCH(QString, refusal);
    JsonSource source;
    QJsonValue value;
    QString error;
    QVERIFY2(source.read("{\"n\": " + number + '}', &value, &error), qPrintable(error));
    QVariant result;
    QCOMPARE(source.toVariant(value, QString(), &result, &error), refusal.isEmpty());
    if (!refusal.isEmpty()) {
        QCOMPARE(error, refusal);
        return;
    }
    const QVariant read = result.toMap().value(QStringLiteral("n"));
    QCOMPARE(read.userType(), expected.userType());
    QCOMPARE(read, expected);
}

QTEST_MAIN(JsonSourceTest)

#include "tst_jsonsource.moc"
