#include "DBusNameRules.h"

#include <QVector>

namespace {
const int maximumNameLength = 255;

bool isElementCharacter(QChar c, bool allowHyphen)
{
    const ushort u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
           (allowHyphen && u == '-');
}

// Dot-separated names: two elements at least, none empty, none starting
// with a digit unless digits are allowed there.
bool isValidDottedName(const QStringRef& name, bool allowHyphen, bool allowLeadingDigit)
{
    if (name.isEmpty() || name.size() > maximumNameLength)
        return false;
    const QVector<QStringRef> elements = name.split(QLatin1Char('.'));
    if (elements.size() < 2)
        return false;
    for (const QStringRef& element : elements) {
        if (element.isEmpty())
            return false;
        if (!allowLeadingDigit && element.at(0).isDigit())
            return false;
        for (QChar c : element) {
            if (!isElementCharacter(c, allowHyphen))
                return false;
        }
    }
    return true;
}
} // namespace

bool DBusNameRules::isValidBusName(const QString& name)
{
    if (name.startsWith(QLatin1Char(':')))
        return isValidDottedName(name.midRef(1), true, true);
    return isValidDottedName(QStringRef(&name), true, false);
}

bool DBusNameRules::isValidInterfaceName(const QString& name)
{
    return isValidDottedName(QStringRef(&name), false, false);
}

bool DBusNameRules::isValidObjectPath(const QString& path)
{
    if (path == QLatin1String("/"))
        return true;
    if (!path.startsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('/')))
        return false;
    const QVector<QStringRef> elements = path.midRef(1).split(QLatin1Char('/'));
    for (const QStringRef& element : elements) {
        if (element.isEmpty())
            return false;
        for (QChar c : element) {
            if (!isElementCharacter(c, false))
                return false;
        }
    }
    return true;
}
