#include "window/file_drop.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

namespace vqd {

namespace {

// The path of the one local file a drag carries; empty for several files, plain text or a web
// address, which names no local file.
QString droppedFile(const QMimeData* data) {
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    return urls.size() == 1 ? urls.front().toLocalFile() : QString();
}

// Installed on its own box only, so every event it sees is that box's.
class FileDropFilter : public QObject {
public:
    FileDropFilter(QLineEdit* box, std::function<void(const QString&)> take)
        : QObject(box), take_(std::move(take)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const auto type = event->type();
        if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
            return false;
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = droppedFile(drop->mimeData());
        // Anything but one file is the line edit's own business.
        if (path.isEmpty()) return false;
        drop->acceptProposedAction();
        if (type == QEvent::Drop) take_(path);
        return true;
    }

private:
    std::function<void(const QString&)> take_;
};

} // namespace

// A line edit accepts drops of its own, for text; the filter takes the files among them.
void acceptFileDrops(QLineEdit* box, std::function<void(const QString& path)> take) {
    box->installEventFilter(new FileDropFilter(box, std::move(take)));
}

} // namespace vqd
