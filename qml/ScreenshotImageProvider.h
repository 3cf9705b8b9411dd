#ifndef SCREENSHOTIMAGEPROVIDER_H
#define SCREENSHOTIMAGEPROVIDER_H

#include <QQuickImageProvider>

/**
 * The display's screenshot as an image QML shows: the image provider
 * `vantelo` of the module `Vantelo.Connectors`, which every engine that
 * imports the module has.
 *
 * | source | screenshot of |
 * |---|---|
 * | `image://vantelo/screenshot` | the display of the catalogue's module, "SystemInformation" |
 * | `image://vantelo/screenshot/MODULE` | the display of MODULE |
 *
 * Each request calls "getScreenshot" (blocking, in the thread that loads the
 * image), whose value is the bytes of an image file (PNG); a size the Image
 * asks for scales it. QML caches images by their source: to take a new
 * screenshot, change the source with a query that is never the same, such as
 * `"image://vantelo/screenshot?" + Date.now()`, or set the Image's `cache`
 * to false and reload it. The query is not read.
 *
 * A screenshot that fails (the display is off, the service is not there, the
 * bytes are no image) gives a warning with the reason and the D-Bus error
 * name, and the Image's status becomes Image.Error; an unknown source gives a
 * warning that names the valid ones.
 */
class ScreenshotImageProvider : public QQuickImageProvider
{
public:
    /// The provider; the module adds it to every engine under the name "vantelo".
    ScreenshotImageProvider();

    /// The name the module gives the provider: "vantelo".
    static QString name();

    /// A screenshot for \a id, "screenshot" or "screenshot/MODULE" with any
    /// query; its size in \a size, scaled to \a requestedSize where given.
    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;
};

#endif // SCREENSHOTIMAGEPROVIDER_H
