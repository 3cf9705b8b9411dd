#ifndef QMLLOGGING_H
#define QMLLOGGING_H

#include <QLoggingCategory>

// The QML module's own warnings, apart from those QML shows with an item's
// file and line: QT_LOGGING_RULES="vantelo.qml.warning=false" quiets them.
Q_DECLARE_LOGGING_CATEGORY(lcVanteloQml)

#endif // QMLLOGGING_H
