#include "Scenario.h"

namespace {
QString key(const QString& interface, const QString& method)
{
    return interface + QLatin1Char('.') + method;
}

QString describe(const QVariantList& arguments)
{
    QStringList texts;
    for (const QVariant& argument : arguments)
        texts.append(argument.userType() == QMetaType::QString
                         ? QLatin1Char('"') + argument.toString() + QLatin1Char('"')
                         : argument.toString());
    return QLatin1Char('(') + texts.join(QStringLiteral(", ")) + QLatin1Char(')');
}
} // namespace

void Scenario::addReply(const QString& interface, const QString& method, const Reply& reply)
{
    m_replies[key(interface, method)].append(reply);
}

QStringList Scenario::services() const
{
    QStringList result;
    for (const ServedObject& object : m_objects) {
        if (!result.contains(object.service))
            result.append(object.service);
    }
    return result;
}

Scenario::Match Scenario::find(const QString& interface, const QString& method, const QString& path,
                               const QVariantList& arguments) const
{
    Match match;
    int bestFit = 0;
    QStringList argumentLists;
    for (const Reply& reply : m_replies.value(key(interface, method))) {
        if (!reply.path.isEmpty() && reply.path != path)
            continue;
        match.hasReplies = true;
        if (!reply.anyArguments && reply.arguments != arguments) {
            argumentLists.append(describe(reply.arguments));
            continue;
        }
        const int fit = (reply.anyArguments ? 1 : 3) + (reply.path.isEmpty() ? 0 : 1);
        if (fit > bestFit) {
            bestFit = fit;
            match.reply = &reply;
        }
    }
    if (!match.reply && match.hasReplies)
        match.known = QStringLiteral("%1 knows the arguments %2, not %3")
                          .arg(method, argumentLists.join(QStringLiteral(", ")), describe(arguments));
    return match;
}
