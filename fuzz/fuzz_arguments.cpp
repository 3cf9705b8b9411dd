// Feeds any bytes to the client's reading of an operation's arguments: the
// first byte picks the operation, the rest are its words, split at NUL as a
// command line splits them. Each is read or refused with a reason; what is
// read has the type each parameter puts on the wire, and carries no NUL.

#include "ConnectorTable.h"
#include "StatusItemMap.h"
#include "UiStatusInformationItem.h"
#include "WordArguments.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
QList<const OperationEntry*> everyOperation()
{
    QList<const OperationEntry*> operations;
    for (const ConnectorEntry& connector : connectorTable()) {
        for (const OperationEntry& operation : connector.operations)
            operations.append(&operation);
    }
    return operations;
}

bool carriesNul(const QVariant& value)
{
    if (value.userType() == QMetaType::QString)
        return value.toString().contains(QChar(0));
    if (value.userType() == qMetaTypeId<UiStatusInformationItem>())
        return carriesNul(StatusItemMap::fromItem(qvariant_cast<UiStatusInformationItem>(value)));
    if (value.userType() == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (it.key().contains(QChar(0)) || carriesNul(it.value()))
                return true;
        }
    }
    return false;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QList<const OperationEntry*> operations = everyOperation();
    if (size == 0)
        return 0;
    const OperationEntry& operation = *operations.at(data[0] % operations.size());
    QStringList words;
    if (size > 1) {
        const QByteArray line(reinterpret_cast<const char*>(data) + 1, int(size) - 1);
        for (const QByteArray& word : line.split('\0'))
            words.append(QString::fromLocal8Bit(word));
    }

    QVariantList arguments;
    QString error;
    if (!WordArguments::parse(operation, words, &arguments, &error)) {
        if (error.isEmpty())
            abort();
        return 0;
    }
    if (arguments.size() != operation.parameterTypes.size())
        abort();
    for (int i = 0; i < arguments.size(); ++i) {
        if (dbusSignature(arguments.at(i).userType()) != operation.parameterTypes.at(i) || carriesNul(arguments.at(i)))
            abort();
    }
    return 0;
}
