#include "ScreenshotImageProvider.h"

#include "QmlLogging.h"

#include "DisplayDBusConnector.h"
#include "VanteloDefinitions.h"

#include <QImage>

namespace {
const QString screenshot = QStringLiteral("screenshot");
}

ScreenshotImageProvider::ScreenshotImageProvider()
    : QQuickImageProvider(QQuickImageProvider::Image)
{
}

QString ScreenshotImageProvider::name()
{
    return QStringLiteral("vantelo");
}

QImage ScreenshotImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize)
{
    // What comes after the name selects; the query only defeats QML's cache.
    const QString path = id.section(QLatin1Char('?'), 0, 0);
    QString module = VanteloDefinitions::getModuleName();
    if (path.startsWith(screenshot + QLatin1Char('/')) && path.size() > screenshot.size() + 1) {
        module = path.mid(screenshot.size() + 1);
    } else if (path != screenshot) {
        qCWarning(lcVanteloQml).noquote() << QStringLiteral("image://%1/%2: no such image; there are image://%1/%3 and "
                                                            "image://%1/%3/MODULE")
                                                 .arg(name(), id, screenshot);
        return QImage();
    }

    // A connector of this thread's own: images may load in a thread of their own.
    const DBusReply reply = DisplayDBusConnector::createAndConnect(module)->getScreenshot();
    if (reply.isError()) {
        qCWarning(lcVanteloQml).noquote()
            << QStringLiteral("image://%1/%2: no screenshot (%3, %4): %5")
                   .arg(name(), id)
                   .arg(reply.getError().getErrorCode())
                   .arg(reply.getError().getErrorName(), reply.getError().getErrorMessage());
        return QImage();
    }
    QImage image = QImage::fromData(reply.getValue().toByteArray());
    if (image.isNull()) {
        qCWarning(lcVanteloQml).noquote() << QStringLiteral("image://%1/%2: the screenshot's %3 bytes are no image")
                                                 .arg(name(), id)
                                                 .arg(reply.getValue().toByteArray().size());
        return QImage();
    }
    if (size)
        *size = image.size();
    if (requestedSize.width() > 0 && requestedSize.height() > 0)
        return image.scaled(requestedSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (requestedSize.width() > 0)
        return image.scaledToWidth(requestedSize.width(), Qt::SmoothTransformation);
    if (requestedSize.height() > 0)
        return image.scaledToHeight(requestedSize.height(), Qt::SmoothTransformation);
    return image;
}
