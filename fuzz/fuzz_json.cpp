// Feeds any bytes to the JSON reader: it reads them or refuses them with a
// place and a reason; the values it reads convert as the client's items do.

#include "JsonSource.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), int(size));
    JsonSource source;
    QJsonValue value;
    QString error;
    if (!source.read(text, &value, &error)) {
        // A refusal always says where: "line:column: reason".
        if (error.isEmpty() || !error.at(0).isDigit())
            abort();
        return 0;
    }
    // No NUL ever comes through: D-Bus text cannot carry it.
    if (value.isString() && value.toString().contains(QChar(0)))
        abort();
    QVariant variant;
    source.toVariant(value, QString(), &variant, &error);
    return 0;
}
