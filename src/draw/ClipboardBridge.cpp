#include "ClipboardBridge.h"

#include "platform/Gdi.h"

#include <QClipboard>
#include <QGuiApplication>

namespace draw {

bool ConnectClipboard()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    gdi::SetClipboardPublisher([](const QImage& image) {
        // The application may be gone by the time a late copy is made.
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QGuiApplication::clipboard()->setImage(image);
    });
    return true;
}

} // namespace draw
