#include "DBusNameRules.h"

#include <QList>

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
bool isValidDottedName(QStringView name, bool allowHyphen, bool allowLeadingDigit)
{
    if (name.isEmpty() || name.size() > maximumNameLength)
        return false;
    const QList<QStringView> elements = name.split(QLatin1Char('.'));
    if (elements.size() < 2)
        return false;
    for (QStringView element : elements) {
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
        return isValidDottedName(QStringView(name).mid(1), true, true);
    return isValidDottedName(name, true, false);
}

bool DBusNameRules::isValidInterfaceName(const QString& name)
{
    return isValidDottedName(name, false, false);
}

bool DBusNameRules::isValidObjectPath(const QString& path)
{
    if (path == QLatin1String("/"))
        return true;
    if (!path.startsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('/')))
        return false;
    const QList<QStringView> elements = QStringView(path).mid(1).split(QLatin1Char('/'));
    for (QStringView element : elements) {
        if (element.isEmpty())
            return false;
        for (QChar c : element) {
            if (!isElementCharacter(c, false))
                return false;
        }
    }
    return true;
}
