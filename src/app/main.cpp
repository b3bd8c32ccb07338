// The desktop program: one window over the conversion engines.

#include "files/file_access.h"
#include "shell/settings.h"
#include "window/main_window.h"
#include "window/qt_dialogs.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Ending the session during a conversion leaves no temporary file beside the outputs.
    vqd::files::removeTemporaryFilesOnInterrupt(vqd::files::OncePlaced::endAsUsual);
    // Installed, the desktop entry and the themed icon carry this name; the desktop matches the
    // window to them by it. Run from the build folder there is no icon, and the window has none.
    // Windows has no icon themes: there the window takes the program's own icon.
    QApplication::setDesktopFileName("vqd2zavek");
    if (const QIcon icon = QIcon::fromTheme("vqd2zavek"); !icon.isNull())
        QApplication::setWindowIcon(icon);
    vqd::QtDialogs dialogs;
    vqd::Settings settings;
    vqd::VQD2ZavekMain window(dialogs, settings);
    dialogs.setParent(&window);
    window.show();
    return application.exec();
}
