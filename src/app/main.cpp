// The desktop program: one window over the conversion engines.

#include "shell/settings.h"
#include "window/main_window.h"
#include "window/qt_dialogs.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    vqd::QtDialogs dialogs;
    vqd::Settings settings;
    vqd::VQD2ZavekMain window(dialogs, settings);
    dialogs.setParent(&window);
    window.show();
    return application.exec();
}
