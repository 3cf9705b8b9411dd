#include "WordArguments.h"

#include "ConnectorTable.h"
#include "StatusItemMap.h"

#include "JsonSource.h"

namespace {
const QLatin1String boolType("b");

QString typeWord(const QString& signature)
{
    return signature == boolType                     ? QStringLiteral("bool")
           : signature == StatusItemMap::signature() ? QStringLiteral("item")
                                                     : QString();
}

bool parseBool(const QString& word, bool* value)
{
    static const QStringList yes{QStringLiteral("true"), QStringLiteral("1"), QStringLiteral("yes")};
    static const QStringList no{QStringLiteral("false"), QStringLiteral("0"), QStringLiteral("no")};
    *value = yes.contains(word.toLower());
    return *value || no.contains(word.toLower());
}

// Read strictly: a refusal says where and why.
bool readItem(const QString& word, QVariant* item, QString* error)
{
    JsonSource source;
    QJsonValue document;
    if (!source.read(word.toUtf8(), &document, error))
        return false;
    if (!document.isObject()) {
        *error = QStringLiteral("1:1: not a JSON object");
        return false;
    }
    return source.toVariant(document, QString(), item, error);
}
} // namespace

bool WordArguments::parse(const OperationEntry& operation, const QStringList& words, QVariantList* arguments,
                          QString* error)
{
    if (words.size() != operation.parameterNames.size()) {
        *error = QStringLiteral("%1 takes %2 argument(s): %3")
                     .arg(operation.name)
                     .arg(operation.parameterNames.size())
                     .arg(synopsis(operation));
        return false;
    }
    QVariantList given;
    for (int i = 0; i < words.size(); ++i) {
        const QString& word = words.at(i);
        const QString& name = operation.parameterNames.at(i);
        const QString type = typeWord(operation.parameterTypes.at(i));
        if (type == QLatin1String("bool")) {
            bool value = false;
            if (!parseBool(word, &value)) {
                *error = QStringLiteral("%1 must be true or false, not \"%2\"").arg(name, word);
                return false;
            }
            given.append(value);
        } else if (type == QLatin1String("item")) {
            QVariant item;
            QString why;
            if (!readItem(word, &item, &why)) {
                *error = QStringLiteral("%1: %2; %1 is a JSON object such as "
                                        "'{\"uuid\": \"u1\", \"title\": \"Hello\", \"priority\": 1}'")
                             .arg(name, why);
                return false;
            }
            given.append(item);
        } else {
            given.append(word);
        }
    }
    return operation.prepareArguments(given, arguments, error);
}

QString WordArguments::synopsis(const OperationEntry& operation)
{
    QStringList parts;
    for (int i = 0; i < operation.parameterNames.size(); ++i) {
        const QString type = typeWord(operation.parameterTypes.at(i));
        parts.append(type.isEmpty() ? operation.parameterNames.at(i)
                                    : operation.parameterNames.at(i) + QLatin1Char(':') + type);
    }
    return parts.isEmpty() ? QStringLiteral("(no arguments)") : parts.join(QLatin1Char(' '));
}
